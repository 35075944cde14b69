#pragma once

// A demo sandbox, a manual clock at 2026-12-06 9:00, a scripted prompter (any question it does not
// expect fails the test) and the main window started on it, for the widget tests of the window.

#include "app/MainWindow.h"
#include "fixtures/Sandbox.h"
#include "i18n/UiTexts.h"
#include "platform/Clock.h"
#include "support/ScopedXdgHome.h"
#include "support/ScriptedPrompter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vx::test {

inline const QDateTime kWindowTestStart(QDate(2026, 12, 6), QTime(9, 0, 0));

class MainWindowFixture : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    // Closing writes launchers and MIME types under the XDG folders: those of the test.
    ScopedXdgHome xdgHome{dir.path()};
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(QStringLiteral("prefix")));
    ManualClock clock{kWindowTestStart};
    ScopedClock useClock{clock};
    ScriptedPrompter prompts;
    // A language a test chose stays in the process-wide texts: the next test starts in English.
    ~MainWindowFixture() override { texts().resetToEnglish(); }
    QString settings() const { return sb.delphiHost + QStringLiteral("/Vorlix7.wv7"); }

    // The window of `other` sandbox when given, else of this one, created and started.
    std::unique_ptr<app::TFormMain> start(const QStringList& args = {},
                                          const fixtures::Sandbox* other = nullptr)
    {
        const fixtures::Sandbox& s = other ? *other : sb;
        auto w = std::make_unique<app::TFormMain>(Installation::locate(s.delphiHost),
                                                  s.delphiHost + QStringLiteral("/Vorlix7.wv7"));
        w->setExecutablePath(s.delphiHost + QStringLiteral("/Vorlix7"));
        EXPECT_EQ(w->FormCreate(args), app::TFormMain::StartResult::Ok);
        return w;
    }
    template <typename T> static T* child(app::TFormMain& w, const QString& name)
    {
        T* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    static QString text(app::TFormMain& w, const QString& name) { return child<QLabel>(w, name)->text(); }
    static bool close(app::TFormMain& w)
    {
        QCloseEvent e;
        QApplication::sendEvent(&w, &e);
        return e.isAccepted();
    }
};

// The window started on the sandbox's sample project for every test, and closed after it without
// saving (the close must be accepted); a test that closes it itself resets `w`.
class ProjectWindowFixture : public MainWindowFixture
{
  protected:
    std::unique_ptr<app::TFormMain> w;

    void SetUp() override { w = start({sb.sampleProject}); }
    void TearDown() override
    {
        if (!w)
            return;
        if (w->project().isModified())
            prompts.answer(QStringLiteral("File is modified, save it?"), Prompter::No);
        EXPECT_TRUE(close(*w));
    }
};

} // namespace vx::test

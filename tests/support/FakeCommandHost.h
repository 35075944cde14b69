#pragma once

#include "app/CommandHost.h"
#include "app/ProjectCommands.h"
#include "app/RegistryCommands.h"
#include "platform/Installation.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/MainWindowFixture.h"

namespace vx::test {

// A window stand-in for the project, registry and check commands: it holds the project and its
// file and keeps what the commands showed, so that a test drives a command without the window.
class FakeCommandHost : public app::CommandHost
{
  public:
    explicit FakeCommandHost(const QString& delphiHost)
        : m_installation(Installation::locate(delphiHost)), m_macro(m_installation.delphiRoot)
    {
    }

    QWidget* dialogParent() override { return nullptr; }
    ConfigProject& project() override { return m_project; }
    IniFile& projectStore() override { return m_store; }
    const Installation& installation() const override { return m_installation; }
    const PathMacro& macro() const override { return m_macro; }
    QString caption(const QString& objectName) const override { return objectName; }
    bool verifyFilesOnLoad() const override { return false; }
    void storeListLayouts() override {}
    void progressBegin() override {}
    void progressStep(int, const QString&) override {}
    void progressEnd() override {}
    void setInputEnabled(bool) override {}
    QString title() const override { return shownTitle; }
    void setTitle(const QString& title) override { shownTitle = title; }
    QString productName() const override { return QStringLiteral("Vorlix"); }
    void setNoProjectCaption() override { shownTitle = QStringLiteral("Delphi 7 Vorlix"); }
    void showProjectFigures(const app::ProjectFigures& f) override { figures = f; }
    QString shownProjectFile() const override { return figures.file; }
    void showProjectFile(const QString& file) override { figures.file = file; }
    void setButtonEnabled(Button b, bool on) override
    {
        if (b == Button::UndoRegistry)
            undoEnabled = on;
    }
    void showStatus(const QString& text) override { status = text; }
    void showPage(app::Page page) override { shownPage = page; }
    void notifyPageControl() override {}
    void skipNextTick() override {}

    // What the commands showed.
    QString shownTitle, status;
    app::ProjectFigures figures;
    app::Page shownPage = app::Page::Option;
    bool undoEnabled = false;

  private:
    Installation m_installation;
    PathMacro m_macro;
    ConfigProject m_project;
    IniFile m_store;
};

// The project and registry commands on a fake window, with the sandbox's sample project open.
class CommandHostFixture : public MainWindowFixture
{
  protected:
    FakeCommandHost host{sb.delphiHost};
    app::ProjectCommands projects{host};
    app::RegistryCommands registry{host, projects};

    void SetUp() override { ASSERT_TRUE(projects.LoadProject(sb.sampleProject)); }
};

} // namespace vx::test

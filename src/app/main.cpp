// Delphi Vorlix: the program's entry.

#include "app/MainWindow.h"
#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/Splash.h"
#include "app/Startup.h"
#include "platform/CodePage.h"
#include "platform/Installation.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Vorlix7"_s);

    const QString exe = QApplication::applicationFilePath();
    const vx::Installation inst = vx::Installation::locate(QApplication::applicationDirPath());
    // Project and language files that are not UTF-8 are in the prefix's ANSI code page.
    vx::useAnsiCodePageOfPrefix(inst.prefix());
    if (const QString refusal = vx::app::missingDelphiMessage(inst); !refusal.isEmpty()) {
        vx::app::Prompter::current().message(nullptr, {vx::app::Prompter::Icon::Warning, QString::fromUtf16(vx::app::kProductName), refusal,
                                                       vx::app::Prompter::Ok, vx::app::Prompter::Ok, false});
        return 1;
    }

    auto* splash = new vx::app::TFormSplash;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    vx::app::TFormMain window(inst, vx::app::settingsPathFor(exe));
    const QStringList args = QApplication::arguments().mid(1);
    if (window.FormCreate(args) != vx::app::TFormMain::StartResult::Ok) {
        delete splash;
        return 1;
    }
    while (splash->ticks() <= 3)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    delete splash;
    window.show();
    return QApplication::exec();
}

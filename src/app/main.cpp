// Delphi Vorlix: the program's entry.

#include "app/DialogPrompter.h"
#include "app/MainWindow.h"
#include "app/Splash.h"
#include "app/Startup.h"
#include "integration/Associations.h"
#include "integration/EnvironmentHelpers.h"
#include "platform/CodePage.h"
#include "platform/Installation.h"
#include "platform/Version.h"
#include "platform/WineLauncher.h"
#include "project/ProgramPlace.h"
#include "project/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr char kUsage[] = "Usage: vorlix7 [--root DIR] [--prefix DIR] [PROJECT.vx7]\n"
                          "       vorlix7 [--root DIR] [--prefix DIR] --delphi FILE...\n"
                          "Delphi Vorlix: configuration projects of the Delphi 7 IDE under Wine.\n\n"
                          "  PROJECT.vx7       open this project (a host path or a Windows path)\n"
                          "  --delphi FILE...  start the IDE with these files instead of the window\n"
                          "  --root DIR        the Delphi installation's folder (default: this program's\n"
                          "                    folder when Delphi stands there, else the one found, or\n"
                          "                    the one chosen among those found)\n"
                          "  --prefix DIR      the Wine prefix; without --root, the one prefix searched\n"
                          "  --version         print the version\n"
                          "  --help            print this text\n";

} // namespace

int main(int argc, char** argv)
{
    // Answered without a display, before Qt looks for one.
    if (argc == 2 && (std::string_view(argv[1]) == "--version" || std::string_view(argv[1]) == "--help")) {
        if (std::string_view(argv[1]) == "--version")
            std::printf("vorlix7 %s\n", vx::kVersion);
        else
            std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Vorlix7"_s);
    vx::app::DialogPrompter::instance(); // questions are asked with the window's dialogs

    const QString exe = QApplication::applicationFilePath();
    const vx::app::StartOptions options = vx::app::parseStartOptions(QApplication::arguments().mid(1));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "vorlix7: %s\n\n%s", qPrintable(options.error), kUsage);
        return 2;
    }
    const vx::FinderEnvironment env = vx::finderEnvironmentOfProcess();
    const QString configPath = vx::programConfigPath(env.configHome());
    const vx::app::StartInstallation start =
        vx::app::chooseStartInstallation(QApplication::applicationDirPath(), options, env, configPath);
    if (!start.installation) {
        if (!start.refusal.isEmpty())
            vx::Prompter::current().message(nullptr, {vx::Prompter::Icon::Warning,
                                                      QString::fromUtf16(vx::kProductName), start.refusal,
                                                      vx::Prompter::Ok, vx::Prompter::Ok, false});
        return 1;
    }
    const vx::Installation& inst = *start.installation;
    // Project and language files that are not UTF-8 are in the prefix's ANSI code page.
    vx::useAnsiCodePageOfPrefix(inst.prefix());
    const QStringList& args = options.rest;
    // The desktop's handler of the IDE's files: start the IDE with them, without a window.
    if (!args.isEmpty() && args.first() == QLatin1StringView(vx::integration::kDelphiOption)) {
        const vx::ProgramStart started = vx::integration::startDelphi(inst, args.mid(1));
        if (!started.started)
            vx::Prompter::error(nullptr, started.error);
        return started.started ? 0 : 1;
    }
    // Beside the IDE the settings stay beside the program; installed, one file per installation.
    const vx::ProgramFiles files = vx::programFilesFor(exe, QFileInfo(vx::settingsPathFor(exe)).fileName(),
                                                       inst.prefix(), inst.hostRoot, env.configHome());
    if (files.installed)
        QDir().mkpath(QFileInfo(files.settingsFile).absolutePath());

    auto* splash = new vx::app::TFormSplash;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    vx::app::TFormMain window(inst, files.settingsFile);
    window.setLanguageFolders(files.languageFolders);
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

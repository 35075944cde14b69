#pragma once

#include "platform/Installation.h"
#include "platform/InstallationFinder.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vx::app {

// The entry's first check: the IDE's executable must stand beside the program. Returns the
// message to show when it does not (the program then ends before any window exists), or an
// empty text.
QString missingDelphiMessage(const Installation& installation);

// The window's command line: "--root DIR" and "--prefix DIR" (also "--root=DIR") taken out, the
// other arguments kept in their order. `error` names an option given without its folder.
struct StartOptions
{
    QString root, prefix;
    QStringList rest;
    QString error;
};
StartOptions parseStartOptions(const QStringList& arguments);

struct StartInstallation
{
    std::optional<Installation> installation;
    // Why there is none, to show; empty when the user cancelled the choice.
    QString refusal;
};

// The installation the window works on, as the command line chooses it: --root (with --prefix);
// else the program's own folder when Delphi32.exe stands there; else the one installation found
// (in the prefix of --prefix, or in the places of `env`). Among several the user chooses through
// the prompter, the one chosen last (remembered in `configPath`) preselected; a remembered one
// that is no longer found is forgotten. With none, the refusal is the missing-Delphi message,
// the places searched and how to add one.
StartInstallation chooseStartInstallation(const QString& programDir, const StartOptions& options,
                                          const FinderEnvironment& env, const QString& configPath);

} // namespace vx::app

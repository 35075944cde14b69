#pragma once

#include "platform/PathBridge.h"

#include <QString>

namespace vx {

// Where the program stands: the host directory of the Delphi installation, the Wine prefix
// around it and DelphiRoot, the same directory in the Windows form the IDE sees.
struct Installation
{
    QString hostRoot;   // absolute host directory, no trailing slash
    QString delphiRoot; // Windows form with a trailing backslash, e.g. "C:\Program Files\Borland\Delphi7\"
    PathBridge bridge;

    // `prefixOverride` replaces prefix discovery when not empty.
    static Installation locate(const QString& hostDir, const QString& prefixOverride = {});

    const QString& prefix() const { return bridge.prefix(); }
    // DelphiRoot + "bin\Delphi32.exe" and its host path.
    QString delphiExeWindows() const;
    QString delphiExeHost() const;
    // True when that file is there (the start's first check).
    bool hasDelphiExe() const;
};

} // namespace vx

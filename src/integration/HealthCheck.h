#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

class ConfigProject;
class PathBridge;
class PathMacro;

namespace integration {

enum class FindingKind {
    MissingFile,       // an entry's file or folder does not exist
    Duplicate,         // the same file or folder listed twice
    MissingDependency, // a package that a package imports is found nowhere Windows would look
    UnreadableFile,    // a package's file exists but is no PE file whose imports can be read
    WrongMachine,      // a package's file is a PE image for another machine than 32-bit x86
    UnitConflict,      // two packages loaded together contain the same unit
    RuntimeOnly,       // a package marked run-time only is among the design-time packages
};

// "missing-file", "duplicate", "missing-dependency", "unreadable-file", "wrong-machine",
// "unit-conflict", "runtime-only-package".
QString findingKindName(FindingKind kind);

struct Finding
{
    FindingKind kind = FindingKind::MissingFile;
    QString list;   // "experts", "packages", "tools", "searchPath"
    QString entry;  // the entry's name (tool title), or the folder for the search path
    QString file;   // what is missing or doubled; the missing package's file name for a dependency
    QString detail; // one sentence naming the entry and the file
};

// Where the check looks, in Windows form: DelphiRoot comes with the macro; the IDE's system
// directory and the Windows directory are where Windows looks for a package last.
struct HealthCheckPlaces
{
    QString systemDir;  // e.g. "C:\windows\syswow64"
    QString windowsDir; // e.g. "C:\windows"
};

// Checks every entry of the project, checked or not, through the bridge: files of experts,
// packages and tool programs, tools' working directories, packages' include paths and the
// search-path folders must exist; the same file must not be listed twice among the experts,
// among the packages of all groups, or in the search path; a package must be a 32-bit x86 PE
// image (the only kind the IDE's process can load); and every package (".bpl") that a
// package imports or its PACKAGEINFO requires, and every package those need in turn, must be a
// checked package of the project (the IDE has loaded it) or be found in the importing package's
// folder, DelphiRoot's Bin and Projects\Bpl, the system directory or the Windows directory; a
// missing one is reported with the chain that needs it ("a.bpl -> b.bpl -> c.bpl"). Imports of
// other kinds (system DLLs) are not looked up. Each package file is read once, through one map,
// however often it is listed or imported. Of the checked packages, and of the packages
// they load, no two may contain the same unit (weak packaged units, and packages whose duplicate
// check is off, excepted), and none may be marked run-time only, as the IDE refuses both.
std::vector<Finding> checkProjectHealth(const ConfigProject& project, const PathMacro& macro,
                                        const PathBridge& bridge, const HealthCheckPlaces& places);

// Where the check looks in the prefix: its system directory (syswow64 or system32) and C:\windows.
HealthCheckPlaces healthCheckPlaces(const QString& prefixDir);

// The findings of what Apply makes the IDE load: the checked packages, and what they load.
std::vector<Finding> checkPackagesApplyLoads(const ConfigProject& project, const PathMacro& macro,
                                             const PathBridge& bridge, const HealthCheckPlaces& places);

// The report as text: a summary line, then one line per finding ("No problems found." when clean).
QString healthReportText(const std::vector<Finding>& findings);

} // namespace integration
} // namespace vx

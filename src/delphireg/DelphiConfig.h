#pragma once

#include "platform/registry/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vx {

class ConfigProject;
class PathBridge;
class PathMacro;

// The IDE's keys below HKEY_CURRENT_USER.
namespace delphikeys {
inline constexpr char16_t kRoot[] = u"Software\\Borland\\Delphi\\7.0";
inline constexpr char16_t kExperts[] = u"Software\\Borland\\Delphi\\7.0\\Experts";
inline constexpr char16_t kKnownPackages[] = u"Software\\Borland\\Delphi\\7.0\\Known Packages";
// Packages the IDE keeps installed but does not load.
inline constexpr char16_t kDisabledPackages[] = u"Software\\Borland\\Delphi\\7.0\\Disabled Packages";
inline constexpr char16_t kLibrary[] = u"Software\\Borland\\Delphi\\7.0\\Library";
inline constexpr char16_t kTransfer[] = u"Software\\Borland\\Delphi\\7.0\\Transfer";
inline constexpr char16_t kPalette[] = u"Software\\Borland\\Delphi\\7.0\\Palette";
} // namespace delphikeys

// The group names a capture sorts packages into.
inline constexpr char16_t kDelphiGroup[] = u"Delphi7";
inline constexpr char16_t kOtherGroup[] = u"Other";

// A running wineserver keeps the registry in memory and saves changes to the hive files only
// every 30 s or so, so what the files say may be older than what Wine's programs see. Reading is
// still allowed; this is the warning to show then (nullopt when no server runs for the prefix).
// Writing stays refused by the store itself.
std::optional<QString> wineRunningReadWarning(const QString& prefixDir);

// Reads the IDE's experts, search path, packages and Tools entries into the lists of `project`
// (which the caller has just created empty). Only reads. A value of the wrong type or a Tools
// count that is not a number ends the capture with OperationError; rows added so far stay.
// Returns the number of packages captured.
int captureDelphiConfig(RegistryStore& store, ConfigProject& project, const PathMacro& macro);

// The "Search Path" text that applying the project writes: the search-path rows, then the include
// paths of the checked packages, each text once (ASCII case ignored), empty texts skipped.
QString appliedSearchPath(const ConfigProject& project);

// Writes the project's selection into the IDE's keys: checked experts and packages whose files
// exist, checked tools, the search path and RootDir in both roots; the palette layout goes.
// Raises OperationError from the first write that fails; what was written before stays in the
// store (the caller commits it).
void applyProject(RegistryStore& store, const ConfigProject& project, const PathMacro& macro,
                  const PathBridge& bridge);

// The three key trees of the IDE as a REGEDIT4 file.
QByteArray backupDelphiRegistry(const RegistryStore& store);

// Deletes the three key trees of the IDE.
void clearDelphiRegistry(RegistryStore& store);

} // namespace vx

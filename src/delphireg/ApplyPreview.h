#pragma once

#include "project/ProjectDiff.h"

#include <QString>

namespace vx {

class ConfigProject;
class PathBridge;
class PathMacro;
class RegistryStore;

// What Apply would change in the IDE's registry: the configuration read from `scratch` as Get
// Delphi reads it, against the one read back after applying the project to `scratch` (unchecked
// entries and missing files are not written, include paths join the search path). Only what the
// registry keeps is compared. `scratch` is changed: the caller hands a store it never commits
// (a HiveRegistryStore holds its changes in memory until commit()). OperationError from reading
// or applying propagates.
ProjectDiff previewApply(RegistryStore& scratch, const ConfigProject& project, const PathMacro& macro,
                         const PathBridge& bridge);

// The counts, first line of a preview: "Apply makes 2 expert changes, 1 tool change and 3 search
// path changes." (only the lists that change), or "Nothing would change."
QString applyPreviewSummary(const ProjectDiff& diff);

} // namespace vx

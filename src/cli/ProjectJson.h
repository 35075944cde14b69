#pragma once

#include "cli/JsonWriter.h"

namespace vx {

class ConfigProject;
struct ProjectDiff;

// A project as `show --json` prints it: statistics, experts, component groups, tools, search path
// and the lists' layouts. Written as one value; the caller finishes the document.
void writeProjectJson(const ConfigProject& project, JsonWriter& json);

// The changes `diff --json` prints: one list per kind of entry, one object per change.
void writeDiffJson(const ProjectDiff& diff, JsonWriter& json);

} // namespace vx

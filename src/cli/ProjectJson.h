#pragma once

#include "cli/JsonWriter.h"

namespace vx {

class ConfigProject;

// A project as `show --json` prints it: statistics, experts, component groups, tools, search path
// and the lists' layouts. Written piece by piece; the text is what QJsonDocument made of the
// same content.
void writeProjectJson(const ConfigProject& project, JsonWriter& json);

} // namespace vx

#pragma once

#include <QJsonObject>

namespace vx {

class ConfigProject;
struct ProjectDiff;

// A project as `show --json` prints it: statistics, experts, component groups, tools, search path
// and the lists' layouts.
QJsonObject projectJson(const ConfigProject& project);

// The changes `diff --json` prints: one list per kind of entry, one object per change.
QJsonObject diffJson(const ProjectDiff& diff);

} // namespace vx

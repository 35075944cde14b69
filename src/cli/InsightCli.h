#pragma once

// The commands of vorlix7-cli that compare and check configurations: diff, check and apply's
// dry run.

#include "platform/Installation.h"

#include <QString>
#include <QStringList>

namespace vx::cli {

// Exit code of diff and check when the configurations differ or findings were made.
inline constexpr int Differs = 3;

bool isInsightCommand(const QString& command);
// `args` are the positional arguments after the command.
int runInsightCommand(const Installation& inst, const QString& command, const QStringList& args, bool json);

// apply --dry-run PROJECT: what applying would change in the registry, worked out in memory.
int runApplyPreview(const Installation& inst, const QStringList& args, bool json);

} // namespace vx::cli

#pragma once

// The commands of vorlix7-cli that compare and check configurations: diff and check.

#include "platform/Installation.h"

#include <QString>
#include <QStringList>

namespace vx::cli {

// Exit code of diff and check when the configurations differ or findings were made.
inline constexpr int Differs = 3;

bool isInsightCommand(const QString& command);
// `args` are the positional arguments after the command.
int runInsightCommand(const Installation& inst, const QString& command, const QStringList& args, bool json);

} // namespace vx::cli

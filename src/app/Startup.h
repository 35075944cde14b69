#pragma once

#include "platform/Installation.h"

#include <QString>

namespace vx::app {

// The entry's first check: the IDE's executable must stand beside the program. Returns the
// message to show when it does not (the program then ends before any window exists), or an
// empty text.
QString missingDelphiMessage(const Installation& installation);

} // namespace vx::app

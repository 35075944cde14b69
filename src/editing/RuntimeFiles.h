#pragma once

#include <QStringList>

namespace vx::editing {

// The IDE's runtime packages and libraries that the runtime-file copy takes from the Windows
// system directory into DelphiRoot's "Bin" folder, in the order they are listed and copied.
QStringList runtimeFileNames();

} // namespace vx::editing

#pragma once

#include <QString>

namespace vx {

// The user's XDG base directories, by the freedesktop rules: the variable when it holds an
// absolute path (a relative value counts as unset), else its default below the home folder.
QString xdgDataHome();   // $XDG_DATA_HOME, else ~/.local/share
QString xdgConfigHome(); // $XDG_CONFIG_HOME, else ~/.config
QString xdgStateHome();  // $XDG_STATE_HOME, else ~/.local/state

} // namespace vx

#pragma once

namespace vx::app {

// The pages of the main window, in the order of their tabs. The settings keep the page shown
// last by this number.
enum class Page { Experts, Components, Tools, Projects, Option, About };

} // namespace vx::app

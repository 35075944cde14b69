#pragma once

namespace vx::app {

class CommandHost;

// Check on the Projects page: the health check of the lists as they stand in the window (missing
// files, files listed twice, packages whose imported packages are missing), shown through the
// prompter. Reads only.
void checkProjectCommand(CommandHost& host);

} // namespace vx::app

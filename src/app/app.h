// The program as a whole: start-up, then the event loop until the user quits.
#pragma once

#include <string>
#include <vector>

namespace qp {

// The window program's command line, "quillane [PLUGIN]", the window
// system's own options taken out. Returns -1 to go on: the plugin is kept to
// load at start-up, and further ones, which are not loaded, are said once
// the window is up. Otherwise the exit status: 0 for --help or -h (the usage
// on standard output), 1 for an unknown option (the usage on standard error).
int TakeCommandLine(const std::vector<std::string>& args);

// Runs start-up and the event loop on the current platform; returns the exit
// code. The program directory and the platform must be set before.
int RunQuillane();

}  // namespace qp

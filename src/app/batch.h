// quillane-cli: the window's own steps (Load, the name edit's OK, Save as,
// Save, Reset file, the reference check) run on the in-memory window system,
// driven by arguments. What a message box would show goes to standard error;
// "list" prints the 26 tabs and "check" its findings to standard output.
#pragma once

#include <string>
#include <vector>

namespace qp {

// args: the arguments after the program name; argv0 finds the program
// directory when --root does not name one. Returns the exit status.
int RunBatch(const std::vector<std::string>& args, const char* argv0);

}  // namespace qp

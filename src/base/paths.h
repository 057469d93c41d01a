// The program directory: every relative name ("data\Celldata.dat",
// "Voskconv.ini") is resolved against it.
#pragma once

#include <string>

namespace qp {

// The program directory, with a trailing separator.
std::string ProgramDirectory();
// Replaces the program directory (the batch tool's --root, the tests).
void SetProgramDirectory(const std::string& dir);
// The executable's own folder becomes the program directory.
void InitProgramDirectory(const char* argv0);
// A relative name as a native path under the program directory; an absolute
// path only has its separators mapped.
std::string ResolvePath(const std::string& name);

}  // namespace qp

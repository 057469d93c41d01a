// The program directory: every relative name ("data\Celldata.dat",
// "Voskconv.ini") is resolved against it.
#pragma once

#include <optional>
#include <string>

#include "base/notice.h"

namespace qp {

// The program directory, with a trailing separator.
std::string ProgramDirectory();
// Replaces the program directory (the batch tool's --root, the tests).
void SetProgramDirectory(const std::string& dir);
// Finds the program directory from where the executable is (argv0 when the
// system cannot say), by the rule in paths.cpp: the executable's own folder,
// or for an installed program a folder of the user's own, made and seeded on
// first start. What kept that folder from being made or seeded is returned,
// and kept in the workspace for the window to show once it is up.
std::optional<Notice> InitProgramDirectory(const char* argv0);
// The same from a given executable folder.
std::optional<Notice> InitProgramDirectoryFrom(const std::string& exeFolder);
// The files an installed program shares between its users
// (<prefix>/share/quillane/, with a trailing separator), or "" when the
// program runs from its own folder.
std::string InstalledDataDirectory();
// A relative name as a native path under the program directory; an absolute
// path only has its separators mapped.
std::string ResolvePath(const std::string& name);

}  // namespace qp

// quillane-cli build-dictionaries: dictionary files from the two language
// versions of the same master or plugin.
#pragma once

#include <string>
#include <vector>

namespace qp {

// args: the arguments after "build-dictionaries"; argv0 finds the program
// directory when --root does not name one. Returns the exit status.
int RunBuildDictionaries(const std::vector<std::string>& args, const char* argv0 = nullptr);

}  // namespace qp

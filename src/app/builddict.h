// quillane-cli build-dictionaries: dictionary files from the two language
// versions of the same master or plugin.
#pragma once

#include <string>
#include <vector>

namespace qp {

// args: the arguments after "build-dictionaries". Returns the exit status.
int RunBuildDictionaries(const std::vector<std::string>& args);

}  // namespace qp

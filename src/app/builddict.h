// quillane-cli build-dictionaries: dictionary files from the two language
// versions of the same master or plugin.
#pragma once

#include <string>
#include <vector>

namespace qp {

// What build-dictionaries says before its usage errors, and its usage.
extern const char* const kBuildDictionariesUsage;

// fvFile and ovFile: the two versions; root: the program directory, or
// nullptr when argv0 finds it. Returns the exit status.
int RunBuildDictionaries(const std::string& fvFile, const std::string& ovFile, const std::string* root,
                         bool force, const char* argv0 = nullptr);

}  // namespace qp

// Dictionary files from the two language versions of the game's masters or
// of a plugin, pair after pair: the batch tool's build-dictionaries and the
// window's "Build dictionaries..." share these steps.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/dictbuild.h"

namespace qp {

// (FV file, OV file), in the game's load order.
using FilePairs = std::vector<std::pair<std::string, std::string>>;

// Reads every file as Load reads a plugin, with the same checks, and builds
// the set. Returns why it could not, naming the file.
// `reading` hears the name of each file before it is read.
std::optional<std::string> ReadAndBuildDictionaries(const FilePairs& files, DictionaryBuild& built,
                                                    const std::function<void(const std::string&)>& reading = {});
// The dictionary files of the program directory that hold something a
// build would replace (full paths).
std::vector<std::string> ExistingDictionaries();
// Writes the whole set or nothing. Returns what failed.
std::optional<std::string> WriteDictionarySet(const DictionaryBuild& built);
// The report printed after a build: files and entries, records without a
// counterpart, conflicts, the code pages.
std::string DictionaryReport(const DictionaryBuild& built);
// The code page the converted names look written in (the default without a
// telling letter).
int SuggestedCodePage(const DictionaryBuild& built);

// The window's "Build": asks before replacing dictionaries (No the default),
// then builds from the dialog's pairs on the worker, with progress in the
// status bar, and shows the report.
void StartBuildDictionaries();

// What build-dictionaries says before its usage errors, and its usage.
extern const char* const kBuildDictionariesUsage;

// files: FV and OV file, pair after pair; root: the program directory, or
// nullptr when argv0 finds it. Returns the exit status.
int RunBuildDictionaries(const std::vector<std::string>& files, const std::string* root, bool force,
                         const char* argv0 = nullptr);

}  // namespace qp

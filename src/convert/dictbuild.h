// Dictionary files from the two language versions of the same master or
// plugin: records of one type that share what identifies them in both
// versions give a pair (FV name, OV name) or a long-text triple.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/blocktable.h"
#include "platform/codepage.h"

namespace qp {

// A plugin's records (16-byte header included) in file order, as views of
// the table's blocks.
std::vector<std::string_view> RecordsOf(const BlockTable& table);

struct BuiltFile {
    std::string name;   // program-relative, "data\Celldata.dat"
    std::string bytes;  // the whole file
    int entries = 0;    // pairs or triples
    bool triples = false;
};

struct DictionaryBuild {
    std::vector<BuiltFile> files;        // every file of the set, in DictionaryFileNames order
    std::vector<std::string> conflicts;  // names that met more than one counterpart
    std::vector<std::string> unmatched;  // one line per record type with records left alone
    int oneSided = 0;                    // names or texts present in one version only
    // Letters typical of each code page in the names and texts compared,
    // per version (CountTypicalLetters).
    LetterCounts fvLetters{}, ovLetters{};
};

// The 31 files the builder writes: 24 name dictionaries, game settings,
// skills and the five long-text files.
std::vector<std::string> DictionaryFileNames();

// The skill's ID as the skill dictionary keys it: the game's own skill name
// for indices 0 to 26, "Skill N" beyond.
std::string SkillId(int index);

DictionaryBuild BuildDictionaries(const std::vector<std::string_view>& fv,
                                  const std::vector<std::string_view>& ov);

}  // namespace qp

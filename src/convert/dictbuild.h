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

// What one pair of files gave the set.
struct PairFigures {
    std::string fvName, ovName;  // the files, as the user named them
    int fvRecords = 0, ovRecords = 0;  // records with something that identifies them
    int matched = 0;                   // records found in both versions
    int entries = 0;                   // pairs and triples written from its records
    int replaced = 0;                  // its records that a later pair's replaced
    // Why the pair looks wrong (the same file twice, few common records),
    // with the figures; empty when it looks right.
    std::string warning;
};

struct DictionaryBuild {
    std::vector<BuiltFile> files;        // every file of the set, in DictionaryFileNames order
    std::vector<PairFigures> pairs;      // in the order given
    std::vector<std::string> conflicts;  // names that met more than one counterpart
    // Topics whose responses lie under more than one topic of the other
    // version: no pair is guessed for them.
    std::vector<std::string> ambiguousTopics;
    std::vector<std::string> unmatched;  // one line per record type with records left alone
    int oneSided = 0;                    // names or texts present in one version only
    // Letters typical of each code page in the names and texts compared,
    // per version (CountTypicalLetters).
    LetterCounts fvLetters{}, ovLetters{};
};

// The 34 files the builder writes: 24 name dictionaries, game settings,
// skills, the five long-text files, topics, responses and journal entries.
std::vector<std::string> DictionaryFileNames();

// The skill's ID as the skill dictionary keys it: the game's own skill name
// for indices 0 to 26, "Skill N" beyond.
std::string SkillId(int index);

// One pair of versions of a master or plugin, its records as RecordsOf gives them.
struct PluginPair {
    std::string fvName, ovName;
    std::vector<std::string_view> fv, ov;
};

// One set from every pair, in the game's load order: where a later pair holds
// a record with the same identity, its names and texts replace the earlier
// pair's (interior cells and path grids, identified only by their place
// within a plugin, are taken by their FV name across pairs, and so are
// topics).
//
// Dialogue: a response (INFO) is known by its ID in both versions; a topic
// (DIAL of kind topic) of the first version is paired with the topic of the
// second that holds the same responses. Responses and journal entries give
// triples keyed by the INFO ID.
DictionaryBuild BuildDictionaries(const std::vector<PluginPair>& pairs);
DictionaryBuild BuildDictionaries(const std::vector<std::string_view>& fv,
                                  const std::vector<std::string_view>& ov);

// The share of common records under which a pair is warned about.
constexpr int kLeastCommonPercent = 50;

}  // namespace qp

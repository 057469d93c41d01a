// Every translatable string of the loaded plugin, each with an identity that
// survives a reload and a new version of the mod: TYPE|ID|FIELD, "#n" for the
// n-th of a field a record repeats, "@k" for the k-th record of a type the
// file gives the same ID. Built on demand; a Load does not build it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/translatable.h"

namespace qp {

struct CatalogueEntry {
    std::string identity;  // "FACT|Fighters Guild|RNAM#3"
    TextKind kind = TextKind::DisplayName;
    std::string flag;      // a name's row flag; "R" for text that cannot change alone
    std::string before;    // the text before conversion
    std::string after;     // the text the converted plugin carries
    int32_t block = 0;
    int32_t offset = 0;    // the subrecord's offset in its block
    const Translatable* field = nullptr;  // its row of the table
};

struct Catalogue {
    std::vector<CatalogueEntry> entries;  // in file order
    // Each record whose "TYPE|ID" an earlier record of the file holds too,
    // with the suffix its identities got ("@2").
    std::vector<std::pair<std::string, std::string>> repeated;
};

// Walks the loaded plugin and its name lists. Game settings show, as text
// after, what a save makes of them with their pair file: call it inside a
// dictionary command.
Catalogue CatalogueLoadedPlugin();

// The quoted texts a script shows, in text order: every quoted argument of
// MessageBox and Choice, and the text (not the sound file) of Say.
std::vector<std::string> ScriptMessages(std::string_view script);

}  // namespace qp

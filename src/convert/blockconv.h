// Writing edited names into blocks and replacing strings through pair files.
#pragma once

#include <optional>
#include <string>

#include "dictionary/dictfile.h"
#include "plugin/blocks.h"

namespace qp {

// Writes the new name of row r of list g into its block's NAME or FNAM, in
// the place of the whole name (zero bytes inside it included). For a cell the
// pair (name now in the block, new name) is added to cellRenames, the
// pair-file bytes of the running save's renamed cells.
void ApplyNameEdit(int g, int r, const std::string& newName, std::string& cellRenames);
// Sets entry r of name list g's flag and OV name, the one place a row
// changes after a load; its view then shows them.
void MarkRowStored(int g, int r, const std::string& flag, const std::string& ov);
// The bytes of a subrecord's data that hold its text: all but the zero bytes
// at its end, which a replacement leaves in place.
size_t TextSpan(int block, int subOffset);
// The second name of the first pair whose head + A equals cur; nothing when
// no pair matches.
std::optional<std::string_view> PairSecond(std::string_view cur, std::string_view head, const PairFile& pairs);
// Puts head + B in the place of the first span bytes of the subrecord's data
// (the text cur was read from) for the first pair whose head + A equals cur.
// Returns whether a pair matched.
bool ReplaceByPairFile(int block, int subOffset, size_t span, std::string_view cur, std::string_view head,
                       std::string_view pairFile);

}  // namespace qp

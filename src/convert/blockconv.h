// Writing edited names into blocks and replacing strings through pair files.
#pragma once

#include <string>

#include "dictionary/dictfile.h"

namespace qp {

// Writes the new name of row r of list g into its block's NAME or FNAM. For a
// cell the pair (name now in the block, new name) is added to cellRenames,
// the pair-file bytes of the running save's renamed cells.
void ApplyNameEdit(int g, int r, const std::string& newName, std::string& cellRenames);
// Sets entry r of name list g's flag and OV name.
void MarkRowStored(int g, int r, const std::string& flag, const std::string& ov);
// Replaces cur (the text of the subrecord at o) by head + B for the first pair
// whose head + A equals cur. Returns whether a pair matched.
bool ReplaceByPairFile(int block, int subOffset, std::string_view cur, std::string_view head,
                       std::string_view pairFile);
bool ReplaceByPairs(int block, int subOffset, std::string_view cur, std::string_view head,
                    const PairFile& pairs);

}  // namespace qp

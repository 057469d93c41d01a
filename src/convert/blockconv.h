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
// Sets entry r of name list g's flag and OV name.
void MarkRowStored(int g, int r, const std::string& flag, const std::string& ov);
// The bytes of a subrecord's data that hold its text: all but the zero bytes
// at its end, which a replacement leaves in place.
size_t TextSpan(int block, int subOffset);
// For the first pair whose head + A equals cur (the text read from the first
// span bytes of a subrecord's data): the edit that puts head + B in the place
// of those bytes. Nothing when no pair matches.
std::optional<SubrecordEdit> PairEdit(int subOffset, size_t span, std::string_view cur, std::string_view head,
                                      const PairFile& pairs);
// The same edit, made at once in the block. Returns whether a pair matched.
bool ReplaceByPairFile(int block, int subOffset, size_t span, std::string_view cur, std::string_view head,
                       std::string_view pairFile);

}  // namespace qp

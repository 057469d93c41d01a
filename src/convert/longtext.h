// A long text written into its record: a book's text, a description, a
// response or a journal entry, as the text edit dialog's "SAVE" writes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/notice.h"
#include "base/translatable.h"

namespace qp {

// The text becomes the whole data of the row's subrecord in block (its
// terminator too: the data holds exactly the text), every size following;
// the block counts as a text changed since the load and since the last save.
// Refused, with the block as it was: a text past the row's limit, a block
// that is not of the row's record type or lacks the subrecord, a block that
// would outgrow a record.
std::optional<Notice> WriteLongText(const Translatable& f, int32_t block, const std::string& text);

}  // namespace qp

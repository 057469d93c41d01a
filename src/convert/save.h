// The save sequence behind "Save" and "Save as...": the external database,
// the edited names, the game settings and the cell references, then the whole
// plugin, written so that a failure leaves every file as it was.
#pragma once

#include <optional>
#include <string>

#include "base/notice.h"

namespace qp {

// The output path Save as makes of the requester's answer: ".esp" removed
// from the file name wherever it stands, then appended once; "" when no name
// is left.
std::string SaveAsOutputPath(const std::string& chosen);

// The save sequence onto target. Returns what failed; memory, the target and
// the external database are then unchanged. After a success, notices gets
// what the user should know (a damaged dictionary read in part).
std::optional<Notice> RunSaveSequence(const std::string& target, Notices* notices = nullptr);

extern const char* const kMasterSaveMessage;

}  // namespace qp

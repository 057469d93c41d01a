// The external database (dataextra\Extradata.dat): the user's own
// translations, rebuilt by every save and emptied by "Reset file".
#pragma once

#include <optional>
#include <string>

#include "base/notice.h"

namespace qp {

// The 16 bytes of the marker pair ("FFFF", "FFFF").
std::string MarkerPair();
// Leaves the marker pair alone in the external database. Returns what failed.
std::optional<Notice> EraseExternalDatabase();

}  // namespace qp

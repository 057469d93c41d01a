// The external database (dataextra\Extradata.dat): the user's own
// translations, rebuilt by every save and emptied by "Reset file".
#pragma once

#include <string>

namespace qp {

// The 16 bytes of the marker pair ("FFFF", "FFFF").
std::string MarkerPair();
// Mode 1 asks first and reports; mode 0 is silent. Returns false (after a
// message naming the file) when the file could not be written.
bool ResetExternalDatabase(int mode);

}  // namespace qp

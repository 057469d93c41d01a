#pragma once

#include <string>

namespace qp {

// Second status field: label + block + " / " + last. Passes over tens of
// thousands of blocks show every 256th and the last, so the window keeps up.
void ShowBlockProgress(const char* label, int block, int last);

}  // namespace qp

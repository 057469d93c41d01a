// Progress of a pass over the blocks: to the status bar's second field, and
// to the watcher the batch tool sets.
#pragma once

#include <string>

namespace qp {

// label + block + " / " + last. Passes over tens of thousands of blocks show
// every 256th and the last, so the window keeps up.
void ShowBlockProgress(const char* label, int block, int last);
// The read pass: "Reading block : " and the record type.
void ShowReadProgress(const std::string& type);

}  // namespace qp

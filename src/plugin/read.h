// Reading a plugin: the read pass into a block table, the analysis pass that
// converts its names and fills the name lists, and the two together as Load
// runs them.
#pragma once

#include <string>

#include "base/blocktable.h"
#include "base/notice.h"

namespace qp {

// Reads a plugin file into a fresh table. On failure returns false with a
// message naming the problem and the offset; the table is then unusable.
bool ReadPluginFile(const std::string& path, BlockTable& table, std::string& error);
// Walks every block of the loaded plugin: skill list, name lists, conversions.
void AnalysePlugin();

struct LoadOutcome {
    bool loaded = false;
    // A refusal (the plugin loaded before stays, with its rows and status
    // texts), or notices about damaged dictionaries after a load.
    Notices notices;
};
// Reads path and, when it is whole and every dictionary can be read, makes it
// the loaded plugin with its names converted and its name lists filled. The
// list views are the caller's.
LoadOutcome LoadPlugin(const std::string& path);

}  // namespace qp

// The Load command: read a plugin into a block table, convert its names and
// fill the 25 tabs.
#pragma once

#include <string>

#include "plugin/blocks.h"

namespace qp {

void LoadCommand();

// Reads a plugin file into a fresh table. On failure returns false with a
// message naming the problem and the offset; the table is then unusable.
bool ReadPluginFile(const std::string& path, BlockTable& table, std::string& error);
// Walks every block of gTable: skill list, name lists, conversions.
void AnalysePlugin();
// Hands every name list to its list view.
void FillTabs();
// Frees the loaded plugin, its rows and its name lists.
void ResetLoadedPlugin();

}  // namespace qp

// Cell references in doors and travel destinations (DNAM of CELL and NPC_)
// and in dialogue (the first ANAM of INFO, SCVR cell conditions) follow the
// converted cell names.
#pragma once

#include <string>

#include "dictionary/dictfile.h"

namespace qp {

// Builds the link dictionary (the cell renames of this save, the cell
// dictionary, the region dictionary, the external database's bytes; renames
// and database as pair-file bytes) and converts every reference through it.
void ConvertLinks(const std::string& cellRenames, const std::string& externalDatabase);

// The link dictionary as one pair file: each source parsed on its own and
// chained in order, so a damaged source cannot shift the pairs after it.
PairFile BuildLinkDictionary(const std::string& cellRenames, const std::string& externalDatabase);

}  // namespace qp

// Cell references in doors and travel destinations (DNAM of CELL and NPC_)
// and in dialogue (the first ANAM of INFO, SCVR cell conditions) follow the
// converted cell names.
#pragma once

#include <string>

#include "dictionary/dictfile.h"

namespace qp {

// Builds the link dictionary (the cell renames of this save, the cell
// dictionary, the region dictionary, the external database's bytes; renames
// and database as pair-file bytes), converts every reference through it and
// returns it.
PairFile ConvertLinks(const std::string& cellRenames, const std::string& externalDatabase);
// Converts every reference of the loaded plugin through a link dictionary.
void ConvertLinksThrough(const PairFile& links);

// The link dictionary as one pair file: each source parsed on its own and
// chained in order, so a damaged source cannot shift the pairs after it. A
// save creates a missing dictionary empty, as it always has; with
// createMissing false a missing one only reads as empty (the reference check
// writes nothing).
PairFile BuildLinkDictionary(const std::string& cellRenames, const std::string& externalDatabase,
                             bool createMissing = true);

}  // namespace qp

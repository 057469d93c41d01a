// The reference check of the loaded plugin: converted in memory as a save
// would convert it, every record checked, then every block put back. It
// writes no file and leaves the plugin, its rows and its name lists as they
// were.
#pragma once

#include <vector>

#include "base/notice.h"
#include "convert/refcheck.h"

namespace qp {

struct CheckOutcome {
    bool checked = false;
    Notices notices;  // why the check could not run
    std::vector<RefFinding> findings;  // in block order, the lost topic links last
};

// The names compared with: the link dictionary of the save (the cells the
// rows flagged "*" rename, the cell and region dictionaries, the external
// database as the save rebuilds it); known as well are both names of every
// pair of the 24 name dictionaries and of the external database on disk, and
// the name of every cell of the converted plugin. A dictionary that cannot be
// read stops the check, as it stops a save.
CheckOutcome CheckLoadedPlugin();

}  // namespace qp

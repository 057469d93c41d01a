// The save sequence behind "Save" and "Save as...": the external database,
// the edited names, the game settings and the cell references, then the whole
// plugin, written so that a failure leaves every file as it was.
#pragma once

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "base/notice.h"
#include "convert/topics.h"
#include "dictionary/dictfile.h"

namespace qp {

// A row flagged "*": list, row, and the OV name a save writes into its block.
struct StoredRow {
    int list = 0;
    int row = 0;
    std::string ov;
};

// What the save sequence does in memory before it writes a byte, and what the
// reference check needs of it.
struct SaveConversion {
    // The external database as the save writes it: the marker pair, then the
    // (FV name, OV name) of every row flagged "*" or "T".
    std::string database;
    std::vector<StoredRow> stored;
    // Rows flagged "M": stored as "T" rows are, and flagged "T" after the save.
    std::vector<StoredRow> fromMemory;
    // The (FV name, OV name) pairs the external database gets, for the memory.
    std::vector<std::pair<std::string, std::string>> remembered;
    // The link dictionary the cell references went through.
    PairFile links;
    // The topics the dialogue results' AddTopic calls went through.
    TopicRenames topics;
};

enum class ConversionFor {
    Save,   // everything a save converts
    Check,  // the reference check: the names, the topics and the cell
            // references only, and no file created or removed
};

// The conversion of a save on the blocks in memory: the names of the rows
// flagged "*" written into their blocks, the topics the dialogue results add,
// the game settings (a save only), then the cell references. The rows and the name lists are left as they
// are. Every change goes into the block journal when one is open.
SaveConversion ConvertAsSaved(ConversionFor purpose);

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

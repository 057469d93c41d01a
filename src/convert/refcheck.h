// The reference check: the places where a plugin names a cell that a save
// leaves alone (AI escort and follow packages, moved references, scripts and
// dialogue result scripts), and which of those names still stand in the first
// version's form or are known to no dictionary at all. Nothing here changes a
// record: compiled scripts hold the same names, so scripts are only reported.
// Every function takes a record's bytes (16-byte header included) and reads
// nothing outside them; a damaged subrecord size ends the walk of its record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/topics.h"
#include "dictionary/dictfile.h"

namespace qp {

// A cell name passed to a script function.
struct ScriptCellName {
    int line = 0;               // 1-based; CR LF, LF and a lone CR each end a line
    std::string_view function;  // as this file spells it: "GetPCCell", "COC", ...
    std::string name;           // as written, without its quotes
    bool prefix = false;        // the game takes it as the start of a cell name
};

// Every cell-name argument of GetPCCell, PositionCell, PlaceItemCell,
// AIEscortCell, AIFollowCell, CenterOnCell, COC and ShowMap in a script text,
// in text order. Function names in any letter case, arguments separated by
// blanks and/or commas, ';' starts a comment outside quotes.
std::vector<ScriptCellName> ScanScriptCellNames(std::string_view text);

// A cell named in a record where a save does not convert it.
struct CellNamePlace {
    std::string_view via;  // "AI_E", "AI_F", "MVRF", or the script function
    std::string where;     // "AI_E CNDT", "MVRF CNAM", "SCTX line 12", "BNAM line 3"
    std::string name;
    bool prefix = false;
};

// NPC_ and CREA: a CNDT right after AI_E or AI_F; CELL: a CNAM right after
// MVRF; SCPT: the calls in SCTX; INFO: the calls in BNAM. Other records: none.
std::vector<CellNamePlace> CellNamePlaces(std::string_view record);

// What names the record for a translator: its ID as ReadRecordId reads it;
// an exterior cell adds its grid, "Name (x, y)", since many exterior cells
// share one name or have none.
std::string RecordId(std::string_view record);
// The same with the ID given: a cell's name before conversion.
std::string RecordIdNamed(std::string_view record, std::string id);

enum class RefKind {
    Counterpart,  // still the first version's name of a cell the conversion renames
    Unknown,      // no dictionary and no cell of the plugin knows it
    Several,      // the start of several renamed cells that got different names
    TopicLink,    // a response links a topic's old name, and not its new name any more
    ScriptTopic,  // a script's AddTopic names a topic by its old name
};

// The names a check compares with. links: the pairs a save converts cell
// references through (cell renames, cell and region dictionaries, external
// database, in that order: the first pair of a name wins). known: every other
// name that counts as existing (both names of every pair file, the plugin's
// cell names); both names of every link pair count as known as well.
class CellNameIndex {
public:
    CellNameIndex(const PairFile& links, const std::vector<std::string_view>& known);

    // False when the name is no finding; else its kind and counterpart
    // (empty for Unknown; for Several the first few, " | " between them).
    // Letter case is ignored, as the game ignores it. A name whose first
    // pair renames it has that pair's new name as counterpart; a known name
    // is no finding. A prefix name (GetPCCell, ShowMap) that is no whole name
    // stands for the renamed cells it starts whose new names it does not
    // start: one new name is its counterpart, several make it Several.
    bool Classify(std::string_view name, bool prefix, RefKind& kind,
                  std::string& counterpart) const;

private:
    struct Entry {
        std::string a, b, foldedA, foldedB;
    };
    std::vector<Entry> entries_;      // every link pair, in link order
    std::vector<size_t> byA_;         // the first entry of each A, by A
    std::vector<size_t> byFoldedA_;   // the same entries by folded A, then link order
    std::vector<std::string> known_;  // folded, sorted, unique
};

struct RefFinding {
    RefKind kind = RefKind::Unknown;
    std::string type, id, where, name, counterpart;
};

// Appends the findings of one record.
void CheckRecord(std::string_view record, const CellNameIndex& names,
                 std::vector<RefFinding>& out);

// SCPT: each AddTopic of SCTX that names an old topic ("SCTX line 4
// AddTopic"); compiled, so reported and not changed. Other records: none.
void CheckScriptTopics(std::string_view record, const TopicRenames& topics, std::vector<RefFinding>& out);
// A response (INFO id) whose text before conversion links an old topic name
// and whose text after conversion does not link the topic's new name: the
// player loses that link until the response is translated ("NAME link").
void CheckTopicLinks(const std::string& id, std::string_view before, std::string_view after,
                     const TopicRenames& topics, std::vector<RefFinding>& out);

// type TAB id TAB where TAB name TAB counterpart; inside a field a backslash
// is written \\, a TAB \t, a LF \n, a CR \r.
std::string FormatFinding(const RefFinding& f);
// The findings counted by kind: "3 names with a known counterpart, 1 unknown
// name, 0 names with several counterparts", and the topic findings' counts
// after them when there are any.
std::string CountFindings(const std::vector<RefFinding>& findings);
// The last line of a check: "check: " and the counts.
std::string FormatFindingCounts(const std::vector<RefFinding>& findings);

}  // namespace qp

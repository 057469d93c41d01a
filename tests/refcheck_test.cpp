#include <gtest/gtest.h>

#include "convert/refcheck.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// "line function name" for each call, "|" between them; "+" marks a name the
// game takes as the start of a cell name.
std::string Scan(const std::string& text) {
    std::string out;
    for (const qp::ScriptCellName& c : qp::ScanScriptCellNames(text))
        out += (out.empty() ? "" : "|") + std::to_string(c.line) + " " + std::string(c.function) +
               " " + c.name + (c.prefix ? "+" : "");
    return out;
}

// "where=name" for each place, "|" between them.
std::string Places(const std::string& record) {
    std::string out;
    for (const qp::CellNamePlace& p : qp::CellNamePlaces(record))
        out += (out.empty() ? "" : "|") + p.where + "=" + p.name;
    return out;
}

std::string CellData(int32_t flags, int32_t x, int32_t y) {
    return Int32(flags) + Int32(x) + Int32(y);
}

}  // namespace

TEST(RefCheck, ScriptCallsNameTheirCellWhereverTheSyntaxAllows) {
    const std::pair<std::string, std::string> cases[] = {
        {"if ( GetPCCell \"Balmora, Guild of Mages\" == 1 )",
         "1 GetPCCell Balmora, Guild of Mages+"},
        {"if (getpccell Balmora==1)", "1 GetPCCell Balmora+"},
        // Unquoted names end at a blank: the game reads "Ald" here.
        {"ShowMap Ald Velothi", "1 ShowMap Ald+"},
        {"SHOWMAP \"Ald-ruhn\"", "1 ShowMap Ald-ruhn+"},
        {"PositionCell 0 0 0 0 \"A\"", "1 PositionCell A"},
        {"\"Mehra Milo\"->PositionCell, -680, -363, 88 ,270, \"Ministry of Truth\"",
         "1 PositionCell Ministry of Truth"},
        {"player->positioncell 1,2,3,4,Vivec", "1 PositionCell Vivec"},
        {"PlaceItemCell \"gold_001\" \"Hla Oad\" 1 2 3 4", "1 PlaceItemCell Hla Oad"},
        {"x->AIEscortCell, Player, \"Molag Mar\", 0, 1, 2, 3, 0", "1 AIEscortCell Molag Mar"},
        {"AiFollowCell player Suran 0 1 2 3", "1 AIFollowCell Suran"},
        {"CenterOnCell \"Seyda Neen\"\ncoc Ebonheart", "1 CenterOnCell Seyda Neen|2 COC Ebonheart"},
        {"a\r\nShowMap A\rShowMap B\nShowMap C\r\n\r\nShowMap \"D\"",
         "2 ShowMap A+|3 ShowMap B+|4 ShowMap C+|6 ShowMap D+"},
        {"ShowMap \"A;B\" ; ShowMap C", "1 ShowMap A;B+"},
        {"ShowMap \"Open quote", "1 ShowMap Open quote+"},
        {"ShowMap A ShowMap B", "1 ShowMap A+|1 ShowMap B+"},
        // No call: a comment, a longer word, a quoted text, a call cut short.
        {"; PositionCell 0 0 0 0 \"A\"", ""},
        {"GetPCCellX \"A\"\nMyShowMap A\nMessageBox \"ShowMap A\"", ""},
        {"PositionCell 0 0 0 \"A\"\nif ( GetPCCell ) == 1", ""},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Scan(text), expected) << text;
}

TEST(RefCheck, PlacesAndIdsOfEachRecordType) {
    const std::string schd = std::string("my_script") + std::string(43, '\0');
    // record, places, id
    const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
        {"escort and follow",
         Record("NPC_", {{"NAME", Z("guard")}, {"AI_E", std::string(48, 'e')},
                         {"CNDT", Z("Cell A")}, {"AI_F", std::string(48, 'f')},
                         {"CNDT", Z("Cell B")}, {"AI_W", "w"}, {"CNDT", Z("no")},
                         {"CNAM", Z("Guard")}}),
         "AI_E CNDT=Cell A|AI_F CNDT=Cell B", "guard"},
        {"creature", Record("CREA", {{"NAME", Z("rat")}, {"AI_F", ""}, {"CNDT", Z("Cave")}}),
         "AI_F CNDT=Cave", "rat"},
        {"moved reference; a CNAM of a reference is its owner",
         Record("CELL", {{"NAME", Z("Room")}, {"DATA", CellData(1, 5, 6)}, {"MVRF", Int32(7)},
                         {"CNAM", Z("Hall")}, {"FRMR", Int32(8)}, {"NAME", Z("chest")},
                         {"CNAM", Z("Faction")}, {"DATA", std::string(24, '\0')}}),
         "MVRF CNAM=Hall", "Room"},
        {"exterior cells", Record("CELL", {{"NAME", Z("")}, {"DATA", CellData(0, -3, 2)},
                                           {"MVRF", Int32(1)}, {"CNDT", CellData(0, 0, 0)}}),
         "", "(-3, 2)"},
        {"named exterior", Record("CELL", {{"NAME", Z("Balmora")}, {"DATA", CellData(2, 4, -1)}}),
         "", "Balmora (4, -1)"},
        {"script", Record("SCPT", {{"SCHD", schd}, {"SCTX", "Begin x\r\nShowMap \"Gnisis\"\r\n"}}),
         "SCTX line 2=Gnisis", "my_script"},
        {"result script",
         Record("INFO", {{"INAM", Z("12345")}, {"NAME", Z("Hello")}, {"BNAM", "coc X"}}),
         "BNAM line 1=X", "12345"},
        {"other types keep their look-alikes",
         Record("DIAL", {{"NAME", Z("d")}, {"BNAM", "coc X"}, {"AI_E", ""}, {"CNDT", Z("X")}}),
         "", "d"},
        {"empty record", Record("NPC_", {}), "", ""},
        {"shorter than a header", "CEL", "", ""},
        {"size past the end",
         Record("NPC_", {{"NAME", Z("g")}, {"AI_E", ""}, {"CNDT", Z("A")}}) + "AI_F" + Int32(100),
         "AI_E CNDT=A", "g"},
        {"negative size", Record("INFO", {{"INAM", Z("1")}}) + "BNAM" + Int32(-5) + "coc X", "",
         "1"},
        {"header cut", Record("CREA", {{"AI_E", ""}, {"CNDT", Z("A")}}) + "CND", "AI_E CNDT=A", ""},
    };
    for (const auto& [what, record, places, id] : cases) {
        EXPECT_EQ(Places(record), places) << what;
        EXPECT_EQ(qp::RecordId(record), id) << what;
    }
}

TEST(RefCheck, NamesAreJudgedAsTheConversionAndTheGameWouldTakeThem) {
    const qp::PairFile links = qp::ParsePairFile(Pairs({
        {"Balmora", "Bal OV"},
        {"Balmora", "Second"},
        {"Case", "CASE"},
        {"Old", "Mid"},
        {"Mid", "New"},
        {"Vivec, Arena", "Arena OV"},
        {"Vivec, Temple", "Temple OV"},
        {"Vivec, Temple Lower", "Temple OV, Lower"},
        {"Pelagiad, Inn", "Pelagiad, Gasthaus"},
        {"Ald A", "x1"},
        {"Ald B", "x2"},
        {"Ald C", "x3"},
        {"Ald D", "x4"},
    }));
    const std::vector<std::string_view> known = {"Newcell", "Pelagiad"};
    const qp::CellNameIndex index(links, known);
    // name, taken as a start, verdict: "-" no finding, "C:", "U:" or "S:" and the counterpart
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"Balmora", false, "C:Bal OV"},   // the first pair wins
        {"bALMORA", false, "C:Bal OV"},  // the game ignores letter case
        {"Bal OV", false, "-"},          // already converted
        {"case", false, "-"},  // a pair that only changes the case changes nothing in the game
        {"Mid", false, "C:New"},  // an A wins over a B, as in the conversion
        {"Newcell", false, "-"},
        {"NEWCELL", false, "-"},
        {"Nowhere", true, "U:"},
        {"", true, "-"},
        {"Balm", false, "U:"},  // exact-compare functions take no start
        {"Balm", true, "C:Bal OV"},
        {"Vivec, T", true, "C:Temple OV"},  // "Temple OV, Lower" starts with "Temple OV"
        {"vivec", true, "S:Arena OV | Temple OV"},
        {"Ald", true, "S:x1 | x2 | x3 | ..."},
        {"Pelag", true, "-"},     // still the start of the converted name
        {"New", true, "-"},       // the start of a known name
        {"Newc", false, "U:"},
    };
    for (const auto& [name, prefix, expected] : cases) {
        qp::RefKind kind = qp::RefKind::Unknown;
        std::string counterpart = "stale";
        std::string verdict = "-";
        if (index.Classify(name, prefix, kind, counterpart)) {
            verdict = kind == qp::RefKind::Counterpart ? "C:"
                      : kind == qp::RefKind::Unknown   ? "U:"
                                                       : "S:";
            verdict += counterpart;
        }
        EXPECT_EQ(verdict, expected) << name << (prefix ? " as a start" : "");
    }
}

TEST(RefCheck, FindingsPrintOneEscapedLineEachAndACountByKind) {
    const qp::PairFile links =
        qp::ParsePairFile(Pairs({{"Balmora", "Bal OV"}, {"Vivec, A", "A"}, {"Vivec, B", "B"}}));
    const qp::CellNameIndex index(links, {});
    const std::vector<std::string> plugin = {
        Record("NPC_", {{"NAME", Z("guard")}, {"AI_E", ""}, {"CNDT", Z("Balmora")}, {"AI_F", ""},
                        {"CNDT", Z("Bal OV")}}),
        Record("CELL", {{"NAME", Z("Tab\there")}, {"DATA", CellData(1, 0, 0)}, {"MVRF", ""},
                        {"CNAM", Z("back\\slash")}}),
        Record("INFO", {{"INAM", Z("7")}, {"BNAM", "ShowMap Vivec\r\nGetPCCell \"balmora\""}}),
    };
    std::vector<qp::RefFinding> findings;
    std::string lines;
    for (const std::string& r : plugin) qp::CheckRecord(r, index, findings);
    for (const qp::RefFinding& f : findings) lines += qp::FormatFinding(f) + "\n";
    EXPECT_EQ(lines,
              "NPC_\tguard\tAI_E CNDT\tBalmora\tBal OV\n"
              "CELL\tTab\\there\tMVRF CNAM\tback\\\\slash\t\n"
              "INFO\t7\tBNAM line 1\tVivec\tA | B\n"
              "INFO\t7\tBNAM line 2\tbalmora\tBal OV\n");
    EXPECT_EQ(qp::FormatFindingCounts(findings),
              "check: 2 names with a known counterpart, 1 unknown name, "
              "1 name with several counterparts");
}

// What a save writes: edited names, the external database, game settings, cell references.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

const std::string kMarker = Pairs({{"FFFF", "FFFF"}});

std::string Cell(const std::string& name, const std::vector<std::string>& doors = {}) {
    std::vector<Sub> subs = {{"NAME", Z(name)}, {"DATA", std::string(12, '\x02')}};
    for (const auto& d : doors) subs.push_back({"DNAM", Z(d)});
    return Record("CELL", subs);
}

std::string Region(const std::string& name) {
    return Record("REGN", {{"NAME", Z("reg")}, {"FNAM", Z(name)}});
}

}  // namespace

TEST(SaveConvert, DatabaseFollowsTabAndRowOrderAndStoredRowsBecomeT) {
    Env env;
    // A pair no row of this plugin holds is not kept.
    WriteFile(env.ExtDb(), Pairs({{"Ascadian Isles", "Iles Ascadiennes"}, {"Elsewhere", "Ail"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Book L", "Livre L"}}));
    std::string in = env.PutPlugin(
        "in.esp", Plugin({Book("bk1", "Book A"), Book("bk2", "Book L"), Book("bk3", "Book A"),
                          Book("bk4", "Plain"), Region("Ascadian Isles"), Cell("Balmora")}));
    env.Load(in);
    EditName(env, qp::kListBook, 0, "Livre A1");
    EditName(env, qp::kListCell, 0, "Balmora FR");
    // Descending by ID: rows no longer follow blocks, and row 1 now edits bk3.
    env.ui.PushHeaderClick(qp::kListBook, 1);
    env.ui.PushHeaderClick(qp::kListBook, 1);
    env.Run();
    EditName(env, qp::kListBook, 1, "Livre A3");
    env.Save();
    // Same FV name twice with different OV names: both pairs, in row order.
    const std::string expected =
        kMarker + Pairs({{"Balmora", "Balmora FR"}, {"Ascadian Isles", "Iles Ascadiennes"},
                         {"Book A", "Livre A3"}, {"Book A", "Livre A1"}});
    EXPECT_EQ(ReadFile(env.ExtDb()), expected);
    EXPECT_EQ(ReadFile(in),
              Plugin({Book("bk1", "Livre A1"), Book("bk2", "Livre L"), Book("bk3", "Livre A3"),
                      Book("bk4", "Plain"), Region("Iles Ascadiennes"), Cell("Balmora FR")}));
    EXPECT_EQ(env.ui.Rows(qp::kListBook), (std::vector<qp::Row>{{"", "bk4", "Plain", "Plain"},
                                                    {"T", "bk3", "Book A", "Livre A3"},
                                                    {"L", "bk2", "Book L", "Livre L"},
                                                    {"T", "bk1", "Book A", "Livre A1"}}));
    // Nothing edited since: the same database again, the plugin unchanged.
    const std::string written = ReadFile(in);
    env.Save();
    EXPECT_EQ(ReadFile(env.ExtDb()) + ReadFile(in), expected + written);
}

TEST(SaveConvert, SizeFieldsFollowTheEditedName) {
    const std::vector<Sub> bkdt = {{"BKDT", std::string(20, '\x07')}};
    // A zero byte inside a name: the edit takes the whole name, not only what the row shows.
    const std::string lucky("Lucky\0Goat", 10);
    for (const auto& [from, name] : {std::pair{std::string("Short"), "Much Longer"}, {"Short", "Ab"},
                                     {"Short", "Other"}, {lucky, "Geit"}}) {
        SCOPED_TRACE(name);
        Env env;
        std::string in = env.PutPlugin("in.esp", Plugin({Book("bk1", from, bkdt)}));
        env.Load(in);
        EditName(env, qp::kListBook, 0, name);
        env.Save();
        // FNAM and record sizes move; BKDT follows intact.
        EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", name, bkdt)}));
    }
}

TEST(SaveConvert, CellReferencesFollowRenamesDictionariesAndDatabase) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"Vivec", "Vivec FR"}, {"Grid", "Grid T"}, {"Tower", "Tour"}}));
    WriteFile(env.Data("Celldata.dat"),
              Pairs({{"Vivec FR", "Wrong"}, {"Ald-ruhn", "Ald-ruhn FR"}}));
    WriteFile(env.Data("Regndata.dat"), Pairs({{"Bitter Coast", "Cote"}}));
    // Left over from an interrupted save: must neither be used nor survive.
    WriteFile(env.Data("Concat.dat"), Pairs({{"Unknown", "Stale"}}));
    WriteFile(env.Data("Vfvfdata.dat"), Pairs({{"Unknown", "Stale"}}));
    auto info = [](const std::string& a1, const std::string& s1, const std::string& s2) {
        return Record("INFO", {{"INAM", Z("1")}, {"ANAM", Z(a1)}, {"SCVR", s1},
                               {"ANAM", Z("Ald-ruhn")}, {"SCVR", s2}, {"SCVR", "BLX0xAld-ruhn"}});
    };
    auto npc = [](const std::string& d1, const std::string& d2) {
        return Record("NPC_", {{"NAME", Z("guard")}, {"DNAM", Z(d1)},
                               {"DODT", std::string(24, '\x03')}, {"DNAM", Z(d2)}});
    };
    auto grid = [](const std::string& name) {
        return Record("PGRD", {{"DATA", std::string(12, '\x05')}, {"NAME", Z(name)}});
    };
    std::string in = env.PutPlugin(
        "in.esp", Plugin({Cell("Vivec"), grid("Grid"), Book("bk1", "Tower"),
                          Cell("Doors", {"Vivec FR", "Ald-ruhn", "Bitter Coast", "Unknown",
                                         "Tower", "Grid T"}),
                          npc("Ald-ruhn", "Bitter Coast"),
                          info("Ald-ruhn", "5BLX0Ald-ruhn", "5CLX0Ald-ruhn")}));
    env.Load(in);
    EditName(env, qp::kListCell, 0, "Vivec Nouveau");  // block holds "Vivec FR" since the load
    EditName(env, qp::kListPathGrid, 0, "Grid New");       // path grids never rename cells
    env.Save();
    // Only the first ANAM, and SCVR only with BLX0 at characters 2 to 5.
    EXPECT_EQ(ReadFile(in), Plugin({Cell("Vivec Nouveau"), grid("Grid New"), Book("bk1", "Tour"),
                                    Cell("Doors", {"Vivec Nouveau", "Ald-ruhn FR", "Cote",
                                                   "Unknown", "Tour", "Grid T"}),
                                    npc("Ald-ruhn FR", "Cote"),
                                    info("Ald-ruhn FR", "5BLX0Ald-ruhn FR", "5CLX0Ald-ruhn")}));
    EXPECT_EQ(ReadFile(env.ExtDb()), kMarker + Pairs({{"Vivec", "Vivec Nouveau"},
                                                      {"Grid", "Grid New"}, {"Tower", "Tour"}}));
    EXPECT_FALSE(std::filesystem::exists(env.Data("Concat.dat")) ||
                 std::filesystem::exists(env.Data("Vfvfdata.dat")));
}

// The save alone reads the game-setting dictionary: it tells of its damage.
TEST(SaveConvert, GameSettingStringsFirstPairWinsAndTrailingZeroStays) {
    Env env;
    const std::string pairs = Pairs({{"Yes", "Oui"}, {"Yes", "Si"}, {"No", "Non"}, {"Oui", "Chained"}});
    WriteFile(env.Data("Gmstdata.dat"), pairs + Int32(1000) + "ab");
    auto plugin = [](const std::string& yes, const std::string& no) {
        return Plugin({Record("GMST", {{"NAME", Z("sYes")}, {"STRV", yes}}),
                       Record("GMST", {{"NAME", Z("sNo")}, {"STRV", Z(no)}}),
                       Record("GMST", {{"NAME", Z("iNo")}, {"INTV", Int32(5)}}),
                       Record("GMST", {{"NAME", Z("sOther")}, {"STRV", "Other"}})});
    };
    std::string in = env.PutPlugin("in.esp", plugin("Yes", "No"));
    env.Load(in);
    env.Save();
    EXPECT_EQ(ReadFile(in), plugin("Oui", "Non"));
    const auto shown = Shown(env.ui);  // the question of Save, then the notice
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "INFORMATION/1/THE DICTIONARY FILE data\\Gmstdata.dat IS DAMAGED AT BYTE " +
                            std::to_string(pairs.size()) + ".\rTHE REST OF IT WAS IGNORED.");
}

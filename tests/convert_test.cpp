// What a save does to the plugin and the external database: the edited names,
// the rebuilt database, the game settings and the cell references of doors,
// travel and dialogue.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

const std::string kMarker = Pairs({{"FFFF", "FFFF"}});

// Gives row r of tab g a new OV Name through the name edit dialog.
void EditRow(Env& env, int g, int r, const std::string& name) {
    env.ui.ListSelectRow(g, r);
    env.ui.PushControl(g, qp::ControlAction::Activate);
    env.Run();
    ASSERT_TRUE(env.ui.IsDialogOpen(1)) << "tab " << g << " row " << r;
    env.ui.TypeText(qp::kCtlOvField, name);
    env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
    env.Run();
}

std::string Book(const std::string& id, const std::string& name) {
    return Record("BOOK", {{"NAME", Z(id)}, {"FNAM", Z(name)}, {"BKDT", std::string(20, '\x07')}});
}

std::string Cell(const std::string& name, const std::vector<std::string>& doors = {}) {
    std::vector<Sub> subs = {{"NAME", Z(name)}, {"DATA", std::string(12, '\x02')}};
    for (const auto& d : doors) subs.push_back({"DNAM", Z(d)});
    return Record("CELL", subs);
}

}  // namespace

TEST(SaveConvert, DatabaseFollowsTabAndRowOrderAndStoredRowsBecomeT) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"Ascadian Isles", "Iles Ascadiennes"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Book L", "Livre L"}}));
    std::string in = env.PutPlugin(
        "in.esp", Plugin({Book("bk1", "Book A"), Book("bk2", "Book L"), Book("bk3", "Book A"),
                          Book("bk4", "Plain"),
                          Record("REGN", {{"NAME", Z("reg")}, {"FNAM", Z("Ascadian Isles")}}),
                          Cell("Balmora")}));
    env.Load(in);
    EditRow(env, 9, 0, "Livre A1");
    EditRow(env, 9, 2, "Livre A3");
    EditRow(env, 3, 0, "Balmora FR");
    // Two clicks: descending by ID, so the rows no longer follow the blocks.
    env.ui.PushHeaderClick(9, 1);
    env.ui.PushHeaderClick(9, 1);
    env.Run();
    env.Save();

    // Same FV name twice with different OV names: both pairs, in row order.
    const std::string expected =
        kMarker + Pairs({{"Balmora", "Balmora FR"},
                         {"Ascadian Isles", "Iles Ascadiennes"},
                         {"Book A", "Livre A3"},
                         {"Book A", "Livre A1"}});
    EXPECT_EQ(ReadFile(env.ExtDb()), expected);
    EXPECT_EQ(ReadFile(in),
              Plugin({Book("bk1", "Livre A1"), Book("bk2", "Livre L"), Book("bk3", "Livre A3"),
                      Book("bk4", "Plain"),
                      Record("REGN", {{"NAME", Z("reg")}, {"FNAM", Z("Iles Ascadiennes")}}),
                      Cell("Balmora FR")}));
    const std::vector<std::string> flags = {"", "T", "L", "T"};
    for (size_t r = 0; r < flags.size(); ++r) {
        EXPECT_EQ(env.ui.Rows(9)[r][0], flags[r]) << r;
        EXPECT_EQ(qp::gNameLists[9][r].flag, flags[r]) << r;
    }
    EXPECT_EQ(env.ui.Rows(9)[1][3], "Livre A3");
    EXPECT_EQ(qp::gNameLists[9][1].ov, "Livre A3");
    EXPECT_EQ(qp::gNameLists[9][1].fv, "Book A");
    EXPECT_EQ(env.ui.Rows(3)[0][0], "T");

    // Nothing edited since: the same database again, the plugin unchanged.
    const std::string written = ReadFile(in);
    env.Save();
    EXPECT_EQ(ReadFile(env.ExtDb()), expected);
    EXPECT_EQ(ReadFile(in), written);
}

TEST(SaveConvert, DatabaseWithoutStoredRowsIsTheMarkerPairAlone) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"Elsewhere", "Ailleurs"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Book L", "Livre L"}}));
    env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", "Book L"), Book("bk2", "Plain")})));
    env.Save();
    EXPECT_EQ(ReadFile(env.ExtDb()), std::string("\x04\0\0\0FFFF\x04\0\0\0FFFF", 16));
}

TEST(SaveConvert, SizeFieldsFollowTheEditedName) {
    struct Case {
        const char* name;
        int delta;
    } cases[] = {{"Much Longer", 6}, {"Ab", -3}, {"Other", 0}};
    for (const Case& c : cases) {
        Env env;
        std::string in = env.PutPlugin("in.esp", Plugin({Book("bk1", "Short")}));
        env.Load(in);
        const int32_t blockBefore = qp::BlockSize(1);
        const int32_t recordBefore = qp::ReadBlockInt(1, 4);
        EditRow(env, 9, 0, c.name);
        env.Save();
        // Block size, FNAM size and record size all move; BKDT follows intact.
        EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", c.name)})) << c.name;
        EXPECT_EQ(qp::BlockSize(1), blockBefore + c.delta) << c.name;
        EXPECT_EQ(qp::gTable.sizes[1], blockBefore + c.delta) << c.name;
        EXPECT_EQ(qp::ReadBlockInt(1, 4), recordBefore + c.delta) << c.name;
    }
}

TEST(SaveConvert, CellReferencesFollowRenamesDictionariesAndDatabase) {
    Env env;
    WriteFile(env.ExtDb(),
              Pairs({{"Vivec", "Vivec FR"}, {"Grid", "Grid T"}, {"Tower", "Tour"}}));
    WriteFile(env.Data("Celldata.dat"),
              Pairs({{"Vivec FR", "Wrong"}, {"Ald-ruhn", "Ald-ruhn FR"}}));
    WriteFile(env.Data("Regndata.dat"), Pairs({{"Bitter Coast", "Cote"}}));
    // Left over from an interrupted save: must neither be used nor survive.
    WriteFile(env.Data("Concat.dat"), Pairs({{"Unknown", "Stale"}}));
    WriteFile(env.Data("Vfvfdata.dat"), Pairs({{"Unknown", "Stale"}}));
    auto info = [](const std::string& a1, const std::string& a2, const std::string& s1,
                   const std::string& s2, const std::string& s3) {
        return Record("INFO", {{"INAM", Z("1")}, {"ANAM", Z(a1)}, {"SCVR", s1},
                               {"ANAM", Z(a2)}, {"SCVR", s2}, {"SCVR", s3}});
    };
    auto npc = [](const std::string& d1, const std::string& d2) {
        return Record("NPC_", {{"NAME", Z("guard")}, {"DNAM", Z(d1)}, {"DODT", std::string(24, '\x03')},
                               {"DNAM", Z(d2)}});
    };
    auto grid = [](const std::string& name) {
        return Record("PGRD", {{"DATA", std::string(12, '\x05')}, {"NAME", Z(name)}});
    };
    std::string in = env.PutPlugin(
        "in.esp",
        Plugin({Cell("Vivec"), grid("Grid"), Book("bk1", "Tower"),
                Cell("Doors", {"Vivec FR", "Ald-ruhn", "Bitter Coast", "Unknown", "Tower", "Grid T"}),
                npc("Ald-ruhn", "Bitter Coast"),
                info("Ald-ruhn", "Ald-ruhn", "5BLX0Ald-ruhn", "5CLX0Ald-ruhn", "BLX0xAld-ruhn")}));
    env.Load(in);
    EditRow(env, 3, 0, "Vivec Nouveau");  // block holds "Vivec FR" since the load
    EditRow(env, 5, 0, "Grid New");       // path grids never rename cells
    env.Save();

    EXPECT_EQ(ReadFile(in),
              Plugin({Cell("Vivec Nouveau"), grid("Grid New"), Book("bk1", "Tour"),
                      Cell("Doors", {"Vivec Nouveau", "Ald-ruhn FR", "Cote", "Unknown", "Tour",
                                     "Grid T"}),
                      npc("Ald-ruhn FR", "Cote"),
                      info("Ald-ruhn FR", "Ald-ruhn", "5BLX0Ald-ruhn FR", "5CLX0Ald-ruhn",
                           "BLX0xAld-ruhn")}));
    EXPECT_EQ(ReadFile(env.ExtDb()),
              kMarker + Pairs({{"Vivec", "Vivec Nouveau"}, {"Grid", "Grid New"}, {"Tower", "Tour"}}));
    EXPECT_FALSE(std::filesystem::exists(env.Data("Concat.dat")));
    EXPECT_FALSE(std::filesystem::exists(env.Data("Vfvfdata.dat")));
    EXPECT_EQ(env.ui.GetStatusText(1), "Save Block : 6 / 6");
}

TEST(SaveConvert, GameSettingStringsFirstPairWinsAndTrailingZeroStays) {
    Env env;
    WriteFile(env.Data("Gmstdata.dat"),
              Pairs({{"Yes", "Oui"}, {"Yes", "Si"}, {"No", "Non"}, {"Oui", "Chained"}}));
    auto gmst = [](const std::string& id, const std::string& sub, const std::string& value) {
        return Record("GMST", {{"NAME", Z(id)}, {sub, value}});
    };
    std::string in = env.PutPlugin(
        "in.esp", Plugin({gmst("sYes", "STRV", "Yes"), gmst("sNo", "STRV", Z("No")),
                          gmst("iNo", "INTV", Int32(5)), gmst("sOther", "STRV", "Other")}));
    env.Load(in);
    env.Save();
    EXPECT_EQ(ReadFile(in),
              Plugin({gmst("sYes", "STRV", "Oui"), gmst("sNo", "STRV", Z("Non")),
                      gmst("iNo", "INTV", Int32(5)), gmst("sOther", "STRV", "Other")}));
}

TEST(SaveConvert, MissingGameSettingDictionaryIsCreatedOnlyForStringSettings) {
    struct Case {
        const char* sub;
        bool created;
    } cases[] = {{"STRV", true}, {"INTV", false}, {"FLTV", false}};
    for (const Case& c : cases) {
        Env env;
        std::string plugin = Plugin({Record("GMST", {{"NAME", Z("sX")}, {c.sub, "abcd"}})});
        std::string in = env.PutPlugin("in.esp", plugin);
        env.Load(in);
        env.Save();
        EXPECT_EQ(std::filesystem::exists(env.Data("Gmstdata.dat")), c.created) << c.sub;
        if (c.created) {
            EXPECT_EQ(ReadFile(env.Data("Gmstdata.dat")), "");
        }
        EXPECT_EQ(ReadFile(in), plugin) << c.sub;
    }
}

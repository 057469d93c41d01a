// The Load command end to end: requester and configuration, the read pass,
// the per-type analysis with its lookups, the tabs, refusals of bad files, and
// every plugin of the corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/globals.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

// The 23 types named by FNAM, with the list that shows them and their dictionary.
struct FnamType {
    int list;
    const char* type;
    const char* dict;
};
const FnamType kFnamTypes[] = {
    {4, "REGN", "Regndata.dat"},  {6, "ACTI", "Actidata.dat"},  {7, "APPA", "Appadata.dat"},
    {8, "ARMO", "Armodata.dat"},  {9, "BOOK", "Bookdata.dat"},  {10, "CLOT", "Clotdata.dat"},
    {11, "CONT", "Contdata.dat"}, {12, "DOOR", "Doordata.dat"}, {13, "INGR", "Ingrdata.dat"},
    {14, "CREA", "Creadata.dat"}, {15, "SPEL", "Speldata.dat"}, {16, "ALCH", "Alchdata.dat"},
    {17, "LIGH", "Lighdata.dat"}, {18, "LOCK", "Lockdata.dat"}, {19, "MISC", "Miscdata.dat"},
    {20, "PROB", "Probdata.dat"}, {21, "REPA", "Repadata.dat"}, {22, "WEAP", "Weapdata.dat"},
    {23, "NPC_", "Npc_data.dat"}, {24, "RACE", "Racedata.dat"}, {25, "CLAS", "Clasdata.dat"},
    {26, "BSGN", "Bsgndata.dat"}, {27, "FACT", "Factdata.dat"},
};

std::string Named(const std::string& type, const std::string& id, const std::string& name) {
    return Record(type, {{"NAME", Z(id)}, {"MODL", Z("m\\x.nif")}, {"FNAM", Z(name)}});
}
std::string Cell(const std::vector<Sub>& subs) { return Record("CELL", subs); }
std::string Pgrd(const std::string& nameData) {
    return Record("PGRD", {{"DATA", std::string(12, '\0')}, {"NAME", nameData}});
}
std::string Skill(int32_t index) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, '\0')}});
}

qp::NameEntry Entry(const std::string& flag, const std::string& id, const std::string& fv,
                    const std::string& ov, int32_t block) {
    return {flag, id, fv, ov, block};
}

void ExpectEntry(const qp::NameEntry& got, const qp::NameEntry& want, const std::string& where) {
    EXPECT_EQ(got.flag, want.flag) << where;
    EXPECT_EQ(got.id, want.id) << where;
    EXPECT_EQ(got.fv, want.fv) << where;
    EXPECT_EQ(got.ov, want.ov) << where;
    EXPECT_EQ(got.block, want.block) << where;
}

// Row i of every tab shows entry i of its list.
void ExpectRowsMatchLists(qp::HeadlessPlatform& ui) {
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        auto rows = ui.Rows(g);
        ASSERT_EQ(rows.size(), qp::gNameLists[g].size()) << "list " << g;
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto& e = qp::gNameLists[g][i];
            EXPECT_EQ(rows[i], (qp::Row{e.flag, e.id, e.fv, e.ov})) << "list " << g << " row " << i;
        }
    }
}

// The record's data size, every subrecord's size and the block length agree.
void ExpectBlockSizesAgree(int n) {
    int32_t size = qp::BlockSize(n);
    ASSERT_EQ(size, qp::ReadBlockInt(n, 4) + 16) << "block " << n;
    int end = 16;
    qp::WalkSubrecords(n, [&](int p, const std::string&, int32_t len) {
        end = p + 8 + len;
        return true;
    });
    EXPECT_EQ(end, size) << "block " << n;
}

// The text of a name subrecord now in the block.
std::string NameInBlock(int n, const std::string& sub) {
    int p = qp::FindSubrecord(n, sub);
    return p < 0 ? "<none>" : qp::ReadBlockString(n, p + 8, qp::ReadBlockInt(n, p + 4) - 1);
}

}  // namespace

TEST(Load, EveryTypeConvertsThroughItsOwnDictionaryIntoItsOwnTab) {
    Env env;
    std::vector<std::string> records{Cell({{"NAME", Z("Vivec")}, {"DATA", std::string(12, '\0')}}),
                                     Pgrd(Z("Vivec")), Record("GMST", {{"NAME", Z("sX")}})};
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Vivec", "Vivec, Cite"}}));
    for (const auto& t : kFnamTypes) {
        // Each name is only in its own type's dictionary, and grows by 6 bytes.
        std::string name = std::string("Name ") + t.type;
        records.push_back(Named(t.type, std::string("id_") + t.type, name));
        WriteFile(env.Data(t.dict), Pairs({{name, "Nouveau " + name}}));
    }
    std::string path = env.PutPlugin("all.esp", Plugin(records));
    env.Load(path);

    EXPECT_TRUE(env.ui.Messages().empty());
    ASSERT_EQ(qp::LastBlock(), static_cast<int>(records.size()));
    ExpectEntry(qp::gNameLists[3].at(0), Entry("L", "Vivec", "Vivec", "Vivec, Cite", 1), "cell");
    ExpectEntry(qp::gNameLists[5].at(0), Entry("L", "Vivec", "Vivec", "Vivec, Cite", 2), "pgrd");
    int block = 4;
    for (const auto& t : kFnamTypes) {
        std::string name = std::string("Name ") + t.type;
        ASSERT_EQ(qp::gNameLists[t.list].size(), 1u) << t.type;
        ExpectEntry(qp::gNameLists[t.list][0],
                    Entry("L", std::string("id_") + t.type, name, "Nouveau " + name, block), t.type);
        EXPECT_EQ(NameInBlock(block, "FNAM"), "Nouveau " + name) << t.type;
        ++block;
    }
    for (int n = 0; n <= qp::LastBlock(); ++n) ExpectBlockSizesAgree(n);
    ExpectRowsMatchLists(env.ui);

    EXPECT_EQ(env.ui.GetStatusText(0), "File : all.esp");
    std::string last = std::to_string(records.size());
    EXPECT_EQ(env.ui.GetStatusText(1), "Block conversion : " + last + " / " + last);
    EXPECT_EQ(qp::gFileInUse, path);
    // The command has ended: every command open again, no flag left set.
    for (int id : {qp::kMenuLoad, qp::kMenuSave, qp::kMenuSaveAs, qp::kMenuReset, qp::kMenuTextBook,
                   qp::kMenuTextClass, qp::kMenuTextRace, qp::kMenuTextSkill,
                   qp::kMenuTextBirthsign, qp::kMenuEdit})
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(id)) << id;
    EXPECT_EQ(qp::gBusy, 0);
    EXPECT_EQ(qp::gDialogOpen, 0);
}

TEST(Load, LookupOutcomeDecidesFlagNamesAndBlock) {
    Env env;
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Seyda Neen", "Seyda Nin"}}));
    WriteFile(env.Data("Regndata.dat"), Pairs({{"Bitter Coast", "Cote Amere"}}));
    WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
    WriteFile(env.Data("Weapdata.dat"), Pairs({{"Sword", "Epee"}}));
    WriteFile(env.ExtDb(), Pairs({{"Gold", "Or"}, {"Shovel", "Pelle"}}));
    const std::string weapon = Named("WEAP", "w1", "Epee");
    std::vector<std::string> records{
        Cell({{"DATA", std::string(12, '\0')}}),                         // 1: no NAME
        Cell({{"NAME", std::string(1, '\0')}}),                          // 2: unnamed
        Cell({{"NAME", Z("Seyda Neen")}}),                               // 3
        Pgrd(Z("Bitter Coast")),                                         // 4: only a region
        Pgrd(std::string(1, '\0')),                                      // 5
        Record("ARMO", {{"NAME", Z("a1")}, {"MODL", Z("x.nif")}}),       // 6: no FNAM
        Named("MISC", "m1", "Gold"),                                     // 7: database first
        weapon,                                                          // 8: second name
        Named("MISC", "m2", "Pelle"),                                    // 9: database second
        Named("BOOK", "b1", "Unknown"),                                  // 10: nothing
    };
    env.Load(env.PutPlugin("cases.esp", Plugin(records)));

    struct Want {
        int list;
        size_t index;
        qp::NameEntry entry;
        const char* why;
    };
    const Want wants[] = {
        {3, 0, Entry("L", "Seyda Neen", "Seyda Neen", "Seyda Nin", 3), "named cell"},
        {5, 0, Entry("L", "Bitter Coast", "Bitter Coast", "Cote Amere", 4), "pgrd via Regndata"},
        {5, 1, Entry("N", "", "", "", 5), "unnamed pgrd"},
        {8, 0, Entry("N", "a1", "", "", 6), "armor without FNAM"},
        {19, 0, Entry("T", "m1", "Gold", "Or", 7), "database beats dictionary"},
        {22, 0, Entry("L", "w1", "Sword", "Epee", 8), "already the second name"},
        {19, 1, Entry("T", "m2", "Shovel", "Pelle", 9), "database second name"},
        {9, 0, Entry("", "b1", "Unknown", "Unknown", 10), "no pair"},
    };
    for (const auto& w : wants) {
        ASSERT_GT(qp::gNameLists[w.list].size(), w.index) << w.why;
        ExpectEntry(qp::gNameLists[w.list][w.index], w.entry, w.why);
    }
    EXPECT_EQ(qp::gNameLists[3].size(), 1u) << "cells without a usable NAME get no row";
    EXPECT_EQ(qp::gTable.blocks[8], weapon) << "a name already converted stays as it is";
    EXPECT_EQ(NameInBlock(4, "NAME"), "Cote Amere");
    EXPECT_EQ(NameInBlock(7, "FNAM"), "Or");
    for (int n = 0; n <= qp::LastBlock(); ++n) ExpectBlockSizesAgree(n);
    ExpectRowsMatchLists(env.ui);
}

TEST(Load, HeaderOnlyPluginEmptiesEveryTab) {
    Env env;
    WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
    env.Load(env.PutPlugin("a.esp", Plugin({Named("MISC", "m", "Gold"), Cell({{"NAME", Z("C")}})})));
    ASSERT_EQ(env.ui.Rows(19).size(), 1u);
    env.Load(env.PutPlugin("empty.esp", Plugin({})));
    EXPECT_EQ(qp::LastBlock(), 0);
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        EXPECT_TRUE(qp::gNameLists[g].empty()) << g;
        EXPECT_TRUE(env.ui.Rows(g).empty()) << g;
    }
    EXPECT_EQ(env.ui.GetStatusText(0), "File : empty.esp");
    EXPECT_EQ(env.ui.GetStatusText(1), "Block conversion : 0 / 0");
}

TEST(Load, EveryRecordIsReadAndTheCountCorrectedWhicheverWayItLies) {
    for (int32_t declared : {0, 2, 4, 99}) {
        Env env;
        std::string body;
        for (int i = 0; i < 4; ++i) body += Named("MISC", "m" + std::to_string(i), "n");
        env.Load(env.PutPlugin("c.esp", Header(declared) + body));
        EXPECT_EQ(qp::LastBlock(), 4) << declared;
        EXPECT_EQ(qp::ReadBlockInt(0, 320), 4) << declared;
        EXPECT_EQ(qp::gNameLists[19].size(), 4u) << declared;
    }
}

TEST(Load, FourZeroBytesEndThePlugin) {
    Env env;
    std::string bytes = Plugin({Named("MISC", "m0", "a"), Named("MISC", "m1", "b")}) +
                        std::string(4, '\0') + Named("MISC", "m2", "c") + "garbage";
    env.Load(env.PutPlugin("z.esp", bytes));
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(qp::LastBlock(), 2);
    EXPECT_EQ(qp::gNameLists[19].size(), 2u);
    EXPECT_EQ(qp::ReadBlockInt(0, 320), 2);
}

TEST(Load, RequesterStartsInTheFolderReadAfreshFromTheConfiguration) {
    Env env;
    fs::create_directories(env.dir / "mods");
    std::string path = env.PutPlugin("mods/p.esp", Plugin({}));
    env.Load(path);
    std::string folder = qp::FolderPart(path);
    auto ini = ReadFile(env.dir / "Voskconv.ini");
    EXPECT_NE(ini.find("PlugPath = " + folder + "\r\n"), std::string::npos) << ini;

    // Edited by hand between loads, in another letter case.
    WriteFile(env.dir / "Voskconv.ini", "[plugin path]\r\nplugpath = D:\\Morrowind\\Data Files\\\r\n");
    env.Load("");
    // Missing key: the Load's own default.
    WriteFile(env.dir / "Voskconv.ini", "[Window]\r\nWindowWidth = 900\r\n");
    env.Load("");

    auto shown = env.ui.Requesters();
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& r : shown) {
        EXPECT_FALSE(r.save);
        EXPECT_EQ(r.title, "ESP file to load ");
        EXPECT_EQ(r.filterLabel, "ESP (*.esp)");
        EXPECT_EQ(r.pattern, "*.esp");
    }
    EXPECT_EQ(shown[0].folder, "c:\\");
    EXPECT_EQ(shown[1].folder, "D:\\Morrowind\\Data Files\\");
    EXPECT_EQ(shown[2].folder, "c:\\");
    // A cancelled requester writes no configuration.
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), "[Window]\r\nWindowWidth = 900\r\n");
}

namespace {

// What a refused or cancelled load must leave alone.
struct Snapshot {
    std::vector<std::string> blocks;
    std::vector<qp::Row> rows[qp::kLastList + 1];
    std::string file, status0;
    size_t skills = 0;
    static Snapshot Take(qp::HeadlessPlatform& ui) {
        Snapshot s;
        s.blocks = qp::gTable.blocks;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) s.rows[g] = ui.Rows(g);
        s.file = qp::gFileInUse;
        s.status0 = ui.GetStatusText(0);
        s.skills = qp::gSkillList.size();
        return s;
    }
    void ExpectSame(qp::HeadlessPlatform& ui, const std::string& why) const {
        EXPECT_EQ(qp::gTable.blocks, blocks) << why;
        EXPECT_TRUE(qp::gTable.loaded) << why;
        EXPECT_EQ(qp::gFileInUse, file) << why;
        EXPECT_EQ(ui.GetStatusText(0), status0) << why;
        EXPECT_EQ(qp::gSkillList.size(), skills) << why;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) EXPECT_EQ(ui.Rows(g), rows[g]) << why;
        ExpectRowsMatchLists(ui);
        EXPECT_TRUE(ui.IsMenuItemEnabled(qp::kMenuSave)) << why;
        EXPECT_TRUE(ui.IsMenuItemEnabled(qp::kMenuLoad)) << why;
        EXPECT_EQ(qp::gBusy, 0) << why;
    }
};

// A loaded plugin with an edited row, a skill and a converted name.
std::string LoadGoodPlugin(Env& env) {
    WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
    std::string path = env.PutPlugin("good.esp", Plugin({Named("MISC", "m", "Gold"),
                                                         Named("MISC", "k", "Key"), Skill(0)}));
    env.Load(path);
    env.ui.ListSetText(19, 1, 0, "*");
    env.ui.ListSetText(19, 1, 3, "Clef");
    qp::gNameLists[19][1].flag = "*";
    qp::gNameLists[19][1].ov = "Clef";
    return path;
}

}  // namespace

TEST(Load, CancelledRequesterKeepsEverything) {
    Env env;
    LoadGoodPlugin(env);
    Snapshot before = Snapshot::Take(env.ui);
    env.Load("");
    EXPECT_EQ(env.ui.Requesters().size(), 2u);
    EXPECT_TRUE(env.ui.Messages().empty());
    before.ExpectSame(env.ui, "cancel");
}

TEST(Load, BadFileIsRefusedByNameAndOffsetAndThePreviousPluginStays) {
    const std::string good = Named("MISC", "x", "y");
    const std::string off = std::to_string(324 + good.size());
    std::string negative = Record("MISC", {{"NAME", Z("n")}});
    negative.replace(4, 4, Int32(-8));
    std::string past = Record("MISC", {{"NAME", Z("long name")}});
    past.resize(past.size() - 4);
    struct Case {
        const char* why;
        std::string bytes;  // empty: no such file
        std::string offset;  // what the message must name, if anything
    };
    const Case cases[] = {
        {"cannot open", "", ""},
        {"shorter than the header", Header(0).substr(0, 300), ""},
        {"not a plugin", "TES4" + Header(0).substr(4), "OFFSET 0"},
        {"negative size", Header(2) + good + negative, "OFFSET " + off},
        {"record past the end", Header(2) + good + past, "OFFSET " + off},
    };
    for (const Case& c : cases) {
        Env env;
        LoadGoodPlugin(env);
        Snapshot before = Snapshot::Take(env.ui);
        std::string bad = c.bytes.empty() ? (env.dir / "missing.esp").string()
                                          : env.PutPlugin("bad.esp", c.bytes);
        env.Load(bad);
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 1u) << c.why;
        EXPECT_EQ(msgs[0].title, "INFORMATION") << c.why;
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << c.why;
        EXPECT_NE(msgs[0].text.find(bad), std::string::npos) << c.why << ": " << msgs[0].text;
        EXPECT_NE(msgs[0].text.find(c.offset), std::string::npos) << c.why << ": " << msgs[0].text;
        before.ExpectSame(env.ui, c.why);
        EXPECT_EQ(qp::gNameLists[19][1].flag, "*") << c.why;
    }
}

TEST(Load, RefusedFirstLoadLeavesThePluginCommandsOff) {
    Env env;
    env.Load((env.dir / "missing.esp").string());
    EXPECT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_FALSE(qp::gTable.loaded);
    EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuLoad));
    EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuReset));
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuSave));
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuEdit));
}

TEST(Load, ReadOnlyPluginLoads) {
    Env env;
    std::string path = env.PutPlugin("ro.esp", Plugin({Named("MISC", "m", "Gold")}));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    env.Load(path);
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(qp::gFileInUse, path);
    EXPECT_EQ(env.ui.Rows(19).size(), 1u);
}

TEST(Load, SkillsTakeTheirTripleAndNeverOutliveTheirPlugin) {
    Env env;
    WriteFile(env.Data("Skildata.dat"), Triples({{"Block", "Block text", "Parade"},
                                                 {"Armorer", "Armorer text", "Armurier"},
                                                 {"Athletics", "Athletics text", "Athletisme"}}));
    env.Load(env.PutPlugin("s.esp", Plugin({Skill(2), Named("MISC", "m", "x"), Skill(3), Skill(-1)})));
    ASSERT_EQ(qp::gSkillList.size(), 3u);
    const auto& s = qp::gSkillList;
    EXPECT_EQ(s[0].index, 2);
    EXPECT_EQ(s[0].block, 1);
    EXPECT_EQ(s[0].id, "Athletics");
    EXPECT_EQ(s[0].fv, "Athletics text");
    EXPECT_EQ(s[0].ov, "Athletisme");
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(s[i].id + s[i].fv + s[i].ov, "") << "index beyond the skill dictionary";
        EXPECT_EQ(s[i].block, static_cast<int32_t>(i) + 2);
    }
    env.Load(env.PutPlugin("n.esp", Plugin({Named("MISC", "m", "x")})));
    EXPECT_TRUE(qp::gSkillList.empty());
}

TEST(LoadCorpus, EveryFileLoadsWithListsAndRowsInStep) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    // Records after the header, as the corpus lists them.
    std::map<std::string, int> expected;
    std::ifstream tsv(CorpusDir() / "EXPECTED.tsv");
    for (std::string line; std::getline(tsv, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        int bytes = 0, records = 0;
        if (fields >> name >> bytes >> records) expected[name] = records;
    }
    for (const auto& f : CorpusFiles()) {
        SCOPED_TRACE(f.filename().string());
        Env env;
        // Loaded in place: the corpus files are read-only.
        env.Load(f.string());
        EXPECT_TRUE(env.ui.Messages().empty());
        ASSERT_TRUE(qp::gTable.loaded);
        const int last = qp::LastBlock();
        if (expected.count(f.filename().string())) {
            EXPECT_EQ(last, expected[f.filename().string()]);
        }
        EXPECT_EQ(qp::ReadBlockInt(0, 320), last);
        EXPECT_EQ(env.ui.GetStatusText(1),
                  "Block conversion : " + std::to_string(last) + " / " + std::to_string(last));
        ExpectRowsMatchLists(env.ui);
        std::map<std::string, size_t> blocksOfType;
        for (int n = 0; n <= last; ++n) ++blocksOfType[qp::ReadBlockString(n, 0, 4)];
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
            const std::string type = qp::ListRecordType(g);
            if (g != 3) {
                EXPECT_EQ(qp::gNameLists[g].size(), blocksOfType[type]) << type;
            }
            int previous = 0;
            for (const auto& e : qp::gNameLists[g]) {
                ASSERT_TRUE(qp::ValidBlock(e.block)) << type;
                EXPECT_EQ(qp::ReadBlockString(e.block, 0, 4), type);
                EXPECT_GT(e.block, previous) << "entries follow block order";
                previous = e.block;
                // Without dictionaries nothing is converted.
                EXPECT_TRUE(e.flag.empty() || e.flag == "N") << type << " " << e.id;
                if (e.flag.empty()) {
                    EXPECT_EQ(e.fv, e.ov);
                    EXPECT_EQ(NameInBlock(e.block, qp::ListNameSubrecord(g)), e.ov) << type;
                }
            }
        }
        EXPECT_EQ(qp::gSkillList.size(), blocksOfType["SKIL"]);
    }
}

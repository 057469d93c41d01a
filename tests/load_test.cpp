// The Load command end to end. Damaged plugins, odd record counts and four
// zero bytes are in robustness_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "app/globals.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// The types named by FNAM: REGN shows in list 4, the rest in lists 6 to 27.
const char* const kFnamTypes[] = {"REGN", "ACTI", "APPA", "ARMO", "BOOK", "CLOT", "CONT", "DOOR",
                                  "INGR", "CREA", "SPEL", "ALCH", "LIGH", "LOCK", "MISC", "PROB",
                                  "REPA", "WEAP", "NPC_", "RACE", "CLAS", "BSGN", "FACT"};

std::string Named(const std::string& type, const std::string& id, const std::string& name) {
    return Record(type, {{"NAME", Z(id)}, {"MODL", Z("m\\x.nif")}, {"FNAM", Z(name)}});
}
std::string Pgrd(const std::string& nameData) {
    return Record("PGRD", {{"DATA", std::string(12, '\0')}, {"NAME", nameData}});
}
std::string Skill(int32_t index) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, '\0')}});
}
std::string Str(const qp::NameEntry& e) {
    return e.flag + "|" + e.id + "|" + e.fv + "|" + e.ov + "|" + std::to_string(e.block);
}

// Row i of every tab shows entry i of its list.
void ExpectRowsMatchLists(qp::HeadlessPlatform& ui) {
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        std::vector<qp::Row> lists;
        for (const auto& e : qp::gNameLists[g]) lists.push_back({e.flag, e.id, e.fv, e.ov});
        EXPECT_EQ(ui.Rows(g), lists) << "list " << g;
    }
}

std::string NameInBlock(int n, const std::string& sub) {
    int p = qp::FindSubrecord(n, sub);
    return p < 0 ? "<none>" : qp::ReadBlockString(n, p + 8, qp::ReadBlockInt(n, p + 4) - 1);
}

}  // namespace

TEST(Load, EveryTypeConvertsThroughItsOwnDictionaryIntoItsOwnTab) {
    Env env;
    std::vector<std::string> records{
        Record("CELL", {{"NAME", Z("Vivec")}, {"DATA", std::string(12, '\0')}}), Pgrd(Z("Vivec")),
        Record("GMST", {{"NAME", Z("sX")}})};
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Vivec", "Vivec, Cite"}}));
    for (std::string t : kFnamTypes) {
        // Each name is only in its own type's dictionary ("NPC_" -> Npc_data.dat).
        records.push_back(Named(t, "id_" + t, "Name " + t));
        std::string dict = t;
        std::transform(dict.begin() + 1, dict.end(), dict.begin() + 1, ::tolower);
        WriteFile(env.Data(dict + "data.dat"), Pairs({{"Name " + t, "Nouveau Name " + t}}));
    }
    std::string path = env.PutPlugin("all.esp", Plugin(records));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);  // opened read-only
    env.Load(path);

    EXPECT_TRUE(env.ui.Messages().empty());
    ASSERT_EQ(qp::LastBlock(), static_cast<int>(records.size()));
    EXPECT_EQ(Str(qp::gNameLists[3].at(0)), "L|Vivec|Vivec|Vivec, Cite|1");
    EXPECT_EQ(Str(qp::gNameLists[5].at(0)), "L|Vivec|Vivec|Vivec, Cite|2") << "PGRD via Celldata";
    for (int i = 0, block = 4; i < 23; ++i, ++block) {
        const std::string t = kFnamTypes[i], name = "Name " + t;
        const auto& list = qp::gNameLists[i == 0 ? 4 : i + 5];
        ASSERT_EQ(list.size(), 1u) << t;
        EXPECT_EQ(Str(list[0]), "L|id_" + t + "|" + name + "|Nouveau " + name + "|" + std::to_string(block));
        EXPECT_EQ(qp::gTable.blocks[block], Named(t, "id_" + t, "Nouveau " + name)) << "sizes follow";
    }
    ExpectRowsMatchLists(env.ui);
    EXPECT_EQ(env.ui.GetStatusText(0) + "|" + env.ui.GetStatusText(1),
              "File : all.esp|Block conversion : 26 / 26");
    EXPECT_EQ(qp::gFileInUse, path);
    for (int id : {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 20, 21, 25})
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(id)) << id << ": the command has ended";
    EXPECT_EQ(qp::gBusy + qp::gDialogOpen, 0);
}

TEST(Load, LookupOutcomeDecidesFlagNamesAndBlock) {
    Env env;
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Seyda Neen", "Seyda Nin"}}));
    WriteFile(env.Data("Regndata.dat"), Pairs({{"Bitter Coast", "Cote Amere"}}));
    WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
    WriteFile(env.Data("Weapdata.dat"), Pairs({{"Sword", "Epee"}}));
    WriteFile(env.ExtDb(), Pairs({{"Gold", "Or"}, {"Shovel", "Pelle"}}));
    const std::string weapon = Named("WEAP", "w1", "Epee");
    env.Load(env.PutPlugin("cases.esp", Plugin({
        Record("CELL", {{"DATA", std::string(12, '\0')}}),        // 1: no NAME
        Record("CELL", {{"NAME", std::string(1, '\0')}}),         // 2: unnamed
        Record("CELL", {{"NAME", Z("Seyda Neen")}}),              // 3
        Pgrd(Z("Bitter Coast")), Pgrd(std::string(1, '\0')),      // 4: only a region; 5
        Record("ARMO", {{"NAME", Z("a1")}, {"MODL", Z("x.nif")}}),  // 6: no FNAM
        Named("MISC", "m1", "Gold"), weapon,                      // 7, 8
        Named("MISC", "m2", "Pelle"), Named("BOOK", "b1", "Unknown")})));  // 9, 10
    const std::tuple<int, size_t, const char*, const char*> wants[] = {
        {3, 0, "L|Seyda Neen|Seyda Neen|Seyda Nin|3", "named cell"},
        {5, 0, "L|Bitter Coast|Bitter Coast|Cote Amere|4", "PGRD falls back to Regndata"},
        {5, 1, "N||||5", "unnamed PGRD"},
        {8, 0, "N|a1|||6", "armor without FNAM"},
        {19, 0, "T|m1|Gold|Or|7", "database beats dictionary"},
        {22, 0, "L|w1|Sword|Epee|8", "already the second name"},
        {19, 1, "T|m2|Shovel|Pelle|9", "database second name"},
        {9, 0, "|b1|Unknown|Unknown|10", "no pair"},
    };
    for (const auto& [list, index, entry, why] : wants) {
        ASSERT_GT(qp::gNameLists[list].size(), index) << why;
        EXPECT_EQ(Str(qp::gNameLists[list][index]), entry) << why;
    }
    EXPECT_EQ(qp::gNameLists[3].size(), 1u) << "cells without a usable NAME get no row";
    EXPECT_EQ(qp::gTable.blocks[8], weapon) << "a name already converted stays as it is";
    EXPECT_EQ(qp::gTable.blocks[4] + qp::gTable.blocks[7],
              Pgrd(Z("Cote Amere")) + Named("MISC", "m1", "Or"));
    ExpectRowsMatchLists(env.ui);
}

TEST(Load, RequesterStartsInTheFolderReadAfreshFromTheConfiguration) {
    Env env;
    env.Load(env.PutPlugin("mods/p.esp", Plugin({})));
    // Edited by hand between loads, in another letter case; then without the key.
    WriteFile(env.dir / "Voskconv.ini", "[plugin path]\r\nplugpath = D:\\Morrowind\\Data Files\\\r\n");
    env.Load("");
    WriteFile(env.dir / "Voskconv.ini", "[Window]\r\nWindowWidth = 900\r\n");
    env.Load("");
    auto shown = env.ui.Requesters();
    std::string all;
    for (const auto& r : shown)
        all += std::to_string(r.save) + "|" + r.title + "|" + r.filterLabel + "|" + r.pattern +
               "|" + r.folder + "\n";
    EXPECT_EQ(all, "0|ESP file to load |ESP (*.esp)|*.esp|c:\\\n"
                   "0|ESP file to load |ESP (*.esp)|*.esp|D:\\Morrowind\\Data Files\\\n"
                   "0|ESP file to load |ESP (*.esp)|*.esp|c:\\\n");
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), "[Window]\r\nWindowWidth = 900\r\n")
        << "a cancelled requester writes no configuration";
}

namespace {

// What a refused or cancelled load must leave alone.
auto State(qp::HeadlessPlatform& ui) {
    std::vector<std::vector<qp::Row>> rows;
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) rows.push_back(ui.Rows(g));
    return std::make_tuple(qp::gTable.blocks, qp::gTable.loaded, rows, qp::gFileInUse,
                           ui.GetStatusText(0), ui.GetStatusText(1), qp::gSkillList.size(),
                           ui.IsMenuItemEnabled(qp::kMenuSave), qp::gBusy.load());
}

}  // namespace

TEST(Load, RefusedOrCancelledLoadKeepsThePreviousPlugin) {
    const std::tuple<const char*, std::string, std::string> cases[] = {
        // why, bytes (empty: no such file), what the message names besides the file
        {"cancelled", "", ""},
        {"cannot open", "", ""},
        {"shorter than the header", Header(0).substr(0, 300), ""},
        {"not a plugin", "TES4" + Header(0).substr(4), "OFFSET 0"},
    };
    for (const auto& [why, bytes, says] : cases) {
        SCOPED_TRACE(why);
        Env env;
        WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
        env.Load(env.PutPlugin("good.esp", Plugin({Named("MISC", "m", "Gold"),
                                                   Named("MISC", "k", "Key"), Skill(0)})));
        // An edited row must survive too.
        env.ui.ListSetText(19, 1, 0, "*");
        qp::gNameLists[19][1].flag = "*";
        const auto before = State(env.ui);
        const bool cancel = std::string(why) == "cancelled";
        const std::string bad = cancel ? "" : bytes.empty() ? (env.dir / "missing.esp").string()
                                                            : env.PutPlugin("bad.esp", bytes);
        env.Load(bad);
        EXPECT_EQ(State(env.ui), before);
        ExpectRowsMatchLists(env.ui);
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), cancel ? 0u : 1u);
        if (cancel) continue;
        EXPECT_EQ(msgs[0].title, "INFORMATION");
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop);
        EXPECT_NE(msgs[0].text.find(bad), std::string::npos) << msgs[0].text;
        EXPECT_NE(msgs[0].text.find(says), std::string::npos) << msgs[0].text;
    }
}

TEST(Load, RefusedFirstLoadLeavesThePluginCommandsOff) {
    Env env;
    env.Load((env.dir / "missing.esp").string());
    EXPECT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_FALSE(qp::gTable.loaded);
    for (int id : {qp::kMenuSave, qp::kMenuEdit, qp::kMenuLoad, qp::kMenuReset})
        EXPECT_EQ(env.ui.IsMenuItemEnabled(id), id == qp::kMenuLoad || id == qp::kMenuReset) << id;
}

TEST(Load, SkillsTakeTheirTripleAndNeverOutliveTheirPluginAndAnEmptyPluginEmptiesEveryTab) {
    Env env;
    WriteFile(env.Data("Skildata.dat"), Triples({{"Block", "Block text", "Parade"},
                                                 {"Armorer", "Armorer text", "Armurier"},
                                                 {"Athletics", "Athletics text", "Athletisme"}}));
    env.Load(env.PutPlugin("s.esp", Plugin({Skill(2), Named("MISC", "m", "x"), Skill(3), Skill(-1)})));
    std::vector<std::string> skills;  // index, block, id, fv, ov
    for (const auto& s : qp::gSkillList)
        skills.push_back(std::to_string(s.index) + "|" + std::to_string(s.block) + "|" + s.id +
                         "|" + s.fv + "|" + s.ov);
    EXPECT_EQ(skills, (std::vector<std::string>{"2|1|Athletics|Athletics text|Athletisme",
                                                "3|3|||", "-1|4|||"}))
        << "an index beyond the skill dictionary gives empty strings";
    // A header-only plugin empties every tab and the skill list.
    env.Load(env.PutPlugin("empty.esp", Plugin({})));
    EXPECT_TRUE(qp::gSkillList.empty());
    EXPECT_EQ(qp::LastBlock(), 0);
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) EXPECT_TRUE(qp::gNameLists[g].empty()) << g;
    ExpectRowsMatchLists(env.ui);
    EXPECT_EQ(env.ui.GetStatusText(0) + "|" + env.ui.GetStatusText(1),
              "File : empty.esp|Block conversion : 0 / 0");
}

TEST(LoadCorpus, EveryFileLoadsWithListsAndRowsInStep) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        SCOPED_TRACE(f.filename().string());
        Env env;
        env.Load(f.string());  // in place: the corpus files are read-only
        EXPECT_TRUE(env.ui.Messages().empty());
        ASSERT_TRUE(qp::gTable.loaded);
        const int last = qp::LastBlock();
        EXPECT_EQ(qp::ReadBlockInt(0, 320), last);
        ExpectRowsMatchLists(env.ui);
        std::map<std::string, size_t> blocksOfType;
        for (int n = 0; n <= last; ++n) ++blocksOfType[qp::ReadBlockString(n, 0, 4)];
        EXPECT_EQ(qp::gSkillList.size(), blocksOfType["SKIL"]);
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
            const std::string type = qp::ListRecordType(g);
            if (g != 3) {
                EXPECT_EQ(qp::gNameLists[g].size(), blocksOfType[type]) << type;
            }
            int previous = 0;
            for (const auto& e : qp::gNameLists[g]) {
                ASSERT_GT(e.block, previous) << type << ": entries follow block order";
                ASSERT_TRUE(qp::ValidBlock(e.block));
                EXPECT_EQ(qp::ReadBlockString(e.block, 0, 4), type);
                previous = e.block;
                // Without dictionaries nothing is converted.
                EXPECT_TRUE(e.flag.empty() || e.flag == "N") << type << " " << e.id;
                if (e.flag.empty()) {
                    EXPECT_EQ(e.fv, e.ov);
                    EXPECT_EQ(NameInBlock(e.block, qp::ListNameSubrecord(g)), e.ov) << type;
                }
            }
        }
    }
}

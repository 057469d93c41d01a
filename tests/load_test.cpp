// The Load command end to end; damaged plugins are in robustness_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "base/workspace.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "base/paths.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// The types named by FNAM: REGN shows in list 4, the rest in lists 6 to 27.
const char* const kFnamTypes[] = {"REGN", "ACTI", "APPA", "ARMO", "BOOK", "CLOT", "CONT", "DOOR",
                                  "INGR", "CREA", "SPEL", "ALCH", "LIGH", "LOCK", "MISC", "PROB",
                                  "REPA", "WEAP", "NPC_", "RACE", "CLAS", "BSGN", "FACT"};

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
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) EXPECT_EQ(ui.Rows(g), EntryRows(g)) << "list " << g;
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
        records.push_back(Object(t, "id_" + t, "Name " + t));
        std::string dict = t;
        std::transform(dict.begin() + 1, dict.end(), dict.begin() + 1, ::tolower);
        WriteFile(env.Data(dict + "data.dat"), Pairs({{"Name " + t, "Nouveau Name " + t}}));
    }
    std::string path = env.PutPlugin("all.esp", Plugin(records));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);  // opened read-only
    env.Load(path);

    EXPECT_TRUE(env.ui.Messages().empty());
    ASSERT_EQ(qp::LastBlock(), static_cast<int>(records.size()));
    EXPECT_EQ(Str(qp::gWs.nameLists[qp::kListCell].at(0)), "L|Vivec|Vivec|Vivec, Cite|1");
    EXPECT_EQ(Str(qp::gWs.nameLists[qp::kListPathGrid].at(0)), "L|Vivec|Vivec|Vivec, Cite|2") << "PGRD via Celldata";
    for (int i = 0, block = 4; i < 23; ++i, ++block) {
        const std::string t = kFnamTypes[i], name = "Name " + t;
        const auto& list = qp::gWs.nameLists[i == 0 ? qp::kListRegion : qp::kListActivator + i - 1];
        ASSERT_EQ(list.size(), 1u) << t;
        EXPECT_EQ(Str(list[0]), "L|id_" + t + "|" + name + "|Nouveau " + name + "|" +
                                    std::to_string(block));
        EXPECT_EQ(qp::gWs.table.blocks[block], Object(t, "id_" + t, "Nouveau " + name)) << "sizes";
    }
    ExpectRowsMatchLists(env.ui);
    EXPECT_EQ(env.ui.GetStatusText(0) + "|" + env.ui.GetStatusText(1),
              "File : all.esp|Block conversion : 26 / 26");
    EXPECT_EQ(EnabledMenus(env.ui), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 20 21 25 ") << "the command has ended";
    EXPECT_EQ(qp::gWs.busy + qp::gWs.dialogOpen, 0);
}

TEST(Load, LookupOutcomeDecidesFlagNamesAndBlock) {
    Env env;
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Seyda Neen", "Seyda Nin"}}));
    WriteFile(env.Data("Regndata.dat"), Pairs({{"Bitter Coast", "Cote Amere"}}));
    WriteFile(env.Data("Miscdata.dat"), Pairs({{"Gold", "Argent"}}));
    WriteFile(env.Data("Weapdata.dat"), Pairs({{"Sword", "Epee"}}));
    WriteFile(env.ExtDb(), Pairs({{"Gold", "Or"}, {"Shovel", "Pelle"}}));
    const std::string weapon = Object("WEAP", "w1", "Epee");
    env.Load(env.PutPlugin("cases.esp", Plugin({
        Record("CELL", {{"DATA", std::string(12, '\0')}}),        // 1: no NAME
        Record("CELL", {{"NAME", std::string(1, '\0')}}),         // 2: unnamed
        Record("CELL", {{"NAME", Z("Seyda Neen")}}),              // 3
        Pgrd(Z("Bitter Coast")), Pgrd(std::string(1, '\0')),      // 4: only a region; 5
        Record("ARMO", {{"NAME", Z("a1")}, {"MODL", Z("x.nif")}}),  // 6: no FNAM
        Object("MISC", "m1", "Gold"), weapon,                      // 7, 8
        Object("MISC", "m2", "Pelle"), Object("BOOK", "b1", "Unknown")})));  // 9, 10
    const std::tuple<int, size_t, const char*, const char*> wants[] = {
        {qp::kListCell, 0, "L|Seyda Neen|Seyda Neen|Seyda Nin|3", "named cell"},
        {qp::kListPathGrid, 0, "L|Bitter Coast|Bitter Coast|Cote Amere|4", "PGRD falls back to Regndata"},
        {qp::kListPathGrid, 1, "N||||5", "unnamed PGRD"},
        {qp::kListArmor, 0, "N|a1|||6", "armor without FNAM"},
        {qp::kListMisc, 0, "T|m1|Gold|Or|7", "database beats dictionary"},
        {qp::kListWeapon, 0, "L|w1|Sword|Epee|8", "already the second name"},
        {qp::kListMisc, 1, "T|m2|Shovel|Pelle|9", "database second name"},
        {qp::kListBook, 0, "|b1|Unknown|Unknown|10", "no pair"},
    };
    for (const auto& [list, index, entry, why] : wants) EXPECT_EQ(Str(qp::gWs.nameLists[list].at(index)), entry) << why;
    EXPECT_EQ(qp::gWs.nameLists[qp::kListCell].size(), 1u) << "cells without a usable NAME get no row";
    EXPECT_EQ(qp::gWs.table.blocks[8], weapon) << "a name already converted stays as it is";
    EXPECT_EQ(JoinedBlocks({4, 7}),
              Pgrd(Z("Cote Amere")) + Object("MISC", "m1", "Or"));
    ExpectRowsMatchLists(env.ui);
}

TEST(Load, RequesterStartsInTheFolderReadAfreshFromTheConfiguration) {
    Env env;
    env.Load(env.PutPlugin("mods/p.esp", Plugin({})));
    // Edited by hand between loads, in another letter case; then without the key.
    const std::string mods = (env.dir / "mods").string();
    for (const std::string& ini : {"[plugin path]\r\nplugpath = " + mods + "\r\n",
                                  std::string("[Window]\r\nWindowWidth = 900\r\n")}) {
        WriteFile(env.dir / "Voskconv.ini", ini);
        env.Load("");
    }
    const auto shown = env.ui.Requesters();
    std::string all = shown.at(0).title + "|" + shown[0].filterLabel + "|" + shown[0].pattern;
    for (const auto& r : shown) all += "|" + std::to_string(r.save) + r.folder;
    const std::string plugins = qp::ResolvePath("plugins");  // nothing stored
    EXPECT_EQ(all, "ESP file to load |ESP (*.esp)|*.esp|0" + plugins + "|0" + mods + "|0" + plugins);
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), "[Window]\r\nWindowWidth = 900\r\n")
        << "a cancelled requester writes no configuration";
}

// A cancelled requester and a file that cannot be opened leave the previous
// plugin, an edited row included; a first refused load leaves Save off.
TEST(Load, RefusedOrCancelledLoadKeepsThePreviousPlugin) {
    Env env;
    const std::string missing = (env.dir / "missing.esp").string();
    env.Load(missing);
    EXPECT_EQ(EnabledMenus(env.ui) + std::to_string(qp::gWs.table.loaded), "1 4 5 7 8 20 21 0");
    env.Load(env.PutPlugin("good.esp", Plugin({Object("MISC", "m", "Gold"), Skill(0)})));
    env.ui.ListSetText(qp::kListMisc, 0, 0, "*");
    qp::gWs.nameLists[qp::kListMisc][0].flag = "*";
    auto state = [&] {
        std::vector<std::vector<qp::Row>> rows;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) rows.push_back(env.ui.Rows(g));
        return std::make_tuple(qp::gWs.table.blocks, rows, qp::gWs.fileInUse, env.ui.GetStatusText(0),
                               env.ui.GetStatusText(1), qp::gWs.skills.size(),
                               EnabledMenus(env.ui));
    };
    const auto before = state();
    for (const std::string& bad : {std::string(), missing}) {
        if (!bad.empty()) env.ui.PushAnswer(qp::Answer::Yes);  // the edit may go: the refusal keeps it
        env.Load(bad);
        EXPECT_EQ(state(), before) << bad;
        ExpectRowsMatchLists(env.ui);
    }
    ASSERT_EQ(env.ui.Messages().size(), 3u) << "the cancel shows nothing";
    EXPECT_NE(env.ui.Messages()[2].text.find(missing), std::string::npos);
}

// Skills take their triple and never outlive their plugin.
TEST(Load, SkillsAndAnEmptyPlugin) {
    Env env;
    WriteFile(env.Data("Skildata.dat"), Triples({{"Block", "Block text", "Parade"},
                                                 {"Armorer", "Armorer text", "Armurier"},
                                                 {"Athletics", "Athletics text", "Athletisme"}}));
    env.Load(env.PutPlugin("s.esp", Plugin({Skill(2), Object("MISC", "m", "x"), Skill(3),
                                            Skill(-1)})));
    std::vector<std::string> skills;  // index, block, id, fv, ov
    for (const auto& s : qp::gWs.skills)
        skills.push_back(std::to_string(s.index) + "|" + std::to_string(s.block) + "|" + s.id +
                         "|" + s.fv + "|" + s.ov);
    EXPECT_EQ(skills, (std::vector<std::string>{"2|1|Athletics|Athletics text|Athletisme",
                                                "3|3|||", "-1|4|||"}))
        << "an index beyond the skill dictionary gives empty strings";
    // Nothing of a plugin outlives it: a header-only one empties every list.
    env.Load(env.PutPlugin("empty.esp", Plugin({})));
    EXPECT_TRUE(qp::gWs.skills.empty());
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
        EXPECT_TRUE(qp::gWs.nameLists[g].empty() && env.ui.Rows(g).empty()) << g;
}

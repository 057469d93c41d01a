// The dictionary builder: pairs and triples from two language versions of the
// same plugin, and the round trip through Load and Save as.
#include <gtest/gtest.h>

#include <map>

#include "cli/build_dictionaries.h"
#include "cli/dict_builder.h"
#include "dictionary/dictfile.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

using PairList = std::vector<std::pair<std::string, std::string>>;
using Triple = std::array<std::string, 3>;

std::string With(const std::string& type, std::vector<Sub> subs, const std::vector<Sub>& more) {
    subs.insert(subs.end(), more.begin(), more.end());
    return Record(type, subs);
}
std::string Obj(const std::string& type, const std::string& id, const std::string& name, std::vector<Sub> more = {}) {
    return With(type, {{"NAME", Z(id)}, {"FNAM", Z(name)}}, more);
}
std::string Cell(const std::string& name, bool interior, int32_t x, int32_t y, std::vector<Sub> more = {}) {
    return With("CELL", {{"NAME", Z(name)}, {"DATA", Int32(interior ? 1 : 0) + Int32(x) + Int32(y)}}, more);
}
std::string Pgrd(const std::string& n, int32_t x, int32_t y) {
    return Record("PGRD", {{"DATA", Int32(x) + Int32(y) + std::string(4, '\0')}, {"NAME", Z(n)}});
}
std::string Gmst(const std::string& id, const std::string& v) { return Record("GMST", {{"NAME", Z(id)}, {"STRV", v}}); }
std::string Skil(int32_t index, const std::string& desc) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, '\0')}, {"DESC", desc}});
}
// A plugin as the builder sees it: the header record, then the records.
std::vector<std::string> Records(std::vector<std::string> recs) {
    recs.insert(recs.begin(), Header(static_cast<int32_t>(recs.size())));
    return recs;
}
PairList PairsOf(const fs::path& p) { return qp::ParsePairFile(ReadFile(p)).pairs; }
std::vector<Triple> TriplesOf(const fs::path& p) { return qp::ParseTripleFile(ReadFile(p)).triples; }

int Build(Env& env, const std::string& fv, const std::string& ov, const std::string& extra = "") {
    std::vector<std::string> args{env.PutPlugin("fv.esp", fv), env.PutPlugin("ov.esp", ov), "--root", env.dir.string()};
    if (!extra.empty()) args.push_back(extra);
    testing::internal::CaptureStdout();
    int rc = qp::RunBuildDictionaries(args);
    testing::internal::GetCapturedStdout();
    return rc;
}

// Records are matched by what identifies them in both versions, never by
// file order (except interior cells, which have nothing else).
TEST(BuildDictionaries, MatchesEveryKindOfRecordByItsIdentity) {
    Env env;
    std::string fv = Plugin({
        Cell("Mossfield", false, 1, 2), Cell("Old Inn", true, 0, 0), Cell("Harbor", false, 1, 4),
        Cell("Cellar", true, 0, 0), Pgrd("Mossfield", 1, 2), Pgrd("Old Inn", 0, 0), Pgrd("Cellar", 0, 0),
        Obj("REGN", "reg_moss", "Moss Lands"), Obj("NPC_", "npc_a", "Guard"), Obj("NPC_", "npc_b", "Smith"),
        Obj("NPC_", "npc_c", "Ulf"), Obj("WEAP", "w1", "Short Sword"), Gmst("sYes", "Yes"), Gmst("sNo", "No"),
        Gmst("iLevel", ""), Obj("BOOK", "bk1", "Letter", {{"TEXT", "Dear friend"}}),
        Obj("CLAS", "cl1", "Ranger", {{"DESC", "Walks far."}}), Skil(2, "Hitting things."),
        Gmst("sSkillMediumarmor", "Medium Armor"),
    });
    // Same records, partly reordered; interior cells keep their order.
    std::string ov = Plugin({
        Cell("Lunebro", false, 1, 4), Cell("Vieux Logis", true, 0, 0), Cell("Mossenfeld", false, 1, 2),
        Cell("Kellar", true, 0, 0), Pgrd("Vieux Logis", 0, 0), Pgrd("Mossenfeld", 1, 2), Pgrd("Kellar", 0, 0),
        Obj("REGN", "reg_moss", "Mossmark"), Obj("NPC_", "npc_c", "Ulf"), Obj("NPC_", "npc_b", "Smed"),
        Obj("NPC_", "npc_a", "Vakt"), Obj("WEAP", "w1", "Kortsverd"), Gmst("sNo", "Nei"), Gmst("sYes", "Ja"),
        Gmst("iLevel", ""), Obj("BOOK", "bk1", "Brev", {{"TEXT", "Kjaere venn"}}),
        Obj("CLAS", "cl1", "Vandrer", {{"DESC", "Gaar langt."}}), Skil(2, "Slaa ting."),
        Gmst("sSkillMediumarmor", "Middels Rustning"),
    });
    ASSERT_EQ(Build(env, fv, ov), 0);
    const std::map<std::string, PairList> expected = {
        // The path grid pairs repeat the cell pairs and are not written twice.
        {"Celldata.dat", {{"Mossfield", "Mossenfeld"}, {"Old Inn", "Vieux Logis"}, {"Harbor", "Lunebro"},
                          {"Cellar", "Kellar"}}},
        {"Regndata.dat", {{"Moss Lands", "Mossmark"}}},
        {"Npc_data.dat", {{"Guard", "Vakt"}, {"Smith", "Smed"}}},  // equal names left out
        {"Weapdata.dat", {{"Short Sword", "Kortsverd"}}},
        {"Bookdata.dat", {{"Letter", "Brev"}}},
        {"Clasdata.dat", {{"Ranger", "Vandrer"}}},
        {"Gmstdata.dat", {{"Yes", "Ja"}, {"No", "Nei"}, {"Medium Armor", "Middels Rustning"}}},
        {"Armodata.dat", {}},
    };
    for (const auto& [file, pairs] : expected) EXPECT_EQ(PairsOf(env.Data(file)), pairs) << file;
    EXPECT_EQ(TriplesOf(env.Data("Txtbookdata.dat")), (std::vector<Triple>{{"bk1", "Dear friend", "Kjaere venn"}}));
    EXPECT_EQ(TriplesOf(env.Data("Txtclasdata.dat")), (std::vector<Triple>{{"cl1", "Walks far.", "Gaar langt."}}));
    EXPECT_EQ(TriplesOf(env.Data("Txtskildata.dat")),
              (std::vector<Triple>{{"Medium Armor", "Hitting things.", "Slaa ting."}}));
    // Skills by position: indices without a skill record stay empty.
    EXPECT_EQ(TriplesOf(env.Data("Skildata.dat")),
              (std::vector<Triple>{{"", "", ""}, {"", "", ""}, {"Medium Armor", "Medium Armor", "Middels Rustning"}}));
    for (const auto& name : qp::DictionaryFileNames())  // the whole set, empty where nothing was found
        EXPECT_TRUE(fs::exists(env.dir / "data" / name.substr(5))) << name;
}

TEST(BuildDictionaries, RepeatedNamesKeepTheFirstCounterpartAndReportTheOthers) {
    qp::DictionaryBuild b = qp::BuildDictionaries(
        Records({Obj("NPC_", "g1", "Guard"), Obj("NPC_", "g2", "Guard"), Obj("NPC_", "g3", "Guard"),
                 Obj("NPC_", "g1", "Guard twice"), Obj("NPC_", "v1", "Vakt")}),
        Records({Obj("NPC_", "g1", "Vakt"), Obj("NPC_", "g2", "Vakt"), Obj("NPC_", "g3", "Vekter"),
                 Obj("NPC_", "v1", "Vaktmann")}));
    const qp::BuiltFile* npc = nullptr;
    for (const auto& f : b.files)
        if (f.name == "data\\Npc_data.dat") npc = &f;
    ASSERT_NE(npc, nullptr);
    EXPECT_EQ(qp::ParsePairFile(npc->bytes).pairs, (PairList{{"Guard", "Vakt"}}));
    // g2 agrees with g1; g3 does not; v1's name is already g1's converted
    // name, so a lookup would never reach its pair.
    ASSERT_EQ(b.conflicts.size(), 2u);
    EXPECT_NE(b.conflicts[0].find("Vekter"), std::string::npos);
    EXPECT_NE(b.conflicts[0].find("g3"), std::string::npos);
    EXPECT_NE(b.conflicts[1].find("v1"), std::string::npos);
    // The repeated ID g1 is left alone rather than matched twice.
    ASSERT_EQ(b.unmatched.size(), 1u);
    EXPECT_NE(b.unmatched[0].find("NPC_: only in FV 1 (g1)"), std::string::npos) << b.unmatched[0];
}

TEST(BuildDictionaries, RecordsWithoutCounterpartAreReportedNotPaired) {
    qp::DictionaryBuild b = qp::BuildDictionaries(
        Records({Obj("MISC", "m1", "Cup"), Obj("MISC", "m2", "Plate"), Cell("Field", false, 5, 5),
                 Obj("ARMO", "a1", "Helm")}),
        Records({Obj("MISC", "m1", "Kopp"), Cell("Mark", false, 5, 6), Obj("ARMO", "a1", "")}));
    std::map<std::string, int> entries;
    for (const auto& f : b.files) entries[f.name] = f.entries;
    EXPECT_EQ(entries["data\\Miscdata.dat"], 1);
    EXPECT_EQ(entries["data\\Celldata.dat"], 0);
    EXPECT_EQ(entries["data\\Armodata.dat"], 0);  // named in one version only
    EXPECT_EQ(b.oneSided, 1);
    EXPECT_EQ(b.unmatched, (std::vector<std::string>{"CELL: only in FV 1 (grid 5,5); only in OV 1 (grid 5,6)",
                                                     "MISC: only in FV 1 (m2); only in OV 0"}));
}

TEST(BuildDictionaries, ExistingDictionariesAreReplacedOnlyWithForce) {
    Env env;
    const std::string fv = Plugin({Obj("NPC_", "a", "Guard")}), ov = Plugin({Obj("NPC_", "a", "Vakt")});
    const std::string mine = Pairs({{"Tavern", "Kro"}});
    WriteFile(env.Data("Celldata.dat"), mine);
    WriteFile(env.Data("Bookdata.dat"), "");  // empty files hold nothing to lose
    testing::internal::CaptureStderr();
    EXPECT_EQ(Build(env, fv, ov), 2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Celldata.dat"), std::string::npos) << err;
    EXPECT_EQ(err.find("Bookdata.dat"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(env.Data("Celldata.dat")), mine);
    EXPECT_FALSE(fs::exists(env.Data("Npc_data.dat")));

    EXPECT_EQ(Build(env, fv, ov, "--force"), 0);
    EXPECT_EQ(ReadFile(env.Data("Celldata.dat")), "");
    EXPECT_EQ(PairsOf(env.Data("Npc_data.dat")), (PairList{{"Guard", "Vakt"}}));
}

TEST(BuildDictionaries, RefusesBadArgumentsAndUnreadablePlugins) {
    Env env;
    const std::string good = env.PutPlugin("good.esp", Plugin({})), root = env.dir.string();
    const std::string bad = env.PutPlugin("bad.esp", "TES3" + Int32(1000));
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{good}, 1}, {{good, good, good}, 1}, {{good, good, "--bogus"}, 1}, {{good, good, "--root"}, 1},
        {{good, bad, "--root", root}, 2}, {{good, (env.dir / "missing.esp").string(), "--root", root}, 2},
        {{good, good, "--root", (env.dir / "nowhere").string()}, 2},
    };
    for (const auto& [args, rc] : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(qp::RunBuildDictionaries(args), rc) << args.size() << " " << args.back();
        testing::internal::GetCapturedStderr();
    }
    EXPECT_FALSE(fs::exists(env.Data("Celldata.dat")));
}

// Dictionaries built from A in both languages turn A in FV into A in OV:
// names, game settings, door and travel destinations, dialogue conditions.
TEST(BuildDictionaries, RoundTripTurnsTheFvPluginIntoTheOvPlugin) {
    auto version = [](bool o) {
        auto t = [o](const char* f, const char* v) { return std::string(o ? v : f); };
        const std::string market = t("Ash Hills, Market", "Collines Grises, Marche"), smithy = t("Smithy", "Forge");
        return Plugin({
            Gmst("sTake", t("Take", "Prendre")), Obj("REGN", "reg1", t("Ash Hills", "Collines Grises")),
            Cell(smithy, true, 0, 0, {{"DNAM", Z(market)}}), Cell(market, false, 2, -1, {{"DNAM", Z(smithy)}}),
            Pgrd(smithy, 0, 0), Obj("DOOR", "door1", t("Wooden Door", "Porte en Bois")),
            Obj("NPC_", "npc1", t("Ferryman", "Passeur"), {{"DNAM", Z(market)}}),
            Obj("MISC", "cup", t("Cup", "Tasse")), Record("DIAL", {{"NAME", Z("greeting")}}),
            Record("INFO", {{"INAM", Z("1")}, {"ANAM", Z(smithy)}, {"SCVR", "1BLX0" + market}}),
        });
    };
    const std::string fv = version(false), ov = version(true);
    ASSERT_NE(fv, ov);
    Env env;
    ASSERT_EQ(Build(env, fv, ov), 0);
    env.Load(env.PutPlugin("a.esp", fv));
    env.SaveAs((env.dir / "a_converted.esp").string());
    EXPECT_EQ(ReadFile(env.dir / "a_converted.esp"), ov);
}

// Real plugins against themselves: everything is matched, nothing differs.
TEST(BuildDictionaries, CorpusPluginAgainstItselfGivesEmptyDictionaries) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& path : CorpusFiles()) {
        std::vector<std::string> records;
        std::string error;
        ASSERT_TRUE(qp::ReadPluginRecords(path.string(), records, error)) << error;
        qp::DictionaryBuild b = qp::BuildDictionaries(records, records);
        int entries = 0;
        for (const auto& f : b.files) entries += f.name == "data\\Skildata.dat" ? 0 : f.entries;
        EXPECT_EQ(entries, 0) << path;
        EXPECT_TRUE(b.conflicts.empty()) << path;
        for (const auto& line : b.unmatched)  // repeated IDs only, never a missing one
            EXPECT_NE(line.find("only in OV 0"), std::string::npos) << path << ": " << line;
    }
}

// The shipped demo: its dictionaries are what the builder makes from its two
// language versions, and they convert the names and cell references of the
// demo plugin.
TEST(BuildDictionaries, DemoDictionariesMatchTheirSourcesAndConvertTheDemoPlugin) {
    const fs::path demo = fs::path(QUILLANE_SOURCE_DIR) / "demo", src = demo / "source";
    if (!fs::exists(src / "Demo_English.esp")) GTEST_SKIP() << "no demo";
    Env env;
    ASSERT_EQ(Build(env, ReadFile(src / "Demo_English.esp"), ReadFile(src / "Demo_Vellish.esp")), 0);
    for (const auto& name : qp::DictionaryFileNames())
        EXPECT_EQ(ReadFile(env.dir / "data" / name.substr(5)), ReadFile(demo / "data" / name.substr(5))) << name;
    env.Load(env.PutPlugin("Demo_to_translate.esp", ReadFile(demo / "plugins" / "Demo_to_translate.esp")));
    env.SaveAs((env.dir / "Demo_translated.esp").string());
    const std::string converted = ReadFile(env.dir / "Demo_translated.esp");
    ASSERT_FALSE(converted.empty());
    const std::string english[] = {"Fennick", "Gullwater", "Brass Lantern", Z("Tollkeeper"), "Welcome to"};
    for (const std::string& word : english) EXPECT_EQ(converted.find(word), std::string::npos) << word;
    for (const char* vellish : {"Fennikvad, Lyktekroa", "1BLX0Maakevik Strand", "Velkomen", "Tollvaktar"})
        EXPECT_NE(converted.find(vellish), std::string::npos) << vellish;
    EXPECT_NE(converted.find("Lucky Goat Figurine"), std::string::npos);  // no dictionary knows it
}

}  // namespace

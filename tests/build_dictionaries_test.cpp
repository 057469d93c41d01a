// The dictionary builder: pairs and triples from two language versions of one
// plugin, and the round trip through Load and Save as.
#include <gtest/gtest.h>

#include <map>

#include "app/batch.h"
#include "app/builddict.h"
#include "platform/codepage.h"
#include "convert/dictbuild.h"
#include "base/config.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

using PairList = std::vector<std::pair<std::string, std::string>>;
using TripleList = std::vector<std::array<std::string, 3>>;

std::string Cell(const std::string& name, bool interior, int32_t x, int32_t y,
                 std::vector<Sub> more = {}) {
    more.insert(more.begin(), {{"NAME", Z(name)}, {"DATA", Int32(interior) + Int32(x) + Int32(y)}});
    return Record("CELL", more);
}
std::string Pgrd(const std::string& n, int32_t x, int32_t y) {
    return Record("PGRD", {{"DATA", Int32(x) + Int32(y) + std::string(4, '\0')}, {"NAME", Z(n)}});
}
std::string Gmst(const std::string& id, const std::string& v) {
    return Record("GMST", {{"NAME", Z(id)}, {"STRV", v}});
}
std::string Skil(int32_t index, const std::string& desc) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, 0)}, {"DESC", desc}});
}
// A plugin as the builder sees it: the header record, then the records.
std::vector<std::string> Records(std::vector<std::string> recs) {
    recs.insert(recs.begin(), Header(static_cast<int32_t>(recs.size())));
    return recs;
}
PairList PairsOf(const std::string& bytes) {
    PairList out;
    for (const auto& [a, b] : qp::ParsePairFile(bytes).pairs) out.emplace_back(a, b);
    return out;
}
PairList PairsOf(const fs::path& p) { return PairsOf(ReadFile(p)); }
TripleList TriplesOf(const fs::path& p) { return qp::ParseTripleFile(ReadFile(p)).triples; }

// The batch tool's build-dictionaries, its arguments as typed; what it
// prints goes to out and err.
int BuildCli(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
    args.insert(args.begin(), "build-dictionaries");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int rc = qp::RunBatch(args, nullptr);
    const std::string printed = testing::internal::GetCapturedStdout(), told = testing::internal::GetCapturedStderr();
    if (out) *out = printed;
    if (err) *err = told;
    return rc;
}

std::string Npc(const std::string& id, const std::string& name) { return Object("NPC_", id, name); }

// Builds from fv and ov written into the program directory.
int Build(Env& env, const std::string& fv, const std::string& ov, bool force = false, std::string* out = nullptr,
          std::string* err = nullptr) {
    std::vector<std::string> args{env.PutPlugin("fv.esp", fv), env.PutPlugin("ov.esp", ov), "--root", env.dir.string()};
    if (force) args.push_back("--force");
    return BuildCli(args, out, err);
}

// Records are matched by what identifies them in both versions, never by
// file order (except interior cells, which have nothing else).
TEST(BuildDictionaries, MatchesEveryKindOfRecordByItsIdentity) {
    Env env;
    std::string fv = Plugin({
        Cell("Mossfield", false, 1, 2), Cell("Old Inn", true, 0, 0), Cell("Harbor", false, 1, 4),
        Cell("Cellar", true, 0, 0), Pgrd("Mossfield", 1, 2), Pgrd("Old Inn", 0, 0),
        Pgrd("Cellar", 0, 0), Object("REGN", "reg_moss", "Moss Lands"), Npc("npc_a", "Guard"),
        Npc("npc_b", "Smith"), Npc("npc_c", "Ulf"), Object("WEAP", "w1", "Short Sword"),
        Gmst("sYes", "Yes"), Gmst("sNo", "No"), Gmst("iLevel", ""),
        Object("BOOK", "bk1", "Letter", {{"TEXT", "Dear friend"}}),
        Object("CLAS", "cl1", "Ranger"), Skil(2, "Hitting things."),
        Gmst("sSkillMediumarmor", "Medium Armor")});
    // Same records, partly reordered; interior cells keep their order.
    std::string ov = Plugin({
        Cell("Lunebro", false, 1, 4), Cell("Vieux Logis", true, 0, 0),
        Cell("Mossenfeld", false, 1, 2), Cell("Kellar", true, 0, 0), Pgrd("Vieux Logis", 0, 0),
        Pgrd("Mossenfeld", 1, 2), Pgrd("Kellar", 0, 0), Object("REGN", "reg_moss", "Mossmark"),
        Npc("npc_c", "Ulf"), Npc("npc_b", "Smed"), Npc("npc_a", "Vakt"),
        Object("WEAP", "w1", "Kortsverd"), Gmst("sNo", "Nei"), Gmst("sYes", "Ja"),
        Gmst("iLevel", ""), Object("BOOK", "bk1", "Brev", {{"TEXT", "Kjaere venn"}}),
        Object("CLAS", "cl1", "Vandrer"), Skil(2, "Slaa ting."),
        Gmst("sSkillMediumarmor", "Middels Rustning")});
    ASSERT_EQ(Build(env, fv, ov), 0);
    const std::map<std::string, PairList> expected = {
        // The path grid pairs repeat the cell pairs and are not written twice.
        {"Celldata.dat", {{"Mossfield", "Mossenfeld"}, {"Old Inn", "Vieux Logis"},
                          {"Harbor", "Lunebro"}, {"Cellar", "Kellar"}}},
        {"Regndata.dat", {{"Moss Lands", "Mossmark"}}},
        {"Npc_data.dat", {{"Guard", "Vakt"}, {"Smith", "Smed"}}},  // equal names left out
        {"Weapdata.dat", {{"Short Sword", "Kortsverd"}}}, {"Bookdata.dat", {{"Letter", "Brev"}}},
        {"Clasdata.dat", {{"Ranger", "Vandrer"}}}, {"Armodata.dat", {}},
        {"Gmstdata.dat", {{"Yes", "Ja"}, {"No", "Nei"}, {"Medium Armor", "Middels Rustning"}}}};
    for (const auto& [file, pairs] : expected) EXPECT_EQ(PairsOf(env.Data(file)), pairs) << file;
    const std::map<std::string, TripleList> triples = {
        {"Txtbookdata.dat", {{"bk1", "Dear friend", "Kjaere venn"}}},
        {"Txtskildata.dat", {{"Medium Armor", "Hitting things.", "Slaa ting."}}},
        // Skills by position: indices without a skill record stay empty.
        {"Skildata.dat",
         {{"", "", ""}, {"", "", ""}, {"Medium Armor", "Medium Armor", "Middels Rustning"}}}};
    for (const auto& [file, t] : triples) EXPECT_EQ(TriplesOf(env.Data(file)), t) << file;
    for (const auto& name : qp::DictionaryFileNames())  // all, empty where nothing was found
        EXPECT_TRUE(fs::exists(env.dir / "data" / name.substr(5))) << name;
}

// A repeated name keeps its first counterpart; the others, and records with no
// counterpart, are reported rather than paired.
TEST(BuildDictionaries, DuplicatesAndUnmatchedRecordsAreReportedNotPaired) {
    const auto fv = Records({Npc("g1", "Guard"), Npc("g2", "Guard"), Npc("g3", "Guard"),
                 Npc("g1", "Guard twice"), Npc("v1", "Vakt"), Object("MISC", "m1", "Cup"),
                 Object("MISC", "m2", "Plate"), Cell("Field", false, 5, 5),
                 Object("ARMO", "a1", "Helm")});
    const auto ov = Records({Npc("g1", "Vakt"), Npc("g2", "Vakt"), Npc("g3", "Vekter"), Npc("v1", "Vaktmann"),
                 Object("MISC", "m1", "Kopp"), Cell("Mark", false, 5, 6),
                 Object("ARMO", "a1", "")});
    qp::DictionaryBuild b = qp::BuildDictionaries({fv.begin(), fv.end()}, {ov.begin(), ov.end()});
    std::map<std::string, std::string> files;
    for (const auto& f : b.files) files[f.name.substr(5)] = f.bytes;
    EXPECT_EQ(PairsOf(files["Npc_data.dat"]), (PairList{{"Guard", "Vakt"}}));
    EXPECT_EQ(PairsOf(files["Miscdata.dat"]), (PairList{{"Cup", "Kopp"}}));
    for (const char* empty : {"Celldata.dat", "Armodata.dat"}) EXPECT_EQ(files[empty], "") << empty;
    EXPECT_EQ(b.oneSided, 1) << "a1 is named in one version only";
    // g2 agrees with g1; g3 does not; v1's name is already g1's converted
    // name, so a lookup would never reach its pair.
    ASSERT_EQ(b.conflicts.size(), 2u);
    EXPECT_NE(b.conflicts[0].find("Vekter"), std::string::npos);
    EXPECT_NE(b.conflicts[0].find("g3"), std::string::npos);
    EXPECT_NE(b.conflicts[1].find("v1"), std::string::npos);
    // The repeated ID g1 is left alone rather than matched twice.
    EXPECT_EQ(b.unmatched, (std::vector<std::string>{
                               "CELL: only in FV 1 (grid 5,5); only in OV 1 (grid 5,6)",
                               "MISC: only in FV 1 (m2); only in OV 0",
                               "NPC_: only in FV 1 (g1); only in OV 0"}));
}

// Dialogue: a topic pairs with the topic of the other version that holds the
// same INFO IDs; responses and journal entries give triples by INFO ID. An ID
// several topics share (the game's masters have them) narrows the choice.
TEST(BuildDictionaries, TopicsPairByTheirResponsesAndResponsesByTheirIds) {
    auto dial = [](const std::string& name, int kind) {
        return Record("DIAL", {{"NAME", Z(name)}, {"DATA", std::string(1, static_cast<char>(kind))}});
    };
    auto info = [](const std::string& id, const std::string& text) {
        return Record("INFO", {{"INAM", Z(id)}, {"NAME", text}});
    };
    const auto fv = Records({
        info("x0", "Before any topic"), dial("ferry", 0), info("i1", "Pay first."), info("i2", "Hm."),
        dial("rumors", 0), info("i3", "Goats."), info("i4", "Wolves."), dial("lost", 0), info("i5", "Gone."),
        dial("Greeting 0", 2), info("g1", "Hello."), dial("demo_quest", 4), info("j1", "I met Oskar."),
        dial("ferry", 0), info("i1", "Pay later."),  // the same ID again: the first wins
        dial("belt", 0), info("b1", "Belt."), info("s1", "The belt."), dial("ring", 0), info("s1", "The ring."),
        Record("DIAL", {{"NAME", Z("odd")}}), info("x1", "No kind.")});
    const auto ov = Records({
        info("x0", "Foer alt"), dial("ferje", 0), info("i2", "Hm."), info("i1", "Betal foerst."),
        dial("rykter", 0), info("i3", "Geiter."), dial("sladder", 0), info("i4", "Ulvar."),
        dial("Greeting 0", 2), info("g1", "Hei."), dial("demo_quest", 4), info("j1", "Eg mota Oskar."),
        dial("nytt", 0), info("n1", "Nytt."), dial("ringen", 0), info("s1", "Ringen."), dial("belte", 0),
        info("s1", "Beltet."), info("b1", "Belte."), Record("DIAL", {{"NAME", Z("odd")}}), info("x1", "Ingen.")});
    qp::DictionaryBuild b = qp::BuildDictionaries({fv.begin(), fv.end()}, {ov.begin(), ov.end()});
    std::map<std::string, std::string> files;
    for (const auto& f : b.files) files[f.name.substr(5)] = f.bytes;
    // "rumors" is reported, not guessed; equal texts give no triple.
    EXPECT_EQ(PairsOf(files["Dialdata.dat"]), (PairList{{"ferry", "ferje"}, {"belt", "belte"}, {"ring", "ringen"}}));
    const std::map<std::string, TripleList> triples = {
        {"Txtinfodata.dat",
         {{"i1", "Pay first.", "Betal foerst."}, {"i3", "Goats.", "Geiter."}, {"i4", "Wolves.", "Ulvar."},
          {"g1", "Hello.", "Hei."}, {"b1", "Belt.", "Belte."}, {"s1", "The belt.", "Beltet."}}},
        {"Txtjourdata.dat", {{"j1", "I met Oskar.", "Eg mota Oskar."}}}};
    for (const auto& [file, t] : triples) EXPECT_EQ(qp::ParseTripleFile(files[file]).triples, t) << file;
    EXPECT_EQ(b.ambiguousTopics,
              (std::vector<std::string>{"Dialdata.dat: \"rumors\": 1 response under \"rykter\", 1 under \"sladder\""}));
    EXPECT_EQ(b.conflicts, (std::vector<std::string>{"Txtinfodata.dat: ID \"i1\" has two texts, the first kept",
                                                     "Txtinfodata.dat: ID \"s1\" has two texts, the first kept"}));
    EXPECT_EQ(b.unmatched, (std::vector<std::string>{"DIAL: only in FV 1 (lost); only in OV 1 (nytt)",
                                                     "INFO: only in FV 1 (i5); only in OV 1 (n1)"}));
    EXPECT_NE(qp::DictionaryReport(b).find("  Txtjourdata.dat        1 triple\n"), std::string::npos);
    EXPECT_NE(qp::DictionaryReport(b).find("Topics whose responses lie under more than one topic (left out):\n"
                                           "  Dialdata.dat: \"rumors\""),
              std::string::npos);
}

// The demo's dictionaries are what the builder makes of the demo's two
// versions (demo/make_demo.py rebuilds them).
TEST(BuildDictionaries, TheDemoDictionariesAreBuiltFromTheDemoSources) {
    const fs::path demo = fs::path(QUILLANE_SOURCE_DIR) / "demo";
    for (const auto& [fv, ov, data] :
         {std::tuple{"source/Demo_English.esp", "source/Demo_Vellish.esp", "data"},
          {"cyrillic/source/Demo_Cyrillic_English.esp", "cyrillic/source/Demo_Cyrillic_Zaryan.esp", "cyrillic/data"}}) {
        Env env;
        ASSERT_EQ(BuildCli({(demo / fv).string(), (demo / ov).string(), "--root", env.dir.string()}), 0);
        for (const std::string& name : qp::DictionaryFileNames()) {
            const fs::path shipped = demo / data / name.substr(5);
            EXPECT_TRUE(fs::exists(shipped)) << shipped;
            EXPECT_EQ(ReadFile(env.Data(name.substr(5))), ReadFile(shipped)) << shipped;
        }
    }
}

TEST(BuildDictionaries, ExistingDictionariesAreReplacedOnlyWithForce) {
    Env env;
    const std::string fv = Plugin({Npc("a", "Guard")}), ov = Plugin({Npc("a", "Vakt")});
    const std::string mine = Pairs({{"Tavern", "Kro"}});
    WriteFile(env.Data("Celldata.dat"), mine);
    WriteFile(env.Data("Bookdata.dat"), "");  // empty files hold nothing to lose
    std::string err;
    EXPECT_EQ(Build(env, fv, ov, false, nullptr, &err), 2);
    EXPECT_NE(err.find("Celldata.dat"), std::string::npos) << err;
    EXPECT_EQ(err.find("Bookdata.dat"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(env.Data("Celldata.dat")), mine);
    EXPECT_FALSE(fs::exists(env.Data("Npc_data.dat")));
    // One target that cannot be replaced (a folder in its place): all files or none.
    fs::create_directories(env.Data("Racedata.dat") / "x");
    EXPECT_EQ(Build(env, fv, ov, true, nullptr, &err), 2);
    EXPECT_NE(err.find("cannot write " + env.Data("Racedata.dat").string()), std::string::npos) << err;
    EXPECT_EQ(ReadFile(env.Data("Celldata.dat")), mine);
    EXPECT_FALSE(fs::exists(env.Data("Npc_data.dat")));
    fs::remove_all(env.Data("Racedata.dat"));
    EXPECT_EQ(Build(env, fv, ov, true), 0);
    EXPECT_EQ(ReadFile(env.Data("Celldata.dat")), "");
    EXPECT_EQ(PairsOf(env.Data("Npc_data.dat")), (PairList{{"Guard", "Vakt"}}));
}

// Pairs in load order: a later pair's record of the same identity replaces
// the earlier one's; conflicts name the files; counts per pair and in all.
TEST(BuildDictionaries, SeveralPairsOverrideInLoadOrder) {
    Env env;
    const std::string mainFv = Plugin({Npc("a", "Guard"), Npc("b", "Smith"), Cell("Old Inn", true, 0, 0),
                                       Object("BOOK", "bk", "Note", {{"TEXT", "Hello"}})});
    const std::string mainOv = Plugin({Npc("a", "Vakt"), Npc("b", "Smed"), Cell("Gamle Kro", true, 0, 0),
                                       Object("BOOK", "bk", "Lapp", {{"TEXT", "Hei"}})});
    // The expansion renames b, its Old Inn and the book text; c meets a's name.
    const std::string expFv = Plugin({Cell("Harbor", true, 0, 0), Cell("Old Inn", true, 0, 0), Npc("b", "Smith"),
                                      Npc("c", "Guard"), Object("BOOK", "bk", "Note", {{"TEXT", "Hello"}})});
    const std::string expOv = Plugin({Cell("Havn", true, 0, 0), Cell("Gammel Kro", true, 0, 0), Npc("b", "Smeden"),
                                      Npc("c", "Vekter"), Object("BOOK", "bk", "Lapp", {{"TEXT", "Hallo"}})});
    std::string out;
    ASSERT_EQ(BuildCli({env.PutPlugin("m.esm", mainFv), env.PutPlugin("m_ov.esm", mainOv), env.PutPlugin("x.esm", expFv),
                        env.PutPlugin("x_ov.esm", expOv), "--root", env.dir.string()},
                       &out),
              0);
    EXPECT_EQ(PairsOf(env.Data("Npc_data.dat")), (PairList{{"Guard", "Vakt"}, {"Smith", "Smeden"}}));
    EXPECT_EQ(PairsOf(env.Data("Celldata.dat")), (PairList{{"Old Inn", "Gammel Kro"}, {"Harbor", "Havn"}}));
    EXPECT_EQ(TriplesOf(env.Data("Txtbookdata.dat")), (TripleList{{"bk", "Hello", "Hallo"}}));
    for (const char* told :
         {"Dictionaries from 2 pairs, in this order", "pair 1: m.esm (FV) and m_ov.esm (OV): 4 records in both, 1 entry, "
          "3 records replaced by a later pair", "pair 2: x.esm (FV) and x_ov.esm (OV): 5 records in both, 5 entries\n",
          "\"Guard\" -> \"Vakt\" kept, \"Vekter\" (NPC_ c in x.esm) left out", "  6 entries in 34 files"})
        EXPECT_NE(out.find(told), std::string::npos) << told << "\n" << out;
}

// What cannot make a set: an odd number of files is a usage error; a pair of
// the same file, by whatever name, is refused (it would pair every name with
// itself); two files with little in common are warned about
// and written only with --force.
TEST(BuildDictionaries, SuspiciousPairsAreWrittenOnlyWithForce) {
    const std::string fv = Plugin({Npc("a", "Guard"), Npc("b", "Smith")});
    const std::string other = Plugin({Npc("a", "Vakt"), Npc("x", "Ulf"), Npc("y", "Ola")});
    struct Case {
        std::vector<std::string> files;
        int code, forced;
        std::string told;
    } cases[] = {
        {{"fv.esp", "ov.esp", "fv.esp"}, 1, 1, "the plugin files come in pairs"},
        {{"fv.esp", "data/../fv.esp"}, 2, 2, "are the same file"},
        {{"fv.esp", "ov.esp", "fv.esp", "fv2.esp"}, 2, 0,
         "warning: pair 1: only 1 of 2 records of fv.esp and of 3 of ov.esp are found in both (33 %)"},
    };
    for (const Case& c : cases) {
        for (bool force : {false, true}) {
            Env env;
            env.PutPlugin("fv.esp", fv);
            env.PutPlugin("fv2.esp", fv);
            env.PutPlugin("ov.esp", other);
            std::vector<std::string> args;
            for (const auto& f : c.files) args.push_back((env.dir / f).string());
            args.insert(args.end(), {"--root", env.dir.string()});
            if (force) args.push_back("--force");
            std::string err;
            const int rc = BuildCli(args, nullptr, &err);
            EXPECT_EQ(rc, force ? c.forced : c.code) << c.told;
            EXPECT_NE(err.find(c.told), std::string::npos) << err;
            EXPECT_EQ(fs::exists(env.Data("Npc_data.dat")), force && c.forced == 0) << c.told;
        }
    }
}

// "External data" > "Build dictionaries...": pairs added with two titled
// requesters and kept in Quillane.ini, a question before replacing (No the
// default), the build on the worker, the report with its code page.
TEST(BuildDictionaries, WindowDialogBuildsAndReports) {
    Env env;
    std::string ovName;
    ASSERT_TRUE(qp::FromUtf8(1251, "Стражник", ovName));
    const std::string fv = env.PutPlugin("m.esm", Plugin({Npc("a", "Guard")}));
    const std::string ov = env.PutPlugin("m_ov.esm", Plugin({Npc("a", ovName)}));
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Tavern", "Kro"}}));
    env.Menu(qp::kMenuBuildDictionaries);
    EXPECT_EQ(env.ui.Dialog(qp::kWindowBuild).caption, "Build dictionaries");
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuLoad));
    env.ui.PushOpenPath("");  // cancelled: no pair
    env.Press(qp::kCtlBuildAdd);
    for (const std::string& p : {fv, ov, fv, ov}) env.ui.PushOpenPath(p);
    env.Press(qp::kCtlBuildAdd);
    env.Press(qp::kCtlBuildAdd);
    const auto asked = env.ui.Requesters();
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[1].title, "First version (FV): the master or plugin before conversion");
    EXPECT_EQ(asked[2].title, "Other version (OV) of m.esm: the same file after conversion");
    env.ui.FocusDialogRow(qp::kCtlBuildPairs, 1);
    env.Press(qp::kCtlBuildRemove);
    EXPECT_EQ(env.ui.Control(qp::kCtlBuildPairs).tableRows, (std::vector<qp::Row>{{fv, ov, "", ""}}));
    EXPECT_NE(ReadFile(env.dir / "Quillane.ini").find("[Build dictionaries]\r\nPairs = 1\r\nFV1 = " + fv + "\r\nOV1 = " + ov),
              std::string::npos);

    env.ui.PushAnswer(qp::Answer::No);
    env.Press(qp::kCtlBuildRun);
    EXPECT_EQ(env.ui.Messages().back().buttons, qp::Buttons::YesNoDefaultNo);
    EXPECT_FALSE(fs::exists(env.Data("Npc_data.dat")));
    env.ui.PushAnswer(qp::Answer::Yes);
    env.Press(qp::kCtlBuildRun);
    EXPECT_EQ(PairsOf(env.Data("Npc_data.dat")), (PairList{{"Guard", ovName}}));
    EXPECT_FALSE(env.ui.IsDialogOpen(qp::kWindowBuild));
    EXPECT_EQ(env.ui.Dialog(qp::kWindowCheck).caption, "Dictionaries built");
    const auto rows = env.ui.Control(qp::kCtlCheckList).tableRows;
    EXPECT_EQ(rows.front(), (qp::Row{"Pair 1: m.esm / m_ov.esm", "1", "", ""}));
    EXPECT_EQ(rows.back(), (qp::Row{"In all", "1", "0", ""}));
    EXPECT_EQ(env.ui.Control(qp::kCtlCheckCodePage).text, "Use 1251 Cyrillic");
    env.Press(qp::kCtlCheckCodePage);
    EXPECT_EQ(qp::gWs.codePage, 1251);
    env.Press(qp::kCtlCheckClose);
    EXPECT_EQ(EnabledMenus(env.ui).substr(0, 2), "1 ");  // Load back, Save not without a plugin
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuSave));
    qp::gWs.buildPairs.clear();
    qp::ReadSettings();
    EXPECT_EQ(qp::gWs.buildPairs, (qp::FilePairs{{fv, ov}}));
}

// Which code page each version looks written in; the converted names decide
// the suggestion. Nothing is set.
TEST(BuildDictionaries, TellsWhichCodePageEachVersionLooksLike) {
    struct Case {
        int fvCp, ovCp;
        std::string fv, ov, told;
    } cases[] = {
        {1252, 1251, "Guard of the Old Tower", "Стражник старой башни",
         "  FV 0 / 0 / 0: no letter that tells the code pages apart\n  OV 0 / 19 / 0: looks like 1251 "
         "Cyrillic\nSuggested code page: 1251 Cyrillic"},
        {1250, 1251, "Strażnik starej wieży", "Стражник старой башни",
         "--codepage 1251).\nIn 1251 Cyrillic the FV names' own letters look wrong; 1250 Central "
         "European shows them.\n"},
        {1252, 1252, "Guard", "Wächter", "OV 0 / 0 / 0: no letter that tells the code pages apart\n"
                                         "Suggested code page: 1252 Western"},
    };
    for (const Case& c : cases) {
        std::string fv, ov, out;
        ASSERT_TRUE(qp::FromUtf8(c.fvCp, c.fv, fv) && qp::FromUtf8(c.ovCp, c.ov, ov));
        Env env;
        ASSERT_EQ(Build(env, Plugin({Npc("a", fv)}), Plugin({Npc("a", ov)}), false, &out), 0);
        EXPECT_NE(out.find(c.told), std::string::npos) << out;
        EXPECT_FALSE(fs::exists(env.dir / "Quillane.ini"));
    }
}

// Dictionaries built from A in both languages turn A in FV into A in OV:
// names, game settings, door and travel destinations, dialogue conditions.
TEST(BuildDictionaries, RoundTripTurnsTheFvPluginIntoTheOvPlugin) {
    auto version = [](bool o) {
        auto t = [o](const char* f, const char* v) { return std::string(o ? v : f); };
        const std::string market = t("Ash Hills, Market", "Collines Grises, Marche");
        const std::string smithy = t("Smithy", "Forge");
        return Plugin({
            Gmst("sTake", t("Take", "Prendre")),
            Object("REGN", "reg1", t("Ash Hills", "Collines Grises")),
            Cell(smithy, true, 0, 0, {{"DNAM", Z(market)}}),
            Cell(market, false, 2, -1, {{"DNAM", Z(smithy)}}), Pgrd(smithy, 0, 0),
            Object("DOOR", "door1", t("Wooden Door", "Porte en Bois")),
            Object("NPC_", "npc1", t("Ferryman", "Passeur"), {{"DNAM", Z(market)}}),
            Object("MISC", "cup", t("Cup", "Tasse")), Record("DIAL", {{"NAME", Z("greeting")}}),
            Record("INFO", {{"INAM", Z("1")}, {"ANAM", Z(smithy)}, {"SCVR", "1BLX0" + market}})});
    };
    const std::string fv = version(false), ov = version(true);
    ASSERT_NE(fv, ov);
    Env env;
    ASSERT_EQ(Build(env, fv, ov), 0);
    env.Load(env.PutPlugin("a.esp", fv));
    env.SaveAs((env.dir / "a_converted.esp").string());
    EXPECT_EQ(ReadFile(env.dir / "a_converted.esp"), ov);
}

}  // namespace

// "Save", "Save as..." and "Reset file": questions, refusals, names, the corpus unchanged.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "convert/save.h"
#include "plugin/blocks.h"
#include "base/paths.h"
#include "test_support.h"

using namespace qt_test;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(Save, AsksBeforeOverwritingTheFileInUseWhichSaveAsRefuses) {
    Env env;
    const std::string bk2 = Record("BOOK", {{"NAME", Z("bk2")}});
    const std::string original = Plugin({Book("bk1", "Old"), bk2});
    const std::string in = env.PutPlugin("in.esp", original);
    env.Load(in);
    EditName(env, qp::kListBook, 0, "New");
    const std::string ini = ReadFile(env.dir / "Voskconv.ini");
    env.SaveAs(in);
    env.SaveAs(in.substr(0, in.size() - 4));
    env.SaveAs("");                           // cancelled
    env.SaveAs((env.dir / ".esp").string());  // nothing left of the name
    env.Save(false);
    const std::string same =
        "INFORMATION/1/THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF THE INPUT FILE.\r"
        "   ENTER A DIFFERENT NAME OR USE 'SAVE' TO OVERWRITE THIS FILE.";
    EXPECT_EQ(Shown(env.ui), (Strings{same, same, "QUESTION/2/OVERWRITE THE FILE IN USE  :" +
                                                      std::string(22, ' ') + "\r" + in}));
    EXPECT_EQ(env.ui.Messages()[2].buttons, qp::Buttons::YesNoDefaultNo);
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), ini);
    // The name list owns the row: what a view shows is not read back.
    env.ui.ListSetText(qp::kListBook, 0, qp::kColOv, "Stale");
    env.Save(true);
    EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", "New"), bk2}));
    EXPECT_EQ(env.ui.ListGetText(qp::kListBook, 0, qp::kColFlag) + env.ui.ListGetText(qp::kListBook, 0, qp::kColOv),
              "TNew");
    EXPECT_EQ(env.ui.GetStatusText(0) + "|" + env.ui.GetStatusText(1),
              "File : in.esp|Save Block : 2 / 2");
}

TEST(Save, MasterFilesAreRefusedSavesAndTextEdits) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old")}, 1);
    const std::string in = env.PutPlugin("in.esm", original);
    env.Load(in);
    env.Save();
    env.SaveAs((env.dir / "out").string());
    env.Menu(qp::kMenuTextBook);
    const std::string refused = "INFORMATION/4/THIS IS A MASTER FILE FUNCTION NONAVAILABLE.";
    EXPECT_EQ(Shown(env.ui), (Strings{refused, refused, "INFORMATION/4/    THIS IS A MASTER FILE."
                                                        "\rYOU CANNOT MODIFY IT"}));
    EXPECT_EQ(env.ui.Requesters().size(), 1u);  // the load's only
    EXPECT_FALSE(env.ui.Dialog(2).open);
    EXPECT_EQ(ReadFile(in), original);
}

TEST(SaveAs, NamesTheOutputAndRemembersItsFolder) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old")});
    const std::string in = env.PutPlugin("mod.esp", original);
    env.Load(in);
    WriteFile(env.dir / "Voskconv.ini", "[Save Path]\r\nSavePath = /remembered/\r\n");
    // folder, typed, written; only the file name loses ".esp"
    std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"", "MOD", "MOD.esp"},  // differs from the file in use by letter case only
        {"a", "mod", "mod.esp"}, {"b", "mod.esp", "mod.esp"}, {"c", "MOD.ESP", "MOD.ESP.esp"},
        {"d", "x.esp.esp", "x.esp"}, {"e.esp", "b", "b.esp"}};
    std::string folderShown = qp::ResolvePath("plugins");  // the remembered one is gone
#ifdef _WIN32
    // Windows compares names ignoring letter case: "MOD.esp" is the file in
    // use itself, refused, and nothing is written.
    cases.erase(cases.begin());
    env.SaveAs(env.dir.string() + "/MOD");
    ASSERT_EQ(Shown(env.ui).size(), 1u);
    EXPECT_EQ(Shown(env.ui)[0].rfind("INFORMATION/1/THE NAME OF THE OUTPUT FILE IS IDENTICAL", 0), 0u);
    EXPECT_EQ(qp::gWs.fileInUse, in);
    EXPECT_EQ(ReadFile(in), original);
    const size_t refused = 1;
#else
    const size_t refused = 0;
#endif
    for (const auto& [sub, typed, written] : cases) {
        SCOPED_TRACE(typed);
        const fs::path folder = sub.empty() ? env.dir : env.dir / sub;
        fs::create_directories(folder);
        const std::string prefix = folder.string() + "/";
        env.SaveAs(prefix + typed);
        const auto req = env.ui.Requesters().back();
        EXPECT_EQ(req.title + "|" + req.folder + "|" + req.filterLabel + "|" + req.pattern,
                  "ESP file to save|" + folderShown + "|ESP (*.esp)|*.esp");
        EXPECT_EQ(ReadFile(prefix + written), original);
        EXPECT_EQ(qp::gWs.fileInUse + "|" + env.ui.GetStatusText(0),
                  prefix + written + "|File : " + written);
        folderShown = prefix;
    }
    EXPECT_NE(ReadFile(env.dir / "Voskconv.ini").find("SavePath = " + folderShown + "\r\n"),
              std::string::npos);
    EXPECT_EQ(env.ui.Messages().size(), refused);
}

TEST(ResetFile, AsksThenLeavesOnlyTheMarkerPair) {
    const std::string alert =
        "ALERT!/3/ERASE THE EXTERNAL BASE ONLY IF YOU ARE SURE YOU DON'T\rNEED THIS DATAS FOR "
        "FUTURE TRANSLATION.\r\rFILE IN USE : EXTRADATA.DAT\r\r                ERASE EXTERNAL "
        "DATA BASE?";
    const std::string held = Pairs({{"Old", "Vieux"}});
    for (const auto& [exists, yes] : {std::pair{true, false}, {true, true}, {false, true}}) {
        SCOPED_TRACE(std::to_string(exists) + std::to_string(yes));
        Env env;
        if (exists) WriteFile(env.ExtDb(), held);
        env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", "Old")})));
        env.ui.PushAnswer(yes ? qp::Answer::Yes : qp::Answer::No);
        env.Menu(qp::kMenuReset);
        EXPECT_EQ(Shown(env.ui), (yes ? Strings{alert, "INFORMATION/1/DATA BASE ERASED."}
                                      : Strings{alert}));
        EXPECT_EQ(env.ui.Messages()[0].buttons, qp::Buttons::YesNoDefaultNo);
        EXPECT_EQ(ReadFile(env.ExtDb()),
                  yes ? std::string("\x04\0\0\0FFFF\x04\0\0\0FFFF", 16) : held);
        if (!exists) continue;
        // Rows stored before the reset return at the next save.
        EXPECT_EQ(env.ui.Rows(qp::kListBook)[0][0], "T");
        env.Save();
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Old", "Vieux"}}));
    }
}

// No dictionary touches the corpus: every file comes back with only the record count corrected.
TEST(Save, CorpusComesBackByteForByte) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        SCOPED_TRACE(f.string());
        Env env;
        std::string expected = ReadFile(f);
        env.Load(env.PutPlugin("in.esp", expected));
        ASSERT_TRUE(qp::gWs.table.loaded);
        expected.replace(320, 4, Int32(qp::LastBlock()));
        const std::string out = (env.dir / "out.esp").string();
        // The commands refuse masters; the save sequence itself must not care.
        if (qp::IsMasterFile()) {
            ASSERT_FALSE(qp::RunSaveSequence(out)) << "nothing failed";
        } else {
            env.SaveAs(out);
        }
        EXPECT_TRUE(ReadFile(out) == expected);
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}}));
    }
}

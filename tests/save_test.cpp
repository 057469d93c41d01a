// "Save", "Save as..." and "Reset file" as the user meets them: questions,
// refusals, the names Save as makes, what is remembered afterwards, and the
// corpus written back unchanged.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "convert/save.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

std::string Book(const std::string& name) { return Record("BOOK", {{"NAME", Z("bk1")}, {"FNAM", Z(name)}}); }

// Marks the first book row as edited, as the name edit's OK does.
void MarkEdited(const std::string& ov) {
    qp::Plat().ListSetText(9, 0, 0, "*");
    qp::Plat().ListSetText(9, 0, 3, ov);
    qp::gNameLists[9][0].flag = "*";
    qp::gNameLists[9][0].ov = ov;
}

// Every message shown, as "title/icon/text" (icons: 1 information, 2 question,
// 3 warning, 4 stop).
Strings Shown(qp::HeadlessPlatform& ui) {
    Strings v;
    for (const auto& m : ui.Messages()) v.push_back(m.title + "/" + std::to_string(int(m.icon)) + "/" + m.text);
    return v;
}

}  // namespace

TEST(Save, AsksBeforeOverwritingTheFileInUse) {
    Env env;
    const std::string original = Plugin({Book("Old"), Record("BOOK", {{"NAME", Z("bk2")}})});
    const std::string in = env.PutPlugin("in.esp", original);
    env.Load(in);
    MarkEdited("New");
    env.Save(false);
    EXPECT_EQ(Shown(env.ui), (Strings{"QUESTION/2/OVERWRITE THE FILE IN USE  :" + std::string(22, ' ') + "\r" + in}));
    EXPECT_EQ(env.ui.Messages()[0].buttons, qp::Buttons::YesNo);
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_EQ(env.ui.Rows(9)[0][0], "*");
    env.Save(true);
    EXPECT_EQ(ReadFile(in), Plugin({Book("New"), Record("BOOK", {{"NAME", Z("bk2")}})}));
    EXPECT_EQ(env.ui.GetStatusText(0), "File : in.esp");
    EXPECT_EQ(env.ui.GetStatusText(1), "Save Block : 2 / 2");
    EXPECT_EQ(env.ui.Messages().size(), 2u);
}

TEST(Save, MasterFilesAreRefused) {
    Env env;
    const std::string original = Plugin({Book("Old")}, 1);
    const std::string in = env.PutPlugin("in.esm", original);
    env.Load(in);
    env.ui.PushMenu(qp::kMenuSave);
    env.Run();
    env.SaveAs((env.dir / "out").string());
    EXPECT_EQ(Shown(env.ui), Strings(2, "INFORMATION/4/THIS IS A MASTER FILE FUNCTION NONAVAILABLE."));
    EXPECT_EQ(env.ui.Requesters().size(), 1u);  // the load's only
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_FALSE(fs::exists(env.dir / "out.esp"));
}

TEST(SaveAs, NamesTheOutputAndRemembersItsFolder) {
    Env env;
    const std::string original = Plugin({Book("Old")});
    const std::string in = env.PutPlugin("mod.esp", original);
    env.Load(in);
    WriteFile(env.dir / "Voskconv.ini", "[Save Path]\r\nSavePath = /remembered/\r\n");
    struct Case {
        std::string folder, typed, written;
    } const cases[] = {
        {"", "MOD", "MOD.esp"},  // differs from the file in use by letter case only
        {"a", "mod", "mod.esp"}, {"b", "mod.esp", "mod.esp"}, {"c", "MOD.ESP", "MOD.ESP.esp"},
        {"d", "x.esp.esp", "x.esp"}, {"e.esp", "b", "b.esp"}};  // only the file name loses ".esp"
    std::string folderShown = "/remembered/";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const fs::path folder = c.folder.empty() ? env.dir : env.dir / c.folder;
        fs::create_directories(folder);
        const std::string prefix = folder.string() + "/";
        env.SaveAs(prefix + c.typed);
        const auto req = env.ui.Requesters().back();
        EXPECT_EQ(req.title + "|" + req.folder + "|" + req.filterLabel + "|" + req.pattern,
                  "ESP file to save|" + folderShown + "|ESP (*.esp)|*.esp");
        EXPECT_EQ(ReadFile(prefix + c.written), original);
        EXPECT_EQ(qp::gFileInUse, prefix + c.written);
        EXPECT_EQ(env.ui.GetStatusText(0), "File : " + c.written);
        EXPECT_NE(ReadFile(env.dir / "Voskconv.ini").find("SavePath = " + prefix + "\r\n"), std::string::npos);
        folderShown = prefix;
    }
    EXPECT_EQ(env.ui.Requesters().size(), 7u);
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(ReadFile(in), original);
}

TEST(SaveAs, RefusesTheFileInUseAndDoesNothingOnCancel) {
    Env env;
    const std::string original = Plugin({Book("Old")});
    const std::string in = env.PutPlugin("mod.esp", original);
    env.Load(in);
    MarkEdited("New");
    const std::string ini = ReadFile(env.dir / "Voskconv.ini");
    env.SaveAs(in);
    env.SaveAs(in.substr(0, in.size() - 4));
    env.SaveAs("");                           // cancelled
    env.SaveAs((env.dir / ".esp").string());  // nothing left of the name
    EXPECT_EQ(Shown(env.ui), Strings(2, "INFORMATION/1/THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF "
                                        "THE INPUT FILE.\r   ENTER A DIFFERENT NAME OR USE 'SAVE' TO OVERWRITE "
                                        "THIS FILE."));
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), ini);
    EXPECT_EQ(env.ui.Rows(9)[0][0], "*");
    EXPECT_EQ(qp::gFileInUse, in);
    // An existing file other than the one in use is replaced without a question.
    WriteFile(env.dir / "other.esp", "old content");
    env.SaveAs((env.dir / "other.esp").string());
    EXPECT_EQ(ReadFile(env.dir / "other.esp"), Plugin({Book("New")}));
    EXPECT_EQ(env.ui.Messages().size(), 2u);
}

TEST(ResetFile, AsksThenLeavesOnlyTheMarkerPair) {
    const std::string alert =
        "ALERT!/3/ERASE THE EXTERNAL BASE ONLY IF YOU ARE SURE YOU DON'T\rNEED THIS DATAS FOR FUTURE "
        "TRANSLATION.\r\rFILE IN USE : EXTRADATA.DAT\r\r                ERASE EXTERNAL DATA BASE?";
    const std::string held = Pairs({{"Sword", "Epee"}});
    for (const auto& [exists, yes] : {std::pair{true, false}, {true, true}, {false, true}}) {
        SCOPED_TRACE(std::to_string(exists) + std::to_string(yes));
        Env env;
        if (exists) WriteFile(env.ExtDb(), held);
        env.ui.PushAnswer(yes ? qp::Answer::Yes : qp::Answer::No);
        env.ui.PushMenu(qp::kMenuReset);
        env.Run();
        EXPECT_EQ(Shown(env.ui), (yes ? Strings{alert, "INFORMATION/1/DATA BASE ERASED."} : Strings{alert}));
        EXPECT_EQ(env.ui.Messages()[0].buttons, qp::Buttons::YesNo);
        EXPECT_EQ(ReadFile(env.ExtDb()), yes ? std::string("\x04\0\0\0FFFF\x04\0\0\0FFFF", 16) : held);
    }
    // Rows stored before the reset return at the next save.
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"Old", "Vieux"}}));
    env.Load(env.PutPlugin("in.esp", Plugin({Book("Old")})));
    env.ui.PushAnswer(qp::Answer::Yes);
    env.ui.PushMenu(qp::kMenuReset);
    env.Run();
    EXPECT_EQ(env.ui.Rows(9)[0][0], "T");
    env.Save();
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Old", "Vieux"}}));
}

// No dictionary touches the corpus, so every file must come back as it was
// read, with the header's record count as corrected at load.
TEST(Save, CorpusComesBackByteForByte) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        SCOPED_TRACE(f.string());
        Env env;
        std::string expected = ReadFile(f);
        env.Load(env.PutPlugin("in.esp", expected));
        ASSERT_TRUE(qp::gTable.loaded);
        expected.replace(320, 4, Int32(qp::LastBlock()));
        const std::string out = (env.dir / "out.esp").string();
        // The commands refuse masters; the save sequence itself must not care.
        if (qp::IsMasterFile()) {
            ASSERT_TRUE(qp::RunSaveSequence(out));
        } else {
            env.SaveAs(out);
        }
        EXPECT_TRUE(ReadFile(out) == expected);
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}}));
    }
}

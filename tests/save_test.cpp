// "Save", "Save as..." and "Reset file" as the user meets them: questions,
// refusals, the names Save as makes, what is remembered afterwards, and the
// corpus written back unchanged.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "convert/save.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

std::string Book(const std::string& id, const std::string& name) {
    return Record("BOOK", {{"NAME", Z(id)}, {"FNAM", Z(name)}});
}

// Marks row r of tab g as edited, as the name edit's OK does.
void MarkEdited(int g, int r, const std::string& ov) {
    qp::Plat().ListSetText(g, r, 0, "*");
    qp::Plat().ListSetText(g, r, 3, ov);
    qp::gNameLists[g][static_cast<size_t>(r)].flag = "*";
    qp::gNameLists[g][static_cast<size_t>(r)].ov = ov;
}

const char* const kIdentical =
    "THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF THE INPUT FILE.\r   "
    "ENTER A DIFFERENT NAME OR USE 'SAVE' TO OVERWRITE THIS FILE.";

}  // namespace

TEST(Save, AsksBeforeOverwritingTheFileInUse) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old"), Book("bk2", "Two")});
    std::string in = env.PutPlugin("in.esp", original);
    env.Load(in);
    MarkEdited(9, 0, "New");

    env.Save(false);
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    const qp::ShownMessage q = env.ui.Messages()[0];
    EXPECT_EQ(q.title, "QUESTION");
    EXPECT_EQ(q.text, "OVERWRITE THE FILE IN USE  :" + std::string(22, ' ') + "\r" + in);
    EXPECT_EQ(q.icon, qp::Icon::Question);
    EXPECT_EQ(q.buttons, qp::Buttons::YesNo);
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_EQ(env.ui.Rows(9)[0][0], "*");
    EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuSave));

    env.Save(true);
    EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", "New"), Book("bk2", "Two")}));
    EXPECT_EQ(env.ui.GetStatusText(0), "File : in.esp");
    EXPECT_EQ(env.ui.GetStatusText(1), "Save Block : 2 / 2");
    EXPECT_EQ(env.ui.Messages().size(), 2u);
    EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuLoad));
}

TEST(Save, MasterFilesAreRefused) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old")}, 1);
    std::string in = env.PutPlugin("in.esm", original);
    env.Load(in);
    env.ui.PushMenu(qp::kMenuSave);
    env.Run();
    env.SaveAs((env.dir / "out").string());
    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 2u);
    for (const auto& m : msgs) {
        EXPECT_EQ(m.title, "INFORMATION");
        EXPECT_EQ(m.text, "THIS IS A MASTER FILE FUNCTION NONAVAILABLE.");
        EXPECT_EQ(m.icon, qp::Icon::Stop);
    }
    EXPECT_TRUE(env.ui.Requesters().size() == 1u);  // the load's only
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_FALSE(fs::exists(env.dir / "out.esp"));
}

TEST(SaveAs, NamesTheOutputAndRemembersItsFolder) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old")});
    std::string in = env.PutPlugin("mod.esp", original);
    env.Load(in);
    WriteFile(env.dir / "Voskconv.ini", "[Save Path]\r\nSavePath = /remembered/\r\n");
    struct Case {
        std::string folder, typed, written;
    } cases[] = {
        // A name that differs from the file in use by letter case only.
        {"", "MOD", "MOD.esp"},
        {"a", "mod", "mod.esp"},
        {"b", "mod.esp", "mod.esp"},
        {"c", "MOD.ESP", "MOD.ESP.esp"},
        {"d", "x.esp.esp", "x.esp"},
        // Only the file name loses ".esp"; a folder keeps its name.
        {"e.esp", "b", "b.esp"},
    };
    std::string expectFolder = "/remembered/";
    for (const Case& c : cases) {
        fs::path folder = c.folder.empty() ? env.dir : env.dir / c.folder;
        fs::create_directories(folder);
        const std::string prefix = folder.string() + "/";
        const size_t shown = env.ui.Requesters().size();
        env.SaveAs(prefix + c.typed);
        auto req = env.ui.Requesters();
        ASSERT_EQ(req.size(), shown + 1);
        EXPECT_EQ(req.back().title, "ESP file to save");
        EXPECT_EQ(req.back().folder, expectFolder);
        EXPECT_EQ(req.back().filterLabel, "ESP (*.esp)");
        EXPECT_EQ(req.back().pattern, "*.esp");
        EXPECT_EQ(ReadFile(prefix + c.written), original) << c.typed;
        EXPECT_EQ(qp::gFileInUse, prefix + c.written);
        EXPECT_EQ(env.ui.GetStatusText(0), "File : " + c.written);
        const std::string ini = ReadFile(env.dir / "Voskconv.ini");
        EXPECT_NE(ini.find("SavePath = " + prefix + "\r\n"), std::string::npos) << ini;
        expectFolder = prefix;
    }
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(ReadFile(in), original);
}

TEST(SaveAs, RefusesTheFileInUseAndDoesNothingOnCancel) {
    Env env;
    const std::string original = Plugin({Book("bk1", "Old")});
    std::string in = env.PutPlugin("mod.esp", original);
    env.Load(in);
    MarkEdited(9, 0, "New");
    const std::string ini = ReadFile(env.dir / "Voskconv.ini");

    for (const std::string& typed : {in, in.substr(0, in.size() - 4)}) {
        env.SaveAs(typed);
        auto msgs = env.ui.Messages();
        ASSERT_FALSE(msgs.empty());
        EXPECT_EQ(msgs.back().title, "INFORMATION");
        EXPECT_EQ(msgs.back().text, kIdentical);
        EXPECT_EQ(msgs.back().icon, qp::Icon::Information);
    }
    const size_t shown = env.ui.Messages().size();
    env.SaveAs("");                          // cancelled
    env.SaveAs((env.dir / ".esp").string());  // nothing left of the name
    EXPECT_EQ(env.ui.Messages().size(), shown);
    EXPECT_EQ(ReadFile(in), original);
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), ini);
    EXPECT_EQ(env.ui.Rows(9)[0][0], "*");
    EXPECT_EQ(qp::gFileInUse, in);
    EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuSaveAs));

    // An existing file other than the one in use is replaced without a question.
    WriteFile(env.dir / "other.esp", "old content");
    env.SaveAs((env.dir / "other.esp").string());
    EXPECT_EQ(ReadFile(env.dir / "other.esp"), Plugin({Book("bk1", "New")}));
    EXPECT_EQ(env.ui.Messages().size(), shown);
}

TEST(ResetFile, AsksThenLeavesOnlyTheMarkerPair) {
    const std::string alert =
        "ERASE THE EXTERNAL BASE ONLY IF YOU ARE SURE YOU DON'T\rNEED THIS DATAS FOR FUTURE "
        "TRANSLATION.\r\rFILE IN USE : EXTRADATA.DAT\r\r                ERASE EXTERNAL DATA BASE?";
    const std::string marker("\x04\0\0\0FFFF\x04\0\0\0FFFF", 16);
    const std::string held = Pairs({{"Sword", "Epee"}});
    struct Case {
        bool exists;
        qp::Answer answer;
    } cases[] = {{true, qp::Answer::No}, {true, qp::Answer::Yes}, {false, qp::Answer::Yes}};
    for (const Case& c : cases) {
        Env env;
        if (c.exists) WriteFile(env.ExtDb(), held);
        env.ui.PushAnswer(c.answer);
        env.ui.PushMenu(qp::kMenuReset);
        env.Run();
        auto msgs = env.ui.Messages();
        ASSERT_GE(msgs.size(), 1u);
        EXPECT_EQ(msgs[0].title, "ALERT!");
        EXPECT_EQ(msgs[0].text, alert);
        EXPECT_EQ(msgs[0].icon, qp::Icon::Warning);
        EXPECT_EQ(msgs[0].buttons, qp::Buttons::YesNo);
        if (c.answer == qp::Answer::No) {
            EXPECT_EQ(msgs.size(), 1u);
            EXPECT_EQ(ReadFile(env.ExtDb()), held);
        } else {
            ASSERT_EQ(msgs.size(), 2u);
            EXPECT_EQ(msgs[1].title, "INFORMATION");
            EXPECT_EQ(msgs[1].text, "DATA BASE ERASED.");
            EXPECT_EQ(msgs[1].icon, qp::Icon::Information);
            EXPECT_EQ(ReadFile(env.ExtDb()), marker);
        }
    }
}

TEST(ResetFile, StoredRowsReturnAtTheNextSave) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"Old", "Vieux"}}));
    env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", "Old")})));
    env.ui.PushAnswer(qp::Answer::Yes);
    env.ui.PushMenu(qp::kMenuReset);
    env.Run();
    EXPECT_EQ(env.ui.Rows(9)[0][0], "T");
    env.Save();
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Old", "Vieux"}}));
}

// No dictionary touches the corpus here, so every file must come back as it
// was read, header record count as corrected at load included.
TEST(Save, CorpusComesBackByteForByte) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        Env env;
        std::string expected = ReadFile(f);
        std::string in = env.PutPlugin("in.esp", expected);
        env.Load(in);
        ASSERT_TRUE(qp::gTable.loaded) << f;
        const std::string count = Int32(qp::LastBlock());
        expected.replace(320, 4, count);
        const std::string out = (env.dir / "out.esp").string();
        if (qp::IsMasterFile()) {
            // The commands refuse masters; the save sequence itself must not
            // care what it writes.
            ASSERT_TRUE(qp::RunSaveSequence(out)) << f;
        } else {
            env.SaveAs(out);
        }
        EXPECT_TRUE(ReadFile(out) == expected) << f;
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}})) << f;
    }
}

// "Check references..." in the window: its dialog, its copy, and a plugin left as it was.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

TEST(CheckDialog, ListsTheFindingsCopiesThemAndLeavesThePluginAsItWas) {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    env.Menu(qp::kMenuCheck);  // no plugin: nothing to check
    EXPECT_FALSE(ui.IsDialogOpen(qp::kWindowCheck));

    const std::string room = Int32(1) + Int32(0) + Int32(0);
    env.Load(env.PutPlugin(
        "p.esp", Plugin({Record("CELL", {{"NAME", Z("Hut")}, {"DATA", room}}),
                         Record("NPC_", {{"NAME", Z("guard")}, {"AI_E", std::string(48, '\0')},
                                         {"CNDT", Z("hut")}}),
                         Record("INFO", {{"INAM", Z("7")}, {"BNAM", "ShowMap Nowhere"}})})));
    EditName(env, qp::kListCell, 0, "Huette");  // not saved yet: the check takes it
    const std::string blocks = JoinedBlocks({0, 1, 2, 3});
    const auto rows = ui.Rows(qp::kListCell);
    env.Menu(qp::kMenuCheck);
    ASSERT_TRUE(ui.IsDialogOpen(qp::kWindowCheck));
    EXPECT_EQ(ui.Dialog(qp::kWindowCheck).caption, "Check references");
    EXPECT_EQ(ui.Control(qp::kCtlCheckSummary).text,
              "1 name with a known counterpart, 1 unknown name, 0 names with several counterparts.");
    const qp::HeadlessControl list = ui.Control(qp::kCtlCheckList);
    std::string columns;
    for (const qp::ListColumn& c : list.columns) columns += c.title + " ";
    EXPECT_EQ(columns, "Record Where Name Counterpart ");
    EXPECT_EQ(list.tableRows, (std::vector<qp::Row>{{"NPC_ guard", "AI_E CNDT", "hut", "Huette"},
                                                     {"INFO 7", "BNAM line 1", "Nowhere", ""}}));
    EXPECT_EQ(EnabledMenus(ui), "4 20 21 ") << "the dialog holds the menu lock";

    env.Press(qp::kCtlCheckCopy);
    EXPECT_EQ(ui.Clipboard(), "NPC_\tguard\tAI_E CNDT\thut\tHuette\r\nINFO\t7\tBNAM line 1\tNowhere\t\r\n");
    env.Press(qp::kCtlCheckClose);
    EXPECT_FALSE(ui.IsDialogOpen(qp::kWindowCheck));
    EXPECT_EQ(EnabledMenus(ui), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 20 21 25 ");
    EXPECT_EQ(JoinedBlocks({0, 1, 2, 3}), blocks);
    EXPECT_EQ(ui.Rows(qp::kListCell), rows);
    EXPECT_EQ(qp::gWs.dialogOpen + qp::gWs.journal.open, 0);

    // Nothing to report: a message instead of the dialog.
    ui.PushAnswer(qp::Answer::Yes);  // the edit is given up
    env.Load(env.PutPlugin("clean.esp", Plugin({Record("CELL", {{"NAME", Z("Hut")}})})));
    env.Menu(qp::kMenuCheck);
    EXPECT_FALSE(ui.IsDialogOpen(qp::kWindowCheck));
    ASSERT_EQ(Shown(ui).size(), 2u);
    EXPECT_EQ(Shown(ui)[1].rfind("INFORMATION/1/NO CELL REFERENCE TO CHECK.\r", 0), 0u) << Shown(ui)[1];
}

// The demo shows what the check is for on the first try: its script and its
// AI package name cells the demo's dictionaries convert, and its responses
// still to translate name topics that no longer link.
TEST(CheckDialog, TheDemoHasFindingsAtOnce) {
    Env env;
    const std::filesystem::path demo = std::filesystem::path(QUILLANE_SOURCE_DIR) / "demo";
    std::filesystem::copy(demo / "data", env.dir / "data", std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    env.Load(env.PutPlugin("Demo_to_translate.esp", ReadFile(demo / "plugins" / "Demo_to_translate.esp")));
    env.Menu(qp::kMenuCheck);
    ASSERT_TRUE(env.ui.IsDialogOpen(qp::kWindowCheck));
    std::vector<std::string> places;
    for (const qp::Row& r : env.ui.Control(qp::kCtlCheckList).tableRows) places.push_back(r[0] + " | " + r[1]);
    EXPECT_EQ(places, (std::vector<std::string>{"NPC_ demo_ferry_guide | AI_E CNDT",
                                                "SCPT demo_ferry_script | SCTX line 6",
                                                "SCPT demo_ferry_script | SCTX line 7",
                                                "INFO demo_info_2 | NAME link", "INFO demo_info_1 | NAME link",
                                                "INFO demo_rumor_goat | NAME link", "INFO demo_goat_1 | NAME link"}));
}

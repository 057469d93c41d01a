// The object window: column sorts, rows kept in step with their entries, the
// current row, and what list events open.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/shell.h"
#include "ui/nameedit.h"
#include "ui/objectwindow.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// Entries whose block number tells them apart; key goes into column c.
void Fill(int g, int c, const std::vector<std::string>& keys) {
    qp::gNameLists[g].clear();
    for (size_t i = 0; i < keys.size(); ++i) {
        qp::NameEntry e{"", "id" + std::to_string(i), "fv" + std::to_string(i),
                        "ov" + std::to_string(i), static_cast<int32_t>(i)};
        (c == 0 ? e.flag : c == 1 ? e.id : c == 2 ? e.fv : e.ov) = keys[i];
        qp::gNameLists[g].push_back(e);
    }
    qp::RebuildListView(g);
}

std::vector<int> Order(int g) {
    std::vector<int> out;
    for (const auto& e : qp::gNameLists[g]) out.push_back(e.block);
    return out;
}

void ExpectRowsMatchList(qp::HeadlessPlatform& ui, int g) {
    auto rows = ui.Rows(g);
    ASSERT_EQ(rows.size(), qp::gNameLists[g].size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& e = qp::gNameLists[g][i];
        EXPECT_EQ(rows[i], (qp::Row{e.flag, e.id, e.fv, e.ov})) << "row " << i;
    }
}

std::string Misc(const std::string& id, const std::string& name) {
    return Record("MISC", {{"NAME", Z(id)}, {"FNAM", Z(name)}});
}

}  // namespace

TEST(ObjectWindow, SortIsStableByUnsignedBytesAndAlternates) {
    struct Case {
        const char* why;
        int column;
        std::vector<std::string> keys;
        std::vector<int> ascending;   // blocks in order after the first sort
        std::vector<int> descending;  // and after the second: equal keys keep their order
    };
    const Case cases[] = {
        {"flags", 0, {"T", "", "L", "*", "N", ""}, {1, 5, 3, 2, 4, 0}, {0, 4, 2, 3, 1, 5}},
        {"bytes, prefixes, upper before lower", 1,
         {"a", "Z", "Abc", "Ab", "\xE9t\xE9", "Ab"}, {3, 5, 2, 1, 0, 4}, {4, 0, 1, 2, 3, 5}},
        {"FV names", 2, {"b", "a", "b", "a"}, {1, 3, 0, 2}, {0, 2, 1, 3}},
        {"OV names", 3, {"", "x", "", "\x80"}, {0, 2, 1, 3}, {3, 1, 0, 2}},
    };
    for (const Case& c : cases) {
        Env env;
        const int g = 9;
        Fill(g, c.column, c.keys);
        qp::SortNameList(g, c.column);
        EXPECT_EQ(Order(g), c.ascending) << c.why;
        ExpectRowsMatchList(env.ui, g);
        EXPECT_TRUE(env.ui.ListRedraw(g)) << c.why;
        qp::SortNameList(g, c.column);
        EXPECT_EQ(Order(g), c.descending) << c.why;
        ExpectRowsMatchList(env.ui, g);
    }
}

TEST(ObjectWindow, DirectionBelongsToTheListNotTheColumn) {
    Env env;
    Fill(9, 1, {"b", "c", "a"});
    Fill(10, 1, {"b", "c", "a"});
    env.ui.PushHeaderClick(9, 1);  // ascending by ID
    env.ui.PushHeaderClick(9, 2);  // descending by FV name: fv0 fv1 fv2
    env.Run();
    EXPECT_EQ(Order(9), (std::vector<int>{2, 1, 0}));
    env.ui.PushHeaderClick(9, 3);  // ascending again, by OV name
    env.ui.PushHeaderClick(10, 2);  // another list starts ascending
    env.Run();
    EXPECT_EQ(Order(9), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Order(10), (std::vector<int>{0, 1, 2}));

    // An empty list still turns its direction round.
    qp::SortNameList(11, 0);
    EXPECT_TRUE(env.ui.Rows(11).empty());
    Fill(11, 1, {"a", "b"});
    qp::SortNameList(11, 1);
    EXPECT_EQ(Order(11), (std::vector<int>{1, 0}));
    ExpectRowsMatchList(env.ui, 11);
}

TEST(ObjectWindow, HeaderClicksWaitForDialogsAndCommands) {
    Env env;
    Fill(9, 1, {"b", "a"});
    env.ui.ListSelectRow(9, 0);
    env.ui.PushControl(9, qp::ControlAction::Activate);
    env.ui.PushHeaderClick(9, 1);
    env.Run();
    ASSERT_TRUE(env.ui.Dialog(1).open);
    EXPECT_EQ(Order(9), (std::vector<int>{0, 1})) << "name edit open";
    env.ui.PushClose(1);
    env.Run();

    qp::gBusy = 1;
    qp::Event click;
    click.kind = qp::EventKind::HeaderClick;
    click.id = 9;
    click.column = 1;
    qp::DispatchEvent(click);
    qp::gBusy = 0;
    EXPECT_EQ(Order(9), (std::vector<int>{0, 1})) << "command running";
    qp::DispatchEvent(click);
    EXPECT_EQ(Order(9), (std::vector<int>{1, 0})) << "first sort of the list: ascending";
}

TEST(ObjectWindow, EveryListEventRefreshesTheCurrentRow) {
    Env env;
    Fill(6, 1, {"a", "b", "c"});
    qp::gNameLists[6][2].flag = "T";
    qp::RebuildListView(6);
    Fill(3, 2, {"Vivec"});
    struct Step {
        int list;
        int focus;
        qp::ControlAction action;
    };
    const Step steps[] = {
        {6, 1, qp::ControlAction::Click},
        {6, 2, qp::ControlAction::SelectionChange},
        {3, 0, qp::ControlAction::RightClick},
        {6, -1, qp::ControlAction::Click},
    };
    int popups = 0;
    for (const Step& s : steps) {
        env.ui.ListSelectRow(s.list, s.focus);
        env.ui.PushControl(s.list, s.action);
        env.Run();
        if (s.action == qp::ControlAction::RightClick) ++popups;
        EXPECT_EQ(env.ui.PopupsShown(), popups);
        const auto& cur = qp::gCurrentRow;
        EXPECT_EQ(cur.list, s.list);
        EXPECT_EQ(cur.type, s.list == 3 ? "Cell" : "Activator");
        qp::Row want{};
        if (s.focus >= 0) want = env.ui.Rows(s.list)[static_cast<size_t>(s.focus)];
        EXPECT_EQ((qp::Row{cur.flag, cur.id, cur.fv, cur.ov}), want) << s.list << "/" << s.focus;
        EXPECT_FALSE(env.ui.Dialog(1).open);
    }
}

TEST(ObjectWindow, ActivationWhileACommandRunsOnlyAsksToWait) {
    Env env;
    Fill(6, 1, {"a"});
    env.ui.ListSelectRow(6, 0);
    qp::gBusy = 1;
    qp::OnListEvent(6, qp::ControlAction::Activate);
    qp::gBusy = 0;
    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].title, "INFORMATION");
    EXPECT_EQ(msgs[0].text, "LOAD/SAVE IN PROGRESS.\r              PLEASE WAIT!");
    EXPECT_EQ(msgs[0].icon, qp::Icon::Stop);
    EXPECT_FALSE(env.ui.Dialog(1).open);
    EXPECT_EQ(qp::gDialogOpen, 0);
}

TEST(ObjectWindow, AfterASortRowREditsEntryRAndTheSaveWritesItsBlock) {
    Env env;
    env.Load(env.PutPlugin("m.esp", Plugin({Misc("id_c", "Cup"), Misc("id_a", "Axe"),
                                            Misc("id_b", "Bowl")})));
    env.ui.PushHeaderClick(19, 2);
    env.Run();
    ExpectRowsMatchList(env.ui, 19);
    ASSERT_EQ(qp::gNameLists[19][0].id, "id_a");

    env.ui.ListSelectRow(19, 0);
    env.ui.PushControl(19, qp::ControlAction::Activate);
    env.Run();
    ASSERT_TRUE(env.ui.Dialog(1).open);
    EXPECT_EQ(env.ui.GetControlText(qp::kCtlIdField), "id_a");
    EXPECT_EQ(qp::NameEditRow(), 0);
    env.ui.TypeText(qp::kCtlOvField, "Hache");
    env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
    env.Run();
    EXPECT_EQ(qp::gNameLists[19][0].flag, "*");
    EXPECT_EQ(qp::gNameLists[19][0].block, 2);
    ExpectRowsMatchList(env.ui, 19);

    env.SaveAs((env.dir / "out.esp").string());
    std::string out = ReadFile(env.dir / "out.esp");
    EXPECT_NE(out.find(Misc("id_a", "Hache")), std::string::npos);
    EXPECT_NE(out.find(Misc("id_b", "Bowl")), std::string::npos);
    EXPECT_NE(out.find(Misc("id_c", "Cup")), std::string::npos);
}

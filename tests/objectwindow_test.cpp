// The object window: column sorts, rows kept in step with their entries, the
// current row, and what list events open.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "ui/objectwindow.h"
#include "test_support.h"

using namespace qt_test;
using V = std::vector<int>;

namespace {

// Entries told apart by their block number; key i goes into column c.
void Fill(int g, int c, const std::vector<std::string>& keys) {
    qp::gNameLists[g].clear();
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string n = std::to_string(i);
        qp::NameEntry e{"", "id" + n, "fv" + n, "ov" + n, static_cast<int32_t>(i)};
        (c == 0 ? e.flag : c == 1 ? e.id : c == 2 ? e.fv : e.ov) = keys[i];
        qp::gNameLists[g].push_back(e);
    }
    qp::RebuildListView(g);
}

// Block order of list g, after checking its rows show its entries.
V Order(qp::HeadlessPlatform& ui, int g) {
    V out;
    const auto rows = ui.Rows(g);
    EXPECT_EQ(rows.size(), qp::gNameLists[g].size());
    for (size_t i = 0; i < qp::gNameLists[g].size() && i < rows.size(); ++i) {
        const auto& e = qp::gNameLists[g][i];
        EXPECT_EQ(rows[i], (qp::Row{e.flag, e.id, e.fv, e.ov})) << "row " << i;
        out.push_back(e.block);
    }
    return out;
}

}  // namespace

TEST(ObjectWindow, SortIsStableByUnsignedBytesAndAlternatesPerList) {
    struct Case {
        int column;
        std::vector<std::string> keys;
        V ascending, descending;  // equal keys keep their order both ways
    } const cases[] = {
        {0, {"T", "", "L", "*", "N", ""}, {1, 5, 3, 2, 4, 0}, {0, 4, 2, 3, 1, 5}},
        {1, {"a", "Z", "Abc", "Ab", "\xE9t\xE9", "Ab"}, {3, 5, 2, 1, 0, 4}, {4, 0, 1, 2, 3, 5}},
        {2, {"b", "a", "b", "a"}, {1, 3, 0, 2}, {0, 2, 1, 3}},
        {3, {"", "x", "", "\x80"}, {0, 2, 1, 3}, {3, 1, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        Env env;
        Fill(9, c.column, c.keys);
        qp::SortNameList(9, c.column);
        EXPECT_EQ(Order(env.ui, 9), c.ascending);
        EXPECT_TRUE(env.ui.ListRedraw(9));
        qp::SortNameList(9, c.column);
        EXPECT_EQ(Order(env.ui, 9), c.descending);
    }
    // The direction turns at every sort of a list, whatever the column; an
    // empty list turns it too; another list keeps its own.
    Env env;
    Fill(9, 1, {"b", "c", "a"});
    Fill(10, 1, {"b", "c", "a"});
    env.ui.PushHeaderClick(9, 1);
    env.ui.PushHeaderClick(9, 2);
    env.Run();
    EXPECT_EQ(Order(env.ui, 9), (V{2, 1, 0}));
    env.ui.PushHeaderClick(9, 3);
    env.ui.PushHeaderClick(10, 2);
    env.Run();
    EXPECT_EQ(Order(env.ui, 9), (V{0, 1, 2}));
    EXPECT_EQ(Order(env.ui, 10), (V{0, 1, 2}));
    qp::SortNameList(11, 0);
    Fill(11, 1, {"a", "b"});
    qp::SortNameList(11, 1);
    EXPECT_EQ(Order(env.ui, 11), (V{1, 0}));
}

TEST(ObjectWindow, EveryListEventRefreshesTheCurrentRow) {
    Env env;
    Fill(6, 1, {"a", "b", "c"});
    qp::gNameLists[6][2].flag = "T";
    qp::RebuildListView(6);
    Fill(3, 2, {"Vivec"});
    struct Step {
        int list, focus;
        qp::ControlAction action;
    } const steps[] = {{6, 1, qp::ControlAction::Click},
                       {6, 2, qp::ControlAction::SelectionChange},
                       {3, 0, qp::ControlAction::RightClick},
                       {6, -1, qp::ControlAction::Click}};
    int popups = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.list) + "/" + std::to_string(s.focus));
        popups += s.action == qp::ControlAction::RightClick;
        env.ui.ListSelectRow(s.list, s.focus);
        env.ui.PushControl(s.list, s.action);
        env.Run();
        EXPECT_EQ(env.ui.PopupsShown(), popups);
        const auto& cur = qp::gCurrentRow;
        EXPECT_EQ(cur.list, s.list);
        EXPECT_EQ(cur.type, s.list == 3 ? "Cell" : "Activator");
        const qp::Row want = s.focus < 0 ? qp::Row{} : env.ui.Rows(s.list)[static_cast<size_t>(s.focus)];
        EXPECT_EQ((qp::Row{cur.flag, cur.id, cur.fv, cur.ov}), want);
        EXPECT_FALSE(env.ui.Dialog(1).open);
    }
}

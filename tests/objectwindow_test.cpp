// The object window: column sorts, rows in step with their entries, the current row.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "ui/objectwindow.h"
#include "test_support.h"

using namespace qt_test;
using V = std::vector<int>;

namespace {

// Entries told apart by their block number; key i goes into column c.
void Fill(int g, int c, const std::vector<std::string>& keys) {
    qp::gWs.nameLists[g].clear();
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string n = std::to_string(i);
        qp::NameEntry e{"", "id" + n, "fv" + n, "ov" + n, static_cast<int32_t>(i)};
        (c == 0 ? e.flag : c == 1 ? e.id : c == 2 ? e.fv : e.ov) = keys[i];
        qp::gWs.nameLists[g].push_back(e);
    }
    qp::RebuildListView(g);
}

// Block order of list g, after checking its rows show its entries.
V Order(qp::HeadlessPlatform& ui, int g) {
    V out;
    for (const auto& e : qp::gWs.nameLists[g]) out.push_back(e.block);
    EXPECT_EQ(ui.Rows(g), EntryRows(g));
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
        Fill(qp::kListBook, c.column, c.keys);
        qp::SortNameList(qp::kListBook, c.column);
        EXPECT_EQ(Order(env.ui, qp::kListBook), c.ascending);
        EXPECT_TRUE(env.ui.ListRedraw(qp::kListBook));
        qp::SortNameList(qp::kListBook, c.column);
        EXPECT_EQ(Order(env.ui, qp::kListBook), c.descending);
    }
    // Every sort of a list turns its direction, whatever the column.
    Env env;
    for (int g : {qp::kListBook, qp::kListCloth}) Fill(g, 1, {"b", "c", "a"});
    env.ui.PushHeaderClick(qp::kListBook, 1);
    env.ui.PushHeaderClick(qp::kListBook, 2);
    env.Run();
    EXPECT_EQ(Order(env.ui, qp::kListBook), (V{2, 1, 0}));
    env.ui.PushHeaderClick(qp::kListBook, 3);
    env.ui.PushHeaderClick(qp::kListCloth, 2);
    env.Run();
    EXPECT_EQ(Order(env.ui, qp::kListBook), (V{0, 1, 2}));
    EXPECT_EQ(Order(env.ui, qp::kListCloth), (V{0, 1, 2}));
}

TEST(ObjectWindow, EveryListEventRefreshesTheCurrentRow) {
    Env env;
    Fill(qp::kListActivator, 0, {"", "", "T"});
    Fill(qp::kListCell, 2, {"Vivec"});
    using A = qp::ControlAction;
    const std::tuple<int, int, A> steps[] = {
        {6, 1, A::Click}, {6, 2, A::SelectionChange}, {3, 0, A::RightClick}, {6, -1, A::Click}};
    int popups = 0;
    for (const auto& [list, focus, action] : steps) {
        SCOPED_TRACE(std::to_string(list) + "/" + std::to_string(focus));
        env.ui.ListSelectRow(list, focus);
        env.ui.PushControl(list, action);
        env.Run();
        EXPECT_EQ(env.ui.PopupsShown(), popups += action == A::RightClick);
        const auto& cur = qp::gWs.currentRow;
        EXPECT_EQ(std::to_string(cur.list) + cur.type, (list == 3 ? "3Cell" : "6Activator"));
        const auto rows = env.ui.Rows(list);
        const qp::Row want = focus < 0 ? qp::Row{} : rows[static_cast<size_t>(focus)];
        EXPECT_EQ((qp::Row{cur.flag, cur.id, cur.fv, cur.ov}), want);
    }
}

// The filter bar: rows hidden in the views only, matches in each code page,
// F3 across the tabs, the counts.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "ui/filter.h"
#include "test_support.h"

using namespace qt_test;
using V = std::vector<int>;

namespace {

void Filter(Env& env, const std::string& text, bool withoutCounterpart = false) {
    env.ui.TypeText(qp::kCtlFilterField, text);
    env.ui.SetChecked(qp::kCtlFilterToggle, withoutCounterpart);
    env.ui.PushControl(qp::kCtlFilterField, qp::ControlAction::Change);
    env.Run();
}

// Cell: Alpha (dictionary), Beta. Book: Red Book (dictionary), Blue Scroll,
// Red Scroll, Green Book. Misc: Red Cup.
std::string LoadSample(Env& env) {
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Alpha", "Alfa"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Red Book", "Rotes Buch"}}));
    const std::string path = env.PutPlugin(
        "in.esp", Plugin({Record("CELL", {{"NAME", Z("Alpha")}}), Record("CELL", {{"NAME", Z("Beta")}}),
                          Book("bk_a", "Red Book"), Book("bk_b", "Blue Scroll"), Book("bk_c", "Red Scroll"),
                          Book("bk_d", "Green Book"), Object("MISC", "cup", "Red Cup")}));
    env.Load(path);
    return path;
}

// Flag, ID and OV name of each Book row, in list order, once the view is
// checked to hold the whole list in that order.
std::string Books(Env& env) {
    std::string s;
    for (const auto& e : qp::gWs.nameLists[qp::kListBook]) s += e.flag + e.id + "=" + e.ov + " ";
    EXPECT_EQ(env.ui.Rows(qp::kListBook), EntryRows(qp::kListBook));
    return s;
}

}  // namespace

TEST(Filter, HidesRowsInTheViewsOnlyEveryRowNumberStaysTheWholeLists) {
    Env env;
    const int book = qp::kListBook;
    Filter(env, "SCROLL");  // typed before the load: the load filters
    const std::string path = LoadSample(env);
    EXPECT_EQ(env.ui.ShownRows(book), (V{1, 2}));
    EXPECT_EQ(env.ui.CurrentTab(), book);  // the "Cell" tab on view shows nothing
    EXPECT_EQ(env.ui.GetControlText(qp::kCtlFilterCount), "2 of 7 rows in 1 tab");
    EXPECT_EQ(env.ui.TabHint(book) + "|" + env.ui.TabHint(qp::kListMisc),
              "2 of 4 rows shown|0 of 1 row shown (dimmed)");

    // A name edit of a shown row edits that row; it stays shown though it no
    // longer matches, until the filter changes.
    EditName(env, book, 2, "Rote Rolle");
    EXPECT_EQ(Books(env), "Lbk_a=Rotes Buch bk_b=Blue Scroll *bk_c=Rote Rolle bk_d=Green Book ");
    EXPECT_EQ(env.ui.ShownRows(book), (V{1, 2}));
    // A sort sorts every row and filters again.
    env.ui.PushHeaderClick(book, qp::kColFv);
    env.Run();
    EXPECT_EQ(Books(env), "bk_b=Blue Scroll bk_d=Green Book Lbk_a=Rotes Buch *bk_c=Rote Rolle ");
    EXPECT_EQ(env.ui.ShownRows(book), (V{0, 3}));
    // A save stores the edited row the filter hides.
    Filter(env, "green", true);
    EXPECT_EQ(env.ui.ShownRows(book), (V{1}));
    env.Save(true);
    EXPECT_EQ(Books(env), "bk_b=Blue Scroll bk_d=Green Book Lbk_a=Rotes Buch Tbk_c=Rote Rolle ");
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Red Scroll", "Rote Rolle"}}));
    EXPECT_NE(ReadFile(path).find(Z("Rote Rolle")), std::string::npos);

    Filter(env, "");
    EXPECT_EQ(env.ui.ShownRows(book), (V{0, 1, 2, 3}));
    EXPECT_EQ(env.ui.GetControlText(qp::kCtlFilterCount), "7 rows in 3 tabs");
    EXPECT_EQ(env.ui.TabHint(book), "4 rows");
}

TEST(Filter, MatchesIdFvAndOvIgnoringLetterCaseInTheCodePage) {
    // The same bytes are other letters in each code page: A3 is L-stroke in
    // 1250 (lower B3), Je in 1251 (lower BC), the pound sign in 1252.
    const std::vector<qp::NameEntry> list = {
        {"", "\xA3x", "", "", 0}, {"L", "", "\xC6", "", 1}, {"", "", "", "zA", 2}, {"N", "", "", "", 3}};
    struct Case {
        int codePage;
        std::string text;
        bool withoutCounterpart;
        V rows;
    } const cases[] = {
        {1250, "\xB3", false, {0}}, {1251, "\xB3", false, {}},  {1252, "\xB3", false, {}},
        {1251, "\xBC", false, {0}}, {1250, "\xBC", false, {}},  {1252, "\xA3X", false, {0}},
        {1250, "\xE6", false, {1}}, {1251, "\xE6", false, {1}}, {1252, "a", false, {2}},
        {1252, "", false, {0, 1, 2, 3}}, {1252, "", true, {0, 2}}, {1252, "x", true, {0}},
        {1252, "Az", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage) + " " + c.text);
        V rows;
        qp::MatchRows(list, c.text, c.withoutCounterpart, c.codePage, rows);
        EXPECT_EQ(rows, c.rows);
    }
    // The Code page menu filters again.
    Env env;
    env.Load(env.PutPlugin("cp.esp", Plugin({Book("b1", "\xA3\xF3\x64\x9F"), Book("b2", "x")})));
    Filter(env, "\xB3\xD3\x44\x8F");
    EXPECT_EQ(env.ui.ShownRows(qp::kListBook), V{});
    env.Menu(qp::kMenuCodePage1250);
    EXPECT_EQ(env.ui.ShownRows(qp::kListBook), V{0});
}

TEST(Filter, NextWithoutCounterpartGoesThroughTheShownRowsOfEveryTabAndRound) {
    struct Case {
        std::string text;
        int tab, focused;
        std::vector<std::string> jumps;  // list:row after each F3, or the message
    } const cases[] = {
        {"", qp::kListBook, 1, {"9:2", "9:3", "19:0", "3:1", "9:1"}},
        {"red", qp::kListCell, -1, {"9:2", "19:0", "9:2"}},
        {"beta", qp::kListCell, 1, {"3:1"}},
        {"zzz", qp::kListMisc, -1, {"NO ROW WITHOUT COUNTERPART MATCHES THE FILTER."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Env env;
        LoadSample(env);
        Filter(env, c.text);
        env.ui.ShowTab(c.tab, true);
        env.ui.ListSelectRow(c.tab, c.focused);
        for (const std::string& want : c.jumps) {
            env.Press(qp::kCtlFilterNext);
            const int g = env.ui.CurrentTab(), r = env.ui.ListFocusedRow(g);
            const auto shown = Shown(env.ui);
            EXPECT_EQ(shown.empty() ? std::to_string(g) + ":" + std::to_string(r) : shown.back().substr(14), want);
            // The name edit opens on the row jumped to.
            if (shown.empty()) {
                EXPECT_EQ(qp::gWs.currentRow.id, qp::gWs.nameLists[g][size_t(r)].id);
            }
        }
    }
    Env env;  // Edited rows are passed over.
    LoadSample(env);
    for (auto [g, r] : {std::pair{3, 1}, {9, 1}, {9, 2}, {9, 3}, {19, 0}}) EditName(env, g, r, "done");
    env.Press(qp::kCtlFilterNext);
    EXPECT_EQ(Shown(env.ui).back(), "INFORMATION/1/NO ROW WITHOUT COUNTERPART.");
}

TEST(Filter, CountsLine) {
    const std::tuple<bool, int64_t, int64_t, int, std::string> cases[] = {
        {true, 37, 1204, 9, "37 of 1,204 rows in 9 tabs"}, {true, 0, 1, 0, "0 of 1 row"},
        {false, 1234567, 1234567, 25, "1,234,567 rows in 25 tabs"}, {false, 1, 1, 1, "1 row in 1 tab"},
        {true, 0, 0, 0, ""}};
    for (const auto& [active, shown, total, tabs, text] : cases)
        EXPECT_EQ(qp::FilterCountsText(active, shown, total, tabs), text);
}

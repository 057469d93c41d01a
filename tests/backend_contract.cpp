// The calls of the core on every backend: worker calls carried in order, all
// 256 byte values through fields, panes, status texts and list cells in each
// code page, a new code page showing the same bytes, the pane's limit, and
// filtered views that talk in list rows.
#include "backend_contract.h"

#include <atomic>

#include "base/workspace.h"
#include "platform/codepage.h"
#include "platform/ids.h"

using namespace qp;

namespace contract {

namespace {

Row R(const std::string& id) { return Row{"", id, "", ""}; }

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(char(b));
    return s;
}

// Bytes back from what a view shows in a code page.
std::string Bytes(int cp, const std::optional<std::u16string>& shown) {
    std::string bytes;
    if (!shown || !LineToBytes(cp, *shown, bytes)) return "<not shown>";
    return bytes;
}

}  // namespace

void BackendContract::SetUp() {
    backend = GetParam()();
    SetPlatform(&Ui());
    backend->AnswerMessages([this](const MessageRequest& m) {
        messages.push_back(m);
        return m.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    });
    Ui().CreateMainWindow("QUILLANE v3.03a", 800, 600);
    Ui().CreateStatusBar(200);
    Ui().CreateObjectWindow("OBJECT WINDOW...", std::vector<std::string>(qp::kListCount, "Tab"),
                            {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    Ui().OpenDialog(2, "Book", {100, 100, 700, 500});
    Ui().AddEditField(2, 1033, {55, 7, 280, 22}, "");
    Ui().AddTextPane(2, 1060, {205, 16, 485, 205}, true, 0);  // no limit, as the source pane
    Ui().AddTextPane(2, 1061, {205, 239, 485, 205}, false, 65536);
    Ui().AddTextPane(2, 1062, {205, 450, 485, 40}, false, 10);
    Ui().AddDialogList(2, 1052, {5, 0, 198, 472}, "Id Book", 350);
    backend->Settle();
}

void BackendContract::TearDown() {
    backend.reset();
    SetPlatform(nullptr);
}

std::string BackendContract::ShownIds(int list) {
    std::string s;
    for (int i = 0; i < backend->Items(list); ++i) s += Bytes(1252, backend->Cell(list, i, kColId)) + " ";
    return s;
}

TEST_P(BackendContract, WorkerCallsAreCarriedToTheGuiThreadInOrder) {
    std::atomic<bool> done{false};
    bool askedOnGui = false;
    std::string seen;
    backend->AnswerMessages([&](const MessageRequest&) { return askedOnGui = backend->OnGuiThread(), Answer::No; });
    ASSERT_TRUE(Ui().StartWorker([&] {
        for (int i = 0; i < 20000; ++i) {
            Ui().SetStatusText(1, "Reading block : " + std::to_string(i));
            if (i % 10 == 0) Ui().ListAddRow(kListRegion, R("n" + std::to_string(i)));
        }
        Ui().ListSelectRow(kListRegion, 1999);
        const bool no = Ui().MessageBox("Q", "SAVE?", Icon::Question, Buttons::YesNo) == Answer::No;
        seen = Ui().GetStatusText(1) + "|" + std::to_string(Ui().ListFocusedRow(kListRegion)) + (no ? "|" : "");
        done = true;
    }));
    ASSERT_TRUE(backend->PumpUntil([&] { return done.load(); }));
    Ui().ReleaseWorker();
    EXPECT_EQ(seen, "Reading block : 19999|1999|");
    EXPECT_TRUE(askedOnGui);
    EXPECT_EQ(Ui().ListGetText(kListRegion, 1999, kColId), "n19990");
    EXPECT_EQ(backend->Items(kListRegion), 2000);
    // Waiting for a worker still talking to the window serves its calls.
    ASSERT_TRUE(Ui().StartWorker([&] {
        for (int i = 0; i < 200; ++i) Ui().ListSetRows(kListPathGrid, {R(std::to_string(i))});
        Ui().MessageBox("INFORMATION", "DONE", Icon::Information, Buttons::Ok);
    }));
    Ui().ReleaseWorker();
    EXPECT_EQ(Ui().ListGetText(kListPathGrid, 0, kColId), "199");
}

TEST_P(BackendContract, AllByteValuesAndLineBreaksComeBackInEachCodePage) {
    const std::string all = AllBytes();
    std::string many;
    for (int i = 0; i < 160; ++i) many += all;  // past a field's default limit of 32767 characters
    const std::vector<Row> rows(50000, Row{"", "id", all, "\r\n"});  // a full tab fills at once
    Ui().ListSetRows(kListBook, rows);
    EXPECT_EQ(Ui().ListGetRows(kListBook), rows);
    for (int cp : {1250, 1251, 1252}) {
        SCOPED_TRACE(cp);
        Ui().SetCodePage(cp);
        for (const std::string& s : {all, many, std::string("a\r\nb\rc\nd\n\r\r\r\n\n\r"), std::string("\rend\r"),
                                     std::string("\nx\n"), std::string("a\0b\r", 4), std::string()}) {
            SCOPED_TRACE(s.size() > 20 ? "all bytes" : s);
            for (int control : {1033, 1060, 1061}) {
                Ui().SetControlText(control, s);
                EXPECT_EQ(Ui().GetControlText(control), s) << control;
            }
            Ui().SetStatusText(1, s);
            EXPECT_EQ(Ui().GetStatusText(1), s);
        }
        // A cell shows the bytes as the code page's characters.
        Ui().DialogListClear(1052);
        Ui().DialogListAddRow(1052, all);
        EXPECT_EQ(Bytes(cp, backend->Cell(1052, 0, 0)), all);
        EXPECT_EQ(Bytes(cp, backend->Cell(kListBook, 49999, kColFv)), all);
        // A character typed that the code page lacks is taken back and named.
        for (int control : {1033, 1061}) {
            Ui().SetControlText(control, "x");
            messages.clear();
            if (!backend->Type(control, u"\u0416")) continue;  // Cyrillic Zhe
            EXPECT_EQ(Ui().GetControlText(control), cp == 1251 ? "x\xC6" : "x") << control;
            if (cp == 1251) continue;
            ASSERT_TRUE(backend->PumpUntil([&] { return !messages.empty(); })) << control;
            EXPECT_EQ(messages[0].text, MissingCharMessage(cp, 0x0416));
            EXPECT_EQ(messages[0].icon, Icon::Stop);
            EXPECT_TRUE(messages[0].utf8);
        }
    }
}

// Rows, a field with what was typed, the status bar: the same bytes, shown anew.
TEST_P(BackendContract, ANewCodePageShowsTheSameBytesAtOnce) {
    const std::string name = "\xC1\xE0\xEB\xEC\xEE\xF0\xE0";  // "Balmora" in 1251
    const std::string typed = "\xA3\xF3" "d\x9F";             // "Lodz" in 1250
    Ui().ListSetRows(kListBook, {Row{"", "id", name, "x"}});
    Ui().SetStatusText(0, name);
    Ui().SetCodePage(1250);
    if (!backend->Type(1033, u"\u0141\u00F3d\u017A")) GTEST_SKIP() << "no keyboard";
    for (int cp : {1250, 1251}) {
        SCOPED_TRACE(cp);
        Ui().SetCodePage(cp);
        EXPECT_EQ(backend->Cell(kListBook, 0, kColFv), BytesToLine(cp, name));
        EXPECT_EQ(backend->FieldShown(1033), BytesToLine(cp, typed));
        EXPECT_EQ(backend->StatusShown(0), BytesToLine(cp, name));
        EXPECT_EQ(Ui().GetControlText(1033), typed);
        EXPECT_EQ(Ui().GetStatusText(0), name);
    }
    EXPECT_EQ(Ui().ListGetRows(kListBook), (std::vector<Row>{Row{"", "id", name, "x"}}));
}

TEST_P(BackendContract, PaneRefusesInputPastItsLimitInBytes) {
    Ui().SetControlText(1062, "1234567");
    if (!backend->Type(1062, u"8\r9")) GTEST_SKIP() << "no keyboard";  // Enter types "\r\n", two bytes
    EXPECT_EQ(Ui().GetControlText(1062), "12345678\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "THE TEXT CANNOT BE LONGER THAN 10 CHARACTERS.");
    EXPECT_EQ(messages[0].icon, Icon::Stop);
}

// The view shows some rows; every row number in and out is the whole list's.
TEST_P(BackendContract, FilteredViewsTalkInListRows) {
    const int g = kListArmor;
    Ui().ListSetRows(g, {R("a"), R("b"), R("c"), R("d"), R("e")});
    Ui().ListSetVisibleRows(g, {1, 3, 4, 9});
    EXPECT_EQ(ShownIds(g), "b d e ");
    backend->FocusItem(g, 1);
    EXPECT_EQ(Ui().ListFocusedRow(g), 3);
    Ui().ListSetText(g, 3, kColOv, "new");
    EXPECT_EQ(Bytes(1252, backend->Cell(g, 1, kColOv)), "new");
    EXPECT_EQ(Ui().ListGetText(g, 2, kColId), "c");
    Ui().ListShowAllRows(g);  // the focused row stays focused
    EXPECT_EQ(backend->FocusedItem(g), 3);
    Ui().ListSetVisibleRows(g, {0, 4});
    EXPECT_EQ(Ui().ListFocusedRow(g), -1);
    Ui().ListSelectRow(g, 2);  // hidden
    EXPECT_EQ(Ui().ListFocusedRow(g), -1);
    Ui().ListSelectRow(g, 4);
    EXPECT_EQ(backend->FocusedItem(g), 1);
    Ui().ListAddRow(g, R("f"));  // shown whatever the view hides
    EXPECT_EQ(ShownIds(g), "a e f ");
    EXPECT_EQ(Ui().ListGetRows(g).size(), 6u);
    Ui().ShowTab(g, true);
    EXPECT_EQ(Ui().CurrentTab(), g);
}

// A dialog's check box: unchecked at first; each click a Press, its state told.
TEST_P(BackendContract, DialogCheckBoxTellsEachClick) {
    Ui().AddCheckBox(2, 1065, {5, 30, 200, 20}, "Without translation");
    EXPECT_FALSE(Ui().IsControlChecked(1065));
    for (bool checked : {true, false}) {
        backend->Click(1065);
        Event ev;
        for (int i = 0; i < 5 && Ui().WaitEvent(ev) && ev.id != 1065;) ++i;
        EXPECT_EQ(ev.id, 1065);
        EXPECT_EQ(ev.action, ControlAction::Press);
        EXPECT_EQ(Ui().IsControlChecked(1065), checked);
    }
}

}  // namespace contract

// The name edit dialog on a loaded plugin: window and controls, what OK
// stores, the length limits, refusals, and the row given back its focus.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "ui/nameedit.h"
#include "test_support.h"

using namespace qt_test;
using Strings = std::vector<std::string>;

namespace {

constexpr int kActi = 6, kCells = 3, kRegions = 4;
const int kLockedMenus[] = {qp::kMenuLoad,      qp::kMenuSave,      qp::kMenuSaveAs,    qp::kMenuReset,
                            qp::kMenuTextBook,  qp::kMenuTextClass, qp::kMenuTextRace,  qp::kMenuTextSkill,
                            qp::kMenuTextBirthsign, qp::kMenuEdit};

// Activator rows: 0 "" Lever, 1 "T" Door Old -> Door New, 2 "L" Chest, 3 "N".
struct Loaded {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    explicit Loaded(int32_t fileType = 0) {
        WriteFile(env.ExtDb(), Pairs({{"Door Old", "Door New"}}));
        WriteFile(env.Data("Actidata.dat"), Pairs({{"Chest", "Coffre"}}));
        auto acti = [](const std::string& id, const std::string& name) {
            std::vector<Sub> subs{{"NAME", Z(id)}, {"MODL", Z("x.nif")}};
            if (!name.empty()) subs.push_back({"FNAM", Z(name)});
            return Record("ACTI", subs);
        };
        env.Load(env.PutPlugin("p.esp", Plugin({Record("CELL", {{"NAME", Z("Balmora")}}),
                                                Record("REGN", {{"NAME", Z("ai")}, {"FNAM", Z("Ascadian Isles")}}),
                                                acti("act_plain", "Lever"), acti("act_db", "Door Old"),
                                                acti("act_dict", "Chest"), acti("act_none", "")},
                                               fileType)));
    }
    // Opens row r of list g by activation or through the pop-up's Edit item.
    void Open(int g, int r, bool popup = false) {
        ui.ListSelectRow(g, r);
        ui.PushControl(g, popup ? qp::ControlAction::RightClick : qp::ControlAction::Activate);
        if (popup) ui.PushMenu(qp::kMenuEdit);
        env.Run();
    }
    void Press(int control) {  // 0: the close box
        control ? ui.PushControl(control, qp::ControlAction::Press) : ui.PushClose(1);
        env.Run();
    }
    void Edit(int g, int r, const std::string& ov) {
        Open(g, r);
        ui.TypeText(qp::kCtlOvField, ov);
        Press(qp::kCtlOk);
    }
    // Row r of list g, after checking its entry says the same.
    qp::Row RowOf(int g, int r) {
        const auto& e = qp::gNameLists[g].at(static_cast<size_t>(r));
        const qp::Row row = ui.Rows(g).at(static_cast<size_t>(r));
        EXPECT_EQ(row, (qp::Row{e.flag, e.id, e.fv, e.ov})) << g << "/" << r;
        return row;
    }
    void ExpectOpen(bool open) {
        EXPECT_EQ(ui.Dialog(1).open, open);
        EXPECT_EQ(qp::gDialogOpen, open ? 1 : 0);
        for (int id : kLockedMenus) EXPECT_EQ(ui.IsMenuItemEnabled(id), !open) << "menu " << id;
    }
    // Every message shown, as "title/icon/text"; icon 4 is the stop sign.
    Strings Shown() {
        Strings v;
        for (const auto& m : ui.Messages()) v.push_back(m.title + "/" + std::to_string(int(m.icon)) + "/" + m.text);
        return v;
    }
};

}  // namespace

TEST(NameEdit, WindowCaptionPlaceControlsAndMenuLock) {
    // The headless main window stands at (100, 50), 800 x 600 inside at start.
    const std::tuple<int, int, int, std::string> cases[] = {{kActi, 0, 0, "Activator 320,280,360,140"},
                                                            {kCells, 1001, 701, "Cell 420,330,360,140"}};
    auto geometry = [](const qp::Rect& r) {
        return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," + std::to_string(r.h);
    };
    for (const auto& [list, width, height, window] : cases) {
        Loaded t;
        if (width) t.ui.PushSize(width, height);  // 0: the size as started
        t.Open(list, 0);
        EXPECT_EQ(t.ui.Dialog(1).caption + " " + geometry(t.ui.Dialog(1).outer), window);
        // "window kind geometry text", then "R" when right-aligned, "-" when disabled.
        Strings controls;
        for (int n : {qp::kCtlIdLabel, qp::kCtlIdField, qp::kCtlFvLabel, qp::kCtlFvField, qp::kCtlOvLabel,
                      qp::kCtlOvField, qp::kCtlOk, qp::kCtlCancel}) {
            const auto k = t.ui.Control(n);
            controls.push_back(std::to_string(k.window) + " " + k.kind + " " + geometry(k.rect) + " " + k.text +
                               (k.alignRight ? "R" : "") + (k.enabled ? "" : "-"));
        }
        const qp::Row row = t.RowOf(list, 0);
        EXPECT_EQ(controls, (Strings{"1 label 25,12,25,22 IDR", "1 edit 55,7,280,22 " + row[1],
                                     "1 label 4,36,46,22 FV NameR", "1 edit 55,31,280,22 " + row[2],
                                     "1 label 4,60,46,22 OV NameR", "1 edit 55,55,280,22 " + row[3],
                                     "1 button 97,85,75,24 OK", "1 button 220,85,75,24 Cancel"}));
        t.ExpectOpen(true);
        EXPECT_TRUE(t.ui.IsMenuItemEnabled(qp::kMenuQuit));
        t.Press(qp::kCtlCancel);
        t.ExpectOpen(false);
    }
}

TEST(NameEdit, OkStoresANameThatDiffersFromTheFvFieldWithinTheLimit) {
    const std::string n31(31, 'n'), n32(32, 'n'), n63(63, 'n'), n64(64, 'n');
    const std::string k31 = "INFORMATION/4/The name has more than 31 characters.";
    const std::string k63 = "INFORMATION/4/The name has more than 63 characters.";
    struct Case {
        int list, row;
        std::string ov;
        const char* fv;       // nullptr: the field as opened
        std::string refusal;  // "": accepted
        qp::Row after;        // empty: as before
    } const cases[] = {
        {kActi, 0, "Levier", nullptr, "", {"*", "act_plain", "Lever", "Levier"}},
        {kActi, 1, "Porte", nullptr, "", {"*", "act_db", "Door Old", "Porte"}},
        {kActi, 0, "", nullptr, "", {"*", "act_plain", "Lever", ""}},
        {kActi, 1, "door old", nullptr, "", {"*", "act_db", "Door Old", "door old"}},
        {kActi, 1, "Door Old", nullptr, "", {}},
        {kActi, 0, "Levier", "Levier", "", {}},  // compared with the FV field as typed
        {kActi, 0, n31, nullptr, "", {"*", "act_plain", "Lever", n31}},
        {kActi, 0, n32, nullptr, k31, {}},
        {kCells, 0, n63, nullptr, "", {"*", "Balmora", "Balmora", n63}},
        {kCells, 0, n64, nullptr, k63, {}},
        {kRegions, 0, n64, nullptr, k63, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.list) + "/" + c.ov + "/" + (c.fv ? c.fv : ""));
        Loaded t;
        const qp::Row before = t.RowOf(c.list, c.row);
        t.Open(c.list, c.row);
        t.ui.TypeText(qp::kCtlOvField, c.ov);
        if (c.fv) t.ui.TypeText(qp::kCtlFvField, c.fv);
        t.Press(qp::kCtlOk);
        EXPECT_EQ(t.Shown(), c.refusal.empty() ? Strings{} : Strings{c.refusal});
        EXPECT_EQ(t.RowOf(c.list, c.row), c.after[1].empty() ? before : c.after);
        t.ExpectOpen(!c.refusal.empty());
        if (!c.refusal.empty()) { EXPECT_EQ(t.ui.GetControlText(qp::kCtlOvField), c.ov); }
    }
}

TEST(NameEdit, RefusedRowsAndNoRowOpenNothingFromListOrPopup) {
    const std::string master = "INFORMATION/4/    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT";
    // file type, list, row, message ("": none); list 9 is empty
    const std::tuple<int32_t, int, int, std::string> cases[] = {
        {0, kActi, 3, "INFORMATION/4/NAME EMPTIES UNAUTHORIZED TRANSLATION."},
        {1, kActi, 0, master}, {1, kActi, 3, master}, {0, kActi, -1, ""}, {0, 9, 1, ""}};
    for (const auto& [fileType, list, row, text] : cases) {
        SCOPED_TRACE(std::to_string(list) + "/" + std::to_string(row) + "/" + std::to_string(fileType));
        Loaded t(fileType);
        t.Open(list, row);
        t.Open(list, row, true);
        EXPECT_EQ(t.Shown(), Strings(text.empty() ? 0 : 2, text));
        t.ExpectOpen(false);
    }
}

TEST(NameEdit, OpenedRowGetsItsFocusBackOnOkAndCancelButNotOnTheCloseBox) {
    for (int control : {int{qp::kCtlOk}, int{qp::kCtlCancel}, 0}) {
        SCOPED_TRACE(control);
        Loaded t;
        const qp::Row before = t.RowOf(kActi, 1);
        t.Open(kActi, 1, control == 0);
        EXPECT_EQ(qp::NameEditList(), kActi);
        EXPECT_EQ(t.ui.GetControlText(qp::kCtlIdField) + "/" + t.ui.GetControlText(qp::kCtlFvField) + "/" +
                      t.ui.GetControlText(qp::kCtlOvField),
                  "act_db/Door Old/Door New");
        t.ui.TypeText(qp::kCtlOvField, "Portail");
        t.ui.ListSelectRow(kActi, -1);
        t.Press(control);
        EXPECT_EQ(t.ui.ListFocusedRow(kActi), control ? 1 : -1);
        t.ExpectOpen(false);
        EXPECT_EQ(t.RowOf(kActi, 1)[3], control == qp::kCtlOk ? "Portail" : before[3]);
    }
}

TEST(NameEdit, DictionaryRowsAndSecondActivationsChangeNothing) {
    Loaded t;
    const qp::Row dict = t.RowOf(kActi, 2);
    ASSERT_EQ(dict[0], "L");
    t.Edit(kActi, 2, "Malle");
    EXPECT_FALSE(t.ui.IsControlEnabled(qp::kCtlOk));
    EXPECT_TRUE(t.ui.IsControlEnabled(qp::kCtlCancel));
    t.ExpectOpen(true);
    EXPECT_EQ(t.RowOf(kActi, 2), dict);
    t.Press(qp::kCtlCancel);

    t.Open(kActi, 0);
    EXPECT_TRUE(t.ui.IsControlEnabled(qp::kCtlOk));
    t.ui.TypeText(qp::kCtlOvField, "Levier");
    t.Open(kActi, 1);  // the list stays usable, the dialog keeps its row
    EXPECT_EQ(qp::gCurrentRow.id, "act_db");
    EXPECT_EQ(qp::NameEditRow(), 0);
    EXPECT_EQ(t.ui.GetControlText(qp::kCtlIdField), "act_plain");
    t.Press(qp::kCtlOk);
    EXPECT_EQ(t.RowOf(kActi, 0), (qp::Row{"*", "act_plain", "Lever", "Levier"}));
    EXPECT_EQ(t.RowOf(kActi, 1)[0], "T");
    EXPECT_EQ(t.ui.ListFocusedRow(kActi), 0);
    t.Edit(kActi, 0, "Manette");  // a starred row edited again keeps the newest name
    EXPECT_EQ(t.RowOf(kActi, 0), (qp::Row{"*", "act_plain", "Lever", "Manette"}));
}

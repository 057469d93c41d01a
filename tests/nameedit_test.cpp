// The name edit dialog: window and controls, what OK stores, length limits, refusals.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "ui/nameedit.h"
#include "test_support.h"

using namespace qt_test;
using Strings = std::vector<std::string>;

namespace {

constexpr int kActi = qp::kListActivator, kCells = qp::kListCell, kRegions = qp::kListRegion;

// Activator rows: 0 "" Lever, 1 "T" Door Old -> Door New, 2 "L" Chest, 3 "N".
struct Loaded {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    explicit Loaded(int32_t fileType = 0) {
        WriteFile(env.ExtDb(), Pairs({{"Door Old", "Door New"}}));
        WriteFile(env.Data("Actidata.dat"), Pairs({{"Chest", "Coffre"}}));
        auto acti = [](const std::string& id, const std::string& name) {
            return Record("ACTI", {{"NAME", Z(id)}, {"FNAM", Z(name)}});
        };
        env.Load(env.PutPlugin(
            "p.esp", Plugin({Record("CELL", {{"NAME", Z("Balmora")}}),
                             Record("REGN", {{"NAME", Z("ai")}, {"FNAM", Z("Ascadian Isles")}}),
                             acti("act_plain", "Lever"), acti("act_db", "Door Old"),
                             acti("act_dict", "Chest"), Record("ACTI", {{"NAME", Z("act_none")}})},
                            fileType)));
    }
    // Opens row r of list g by activation or through the pop-up's Edit item.
    void Open(int g, int r, bool popup = false) {
        ui.ListSelectRow(g, r);
        ui.PushControl(g, popup ? qp::ControlAction::RightClick : qp::ControlAction::Activate);
        if (popup) ui.PushMenu(qp::kMenuEdit);
        env.Run();
    }
    qp::Row RowOf(int g, int r) { return ui.Rows(g).at(static_cast<size_t>(r)); }
    bool IsOpen() { return ui.Dialog(1).open && qp::gWs.dialogOpen; }
};

}  // namespace

TEST(NameEdit, WindowCaptionPlaceControlsAndMenuLock) {
    // The headless main window stands at (100, 50), 800 x 600 inside at start.
    const std::tuple<int, int, int, std::string> cases[] = {
        {kActi, 0, 0, "Activator 320,280,360,140"}, {kCells, 1001, 701, "Cell 420,330,360,140"}};
    for (const auto& [list, width, height, window] : cases) {
        Loaded t;
        if (width) t.ui.PushSize(width, height);
        t.Open(list, 0);
        EXPECT_EQ(t.ui.Dialog(1).caption + " " + Geometry(t.ui.Dialog(1).outer), window);
        // "window kind geometry text", then "R" when right-aligned, "-" when disabled.
        Strings controls;
        for (int n : {qp::kCtlIdLabel, qp::kCtlIdField, qp::kCtlFvLabel, qp::kCtlFvField,
                      qp::kCtlOvLabel, qp::kCtlOvField, qp::kCtlOk, qp::kCtlCancel, qp::kCtlOvCount}) {
            const auto k = t.ui.Control(n);
            controls.push_back(std::to_string(k.window) + " " + k.kind + " " + Geometry(k.rect) +
                               " " + k.text + (k.alignRight ? "R" : "") + (k.enabled ? "" : "-"));
        }
        const qp::Row row = t.RowOf(list, 0);
        EXPECT_EQ(controls, (Strings{"1 label 25,12,25,22 IDR", "1 edit 55,7,280,22 " + row[1],
                                     "1 label 4,36,46,22 FV NameR", "1 edit 55,31,280,22 " + row[2],
                                     "1 label 4,60,46,22 OV NameR", "1 edit 55,55,280,22 " + row[3],
                                     "1 button 97,85,75,24 OK", "1 button 220,85,75,24 Cancel",
                                     "1 label 4,89,88,22 " + std::to_string(row[3].size()) +
                                         (list == kCells ? " / 63" : " / 31")}));
        EXPECT_FALSE(t.ui.HasControl(qp::kCtlOkReason));
        // The keyboard in OV Name; Enter is OK, Escape Cancel; the counter follows typing.
        EXPECT_EQ(t.ui.FocusedControl(), qp::kCtlOvField);
        EXPECT_EQ(t.ui.DialogKeys(1), (std::pair{int(qp::kCtlOk), int(qp::kCtlCancel)}));
        t.ui.TypeText(qp::kCtlOvField, std::string(40, 'x'));
        t.ui.PushControl(qp::kCtlOvField, qp::ControlAction::Change);
        t.env.Run();
        EXPECT_EQ(t.ui.GetControlText(qp::kCtlOvCount), list == kCells ? "40 / 63" : "40 / 31");
        for (int id : {qp::kMenuLoad, qp::kMenuSave, qp::kMenuSaveAs, qp::kMenuReset,
                       qp::kMenuTextBook, qp::kMenuTextSkill, qp::kMenuEdit, qp::kMenuQuit})
            EXPECT_EQ(t.ui.IsMenuItemEnabled(id), id == qp::kMenuQuit) << "menu " << id;
        t.env.Press(qp::kCtlCancel);
        EXPECT_TRUE(!t.IsOpen() && t.ui.IsMenuItemEnabled(qp::kMenuLoad));
    }
}

TEST(NameEdit, OkStoresANameThatDiffersFromTheFvFieldWithinTheLimit) {
    const std::string n31(31, 'n'), n32(32, 'n'), n63(63, 'n'), n64(64, 'n');
    const std::string k31 = "INFORMATION/4/The name has more than 31 characters.";
    const std::string k63 = "INFORMATION/4/The name has more than 63 characters.";
    struct Case {
        int list, row;
        std::string ov, fv, refusal;  // fv "": the field as opened; refusal "": accepted
        qp::Row after;                // empty: as before
    } const cases[] = {
        {kActi, 0, "", "", "", {"*", "act_plain", "Lever", ""}},
        {kActi, 1, "door old", "", "", {"*", "act_db", "Door Old", "door old"}},
        {kActi, 1, "Door Old", "", "", {}},
        {kActi, 0, "Levier", "Levier", "", {}},  // compared with the FV field as typed
        {kActi, 0, n31, "", "", {"*", "act_plain", "Lever", n31}},
        {kActi, 0, n32, "", k31, {}},
        {kCells, 0, n63, "", "", {"*", "Balmora", "Balmora", n63}},
        {kCells, 0, n64, "", k63, {}},
        {kRegions, 0, n64, "", k63, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.list) + "/" + c.ov + "/" + c.fv);
        Loaded t;
        const qp::Row before = t.RowOf(c.list, c.row);
        t.Open(c.list, c.row);
        t.ui.TypeText(qp::kCtlOvField, c.ov);
        if (!c.fv.empty()) t.ui.TypeText(qp::kCtlFvField, c.fv);
        t.env.Press(qp::kCtlOk);
        EXPECT_EQ(Shown(t.ui), c.refusal.empty() ? Strings{} : Strings{c.refusal});
        EXPECT_EQ(t.RowOf(c.list, c.row), c.after[1].empty() ? before : c.after);
        EXPECT_EQ(t.IsOpen(), !c.refusal.empty());
        if (!c.refusal.empty()) { EXPECT_EQ(t.ui.GetControlText(qp::kCtlOvField), c.ov); }
    }
}

TEST(NameEdit, RefusedRowsAndNoRowOpenNothingFromListOrPopup) {
    const std::string master = "INFORMATION/4/    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT";
    // file type, list, row, message ("": none); list 9 is empty
    const std::tuple<int32_t, int, int, std::string> cases[] = {
        {0, kActi, 3, "INFORMATION/4/NAME EMPTIES UNAUTHORIZED TRANSLATION."},
        {1, kActi, 0, master}, {0, kActi, -1, ""}, {0, qp::kListBook, 1, ""}};
    for (const auto& [fileType, list, row, text] : cases) {
        SCOPED_TRACE(std::to_string(list) + "/" + std::to_string(row));
        Loaded t(fileType);
        t.Open(list, row);
        t.Open(list, row, true);
        EXPECT_EQ(Shown(t.ui), Strings(text.empty() ? 0 : 2, text));
        EXPECT_FALSE(t.IsOpen());
    }
}

TEST(NameEdit, DictionaryRowsAndSecondActivationsChangeNothing) {
    Loaded t;
    const qp::Row dict = t.RowOf(kActi, 2);
    ASSERT_EQ(dict[0], "L");
    EditName(t.env, kActi, 2, "Malle");  // OK is disabled: the press does nothing
    EXPECT_FALSE(t.ui.IsControlEnabled(qp::kCtlOk));
    // and the dialog, one line taller, says why
    EXPECT_EQ(Geometry(t.ui.Dialog(1).outer), "320,280,360,162");
    EXPECT_EQ(Geometry(t.ui.Control(qp::kCtlOkReason).rect) + " " + t.ui.Control(qp::kCtlOkReason).text,
              std::string("4,114,340,20 ") + qp::kDictionaryNameReason);
    EXPECT_EQ(t.RowOf(kActi, 2), dict);
    t.env.Press(qp::kCtlCancel);

    t.Open(kActi, 0);
    t.ui.TypeText(qp::kCtlOvField, "Levier");
    t.Open(kActi, 1);  // the list stays usable, the dialog keeps its row
    EXPECT_EQ(qp::gWs.currentRow.id + "/" + std::to_string(qp::NameEditRow()), "act_db/0");
    t.env.Press(qp::kCtlOk);
    EXPECT_EQ(t.RowOf(kActi, 0), (qp::Row{"*", "act_plain", "Lever", "Levier"}));
    EXPECT_EQ(t.RowOf(kActi, 1)[0], "T");
    EXPECT_EQ(t.ui.ListFocusedRow(kActi), 0);  // the edited row gets its focus back
}

// The name edit dialog on a loaded plugin: window and controls, what OK
// stores, the length limits, refusals, and the row given back its focus.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "ui/nameedit.h"
#include "test_support.h"

using namespace qt_test;

namespace {

constexpr int kActivators = 6;
constexpr int kCells = 3;
constexpr int kRegions = 4;

// Activator rows: 0 "" Lever, 1 "T" Door Old -> Door New, 2 "L" Chest, 3 "N".
struct Loaded {
    Env env;
    explicit Loaded(int32_t fileType = 0) {
        WriteFile(env.ExtDb(), Pairs({{"Door Old", "Door New"}}));
        WriteFile(env.Data("Actidata.dat"), Pairs({{"Chest", "Coffre"}}));
        auto acti = [](const std::string& id, const std::string& name) {
            std::vector<Sub> subs{{"NAME", Z(id)}, {"MODL", Z("x.nif")}};
            if (!name.empty()) subs.push_back({"FNAM", Z(name)});
            return Record("ACTI", subs);
        };
        env.Load(env.PutPlugin(
            "p.esp", Plugin({Record("CELL", {{"NAME", Z("Balmora")}}),
                             Record("REGN", {{"NAME", Z("ai")}, {"FNAM", Z("Ascadian Isles")}}),
                             acti("act_plain", "Lever"), acti("act_db", "Door Old"),
                             acti("act_dict", "Chest"), acti("act_none", "")},
                            fileType)));
    }
    qp::HeadlessPlatform& ui() { return env.ui; }
    void Activate(int g, int r) {
        env.ui.ListSelectRow(g, r);
        env.ui.PushControl(g, qp::ControlAction::Activate);
        env.Run();
    }
    void Press(int control) {
        env.ui.PushControl(control, qp::ControlAction::Press);
        env.Run();
    }
    qp::Row RowOf(int g, int r) { return env.ui.Rows(g).at(static_cast<size_t>(r)); }
    qp::Row EntryOf(int g, int r) {
        const auto& e = qp::gNameLists[g].at(static_cast<size_t>(r));
        return {e.flag, e.id, e.fv, e.ov};
    }
};

const int kLockedMenus[] = {qp::kMenuLoad, qp::kMenuSave, qp::kMenuSaveAs, qp::kMenuReset,
                            qp::kMenuTextBook, qp::kMenuTextClass, qp::kMenuTextRace,
                            qp::kMenuTextSkill, qp::kMenuTextBirthsign, qp::kMenuEdit};

void ExpectClosed(Loaded& t, const std::string& why) {
    EXPECT_FALSE(t.ui().Dialog(1).open) << why;
    EXPECT_EQ(qp::gDialogOpen, 0) << why;
    for (int id : kLockedMenus) EXPECT_TRUE(t.ui().IsMenuItemEnabled(id)) << why << " menu " << id;
}

}  // namespace

TEST(NameEdit, WindowCaptionPlaceAndControls) {
    struct Case {
        int list, width, height;  // main window inner size (0: as started)
        const char* caption;
        qp::Rect outer;
    };
    // The headless main window stands at (100, 50); the size starts at 800 x 600.
    const Case cases[] = {
        {kActivators, 0, 0, "Activator", {320, 280, 360, 140}},
        {kCells, 1001, 701, "Cell", {420, 330, 360, 140}},
    };
    for (const Case& c : cases) {
        Loaded t;
        if (c.width) {
            t.ui().PushSize(c.width, c.height);
            t.env.Run();
        }
        t.Activate(c.list, 0);
        auto d = t.ui().Dialog(1);
        ASSERT_TRUE(d.open);
        EXPECT_EQ(d.caption, c.caption);
        EXPECT_EQ((std::vector<int>{d.outer.x, d.outer.y, d.outer.w, d.outer.h}),
                  (std::vector<int>{c.outer.x, c.outer.y, c.outer.w, c.outer.h}));
        qp::Row row = t.RowOf(c.list, 0);
        struct Control {
            int number;
            const char* kind;
            qp::Rect r;
            std::string text;
            bool right;
        };
        const Control controls[] = {
            {qp::kCtlIdLabel, "label", {25, 12, 25, 22}, "ID", true},
            {qp::kCtlIdField, "edit", {55, 7, 280, 22}, row[1], false},
            {qp::kCtlFvLabel, "label", {4, 36, 46, 22}, "FV Name", true},
            {qp::kCtlFvField, "edit", {55, 31, 280, 22}, row[2], false},
            {qp::kCtlOvLabel, "label", {4, 60, 46, 22}, "OV Name", true},
            {qp::kCtlOvField, "edit", {55, 55, 280, 22}, row[3], false},
            {qp::kCtlOk, "button", {97, 85, 75, 24}, "OK", false},
            {qp::kCtlCancel, "button", {220, 85, 75, 24}, "Cancel", false},
        };
        for (const Control& want : controls) {
            auto got = t.ui().Control(want.number);
            EXPECT_EQ(got.window, 1) << want.number;
            EXPECT_EQ(got.kind, want.kind) << want.number;
            EXPECT_EQ((std::vector<int>{got.rect.x, got.rect.y, got.rect.w, got.rect.h}),
                      (std::vector<int>{want.r.x, want.r.y, want.r.w, want.r.h}))
                << want.number;
            EXPECT_EQ(got.text, want.text) << want.number;
            if (want.kind == std::string("label")) {
                EXPECT_EQ(got.alignRight, want.right) << want.number;
            }
            EXPECT_TRUE(got.enabled) << want.number;
        }
        EXPECT_EQ(qp::gDialogOpen, 1);
        for (int id : kLockedMenus) EXPECT_FALSE(t.ui().IsMenuItemEnabled(id)) << id;
        for (int id : {qp::kMenuQuit, qp::kMenuHelp, qp::kMenuAbout})
            EXPECT_TRUE(t.ui().IsMenuItemEnabled(id)) << id;
        t.Press(qp::kCtlCancel);
        ExpectClosed(t, c.caption);
    }
}

TEST(NameEdit, OkMarksTheRowOnlyWhenTheNameDiffersFromTheFvField) {
    struct Case {
        const char* why;
        int row;
        std::string typedOv;
        const char* typedFv;  // nullptr: the field as opened
        qp::Row after;
    };
    const Case cases[] = {
        {"plain row", 0, "Levier", nullptr, {"*", "act_plain", "Lever", "Levier"}},
        {"database row", 1, "Porte", nullptr, {"*", "act_db", "Door Old", "Porte"}},
        {"empty name", 0, "", nullptr, {"*", "act_plain", "Lever", ""}},
        {"letter case counts", 1, "door old", nullptr, {"*", "act_db", "Door Old", "door old"}},
        {"same as FV keeps flag and OV", 1, "Door Old", nullptr, {"T", "act_db", "Door Old", "Door New"}},
        {"compared with the FV field as typed", 0, "Levier", "Levier", {"", "act_plain", "Lever", "Lever"}},
    };
    for (const Case& c : cases) {
        Loaded t;
        t.Activate(kActivators, c.row);
        ASSERT_TRUE(t.ui().Dialog(1).open) << c.why;
        t.ui().TypeText(qp::kCtlOvField, c.typedOv);
        if (c.typedFv) t.ui().TypeText(qp::kCtlFvField, c.typedFv);
        t.Press(qp::kCtlOk);
        EXPECT_EQ(t.RowOf(kActivators, c.row), c.after) << c.why;
        EXPECT_EQ(t.EntryOf(kActivators, c.row), c.after) << c.why;
        EXPECT_EQ(qp::gNameLists[kActivators][static_cast<size_t>(c.row)].block, c.row + 3) << c.why;
        EXPECT_TRUE(t.ui().Messages().empty()) << c.why;
        ExpectClosed(t, c.why);
    }
}

TEST(NameEdit, StarredRowEditedAgainKeepsTheNewestName) {
    Loaded t;
    for (const char* name : {"Levier", "Manette"}) {
        t.Activate(kActivators, 0);
        t.ui().TypeText(qp::kCtlOvField, name);
        t.Press(qp::kCtlOk);
    }
    EXPECT_EQ(t.RowOf(kActivators, 0), (qp::Row{"*", "act_plain", "Lever", "Manette"}));
    EXPECT_EQ(t.EntryOf(kActivators, 0), t.RowOf(kActivators, 0));
}

TEST(NameEdit, LengthLimitPerList) {
    struct Case {
        int list, length;
        const char* refusal;  // nullptr: accepted
    };
    const Case cases[] = {
        {kActivators, 31, nullptr},
        {kActivators, 32, "The name has more than 31 characters."},
        {kCells, 63, nullptr},
        {kCells, 64, "The name has more than 63 characters."},
        {kRegions, 64, "The name has more than 63 characters."},
    };
    for (const Case& c : cases) {
        Loaded t;
        const qp::Row before = t.RowOf(c.list, 0);
        t.Activate(c.list, 0);
        const std::string name(static_cast<size_t>(c.length), 'n');
        t.ui().TypeText(qp::kCtlOvField, name);
        t.Press(qp::kCtlOk);
        std::string why = std::to_string(c.list) + "/" + std::to_string(c.length);
        if (!c.refusal) {
            EXPECT_TRUE(t.ui().Messages().empty()) << why;
            EXPECT_EQ(t.RowOf(c.list, 0)[3], name) << why;
            ExpectClosed(t, why);
            continue;
        }
        auto msgs = t.ui().Messages();
        ASSERT_EQ(msgs.size(), 1u) << why;
        EXPECT_EQ(msgs[0].title, "INFORMATION");
        EXPECT_EQ(msgs[0].text, c.refusal);
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop);
        EXPECT_TRUE(t.ui().Dialog(1).open) << why;
        EXPECT_EQ(t.ui().GetControlText(qp::kCtlOvField), name) << why;
        EXPECT_EQ(t.RowOf(c.list, 0), before) << why;
        EXPECT_EQ(t.EntryOf(c.list, 0), before) << why;
        EXPECT_EQ(qp::gDialogOpen, 1) << why;
    }
}

TEST(NameEdit, DictionaryRowCanBeLookedAtButNotChanged) {
    Loaded t;
    const qp::Row before = t.RowOf(kActivators, 2);
    ASSERT_EQ(before[0], "L");
    t.Activate(kActivators, 2);
    ASSERT_TRUE(t.ui().Dialog(1).open);
    EXPECT_FALSE(t.ui().IsControlEnabled(qp::kCtlOk));
    EXPECT_TRUE(t.ui().IsControlEnabled(qp::kCtlCancel));
    t.ui().TypeText(qp::kCtlOvField, "Malle");
    t.Press(qp::kCtlOk);
    EXPECT_TRUE(t.ui().Dialog(1).open);
    EXPECT_EQ(t.RowOf(kActivators, 2), before);
    EXPECT_EQ(t.EntryOf(kActivators, 2), before);
    t.Press(qp::kCtlCancel);
    ExpectClosed(t, "cancel");
    // The next row opened gets its OK back.
    t.Activate(kActivators, 0);
    EXPECT_TRUE(t.ui().IsControlEnabled(qp::kCtlOk));
}

TEST(NameEdit, RefusalsOpenNothing) {
    struct Case {
        const char* why;
        int32_t fileType;
        int row;
        const char* text;  // nullptr: no message either
    };
    const Case cases[] = {
        {"unnamed record", 0, 3, "NAME EMPTIES UNAUTHORIZED TRANSLATION."},
        {"master file", 1, 0, "    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT"},
        {"master file, unnamed row", 1, 3, "    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT"},
        {"no focused row", 0, -1, nullptr},
    };
    for (const Case& c : cases) {
        Loaded t(c.fileType);
        t.Activate(kActivators, c.row);
        // The pop-up item goes the same way.
        t.ui().PushMenu(qp::kMenuEdit);
        t.env.Run();
        auto msgs = t.ui().Messages();
        ASSERT_EQ(msgs.size(), c.text ? 2u : 0u) << c.why;
        for (const auto& m : msgs) {
            EXPECT_EQ(m.title, "INFORMATION") << c.why;
            EXPECT_EQ(m.text, c.text) << c.why;
            EXPECT_EQ(m.icon, qp::Icon::Stop) << c.why;
        }
        EXPECT_FALSE(t.ui().Dialog(1).open) << c.why;
        ExpectClosed(t, c.why);
    }
}

TEST(NameEdit, RowGetsItsFocusBackOnOkAndCancelButNotOnTheCloseBox) {
    struct Case {
        const char* why;
        int control;  // 0: close box
        int focus;
    };
    const Case cases[] = {
        {"OK", qp::kCtlOk, 1},
        {"Cancel", qp::kCtlCancel, 1},
        {"close box", 0, -1},
    };
    for (const Case& c : cases) {
        Loaded t;
        const qp::Row before = t.RowOf(kActivators, 1);
        t.Activate(kActivators, 1);
        t.ui().TypeText(qp::kCtlOvField, "Portail");
        t.ui().ListSelectRow(kActivators, -1);
        if (c.control) {
            t.Press(c.control);
        } else {
            t.ui().PushClose(1);
            t.env.Run();
        }
        EXPECT_EQ(t.ui().ListFocusedRow(kActivators), c.focus) << c.why;
        ExpectClosed(t, c.why);
        if (c.control != qp::kCtlOk) {
            EXPECT_EQ(t.RowOf(kActivators, 1), before) << c.why;
            EXPECT_EQ(t.EntryOf(kActivators, 1), before) << c.why;
        }
    }
}

TEST(NameEdit, SecondActivationWhileOpenChangesNothing) {
    Loaded t;
    t.Activate(kActivators, 0);
    ASSERT_TRUE(t.ui().Dialog(1).open);
    t.ui().TypeText(qp::kCtlOvField, "Levier");
    t.Activate(kActivators, 1);
    // The list stays usable, the dialog keeps its row.
    EXPECT_EQ(qp::gCurrentRow.id, "act_db");
    EXPECT_EQ(qp::NameEditRow(), 0);
    EXPECT_EQ(t.ui().GetControlText(qp::kCtlIdField), "act_plain");
    EXPECT_EQ(t.ui().GetControlText(qp::kCtlOvField), "Levier");
    t.Press(qp::kCtlOk);
    EXPECT_EQ(t.RowOf(kActivators, 0), (qp::Row{"*", "act_plain", "Lever", "Levier"}));
    EXPECT_EQ(t.RowOf(kActivators, 1)[0], "T");
    EXPECT_EQ(t.ui().ListFocusedRow(kActivators), 0);
}

TEST(NameEdit, PopupEditOpensTheFocusedRowAndNothingOnAnEmptyList) {
    Loaded t;
    for (int g : {9, kActivators}) {
        t.ui().ListSelectRow(g, 1);
        t.ui().PushControl(g, qp::ControlAction::RightClick);
        t.ui().PushMenu(qp::kMenuEdit);
        t.env.Run();
    }
    EXPECT_EQ(t.ui().PopupsShown(), 2);
    ASSERT_TRUE(t.ui().Dialog(1).open);
    EXPECT_EQ(qp::NameEditList(), kActivators);
    EXPECT_EQ(t.ui().GetControlText(qp::kCtlIdField), "act_db");
    EXPECT_EQ(t.ui().GetControlText(qp::kCtlFvField), "Door Old");
    EXPECT_EQ(t.ui().GetControlText(qp::kCtlOvField), "Door New");
}

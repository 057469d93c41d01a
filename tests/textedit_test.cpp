// The long-text dialog: book texts and descriptions beside the translations
// of the long-text files, written into the records by "SAVE".
#include <gtest/gtest.h>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
using qp::ControlAction;
using Strings = std::vector<std::string>;

namespace {

std::string Book(const std::string& id, const std::string& text) {
    return Record("BOOK", {{"NAME", Z(id)}, {"FNAM", Z("Name " + id)}, {"BKDT", std::string(20, '\x01')},
                           {"TEXT", text}});
}
std::string Described(const std::string& type, const std::string& id, const std::string& desc) {
    return Record(type, {{"NAME", Z(id)}, {"FNAM", Z("Name " + id)}, {"DESC", desc}});
}
std::string Skill(int32_t index, const std::string& desc) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, '\x02')}, {"DESC", desc}});
}
// n bytes that are not the same everywhere.
std::string Text(size_t n, char first = 'a') {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 23);
    return s;
}

struct T {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    void Menu(int id) {
        ui.PushMenu(id);
        env.Run();
    }
    void Select(int row) {
        ui.FocusDialogRow(qp::kCtlTextList, row);
        ui.PushControl(qp::kCtlTextList, ControlAction::Click);
        env.Run();
    }
    void Press(int control) {
        ui.PushControl(control, ControlAction::Press);
        env.Run();
    }
    // "source|translation|SAVE COPY", "-" standing for a disabled button.
    std::string State() {
        return ui.Control(qp::kCtlSourcePane).text + "|" + ui.Control(qp::kCtlTranslationPane).text + "|" +
               (ui.Control(qp::kCtlTextSave).enabled ? "SAVE" : "-") + " " +
               (ui.Control(qp::kCtlTextCopy).enabled ? "COPY" : "-");
    }
    std::string Buttons() { return State().substr(State().rfind('|') + 1); }
    // The data of the first subrecord of that name in a block.
    std::string Data(int block, const std::string& name) {
        const int p = qp::FindSubrecord(block, name);
        return p < 0 ? "<none>"
                     : qp::gTable.blocks[static_cast<size_t>(block)].substr(
                           static_cast<size_t>(p) + 8, static_cast<size_t>(qp::ReadBlockInt(block, p + 4)));
    }
};

}  // namespace

TEST(TextEdit, BookDialogFromOpeningToTheSavedPlugin) {
    T t;
    const std::string text = Text(1200), translation = Text(1250, 'A');
    std::string typed;
    for (int c = 0; c < 256; ++c) typed += static_cast<char>(c);
    typed += "line\r\nline\rline\nend";
    WriteFile(t.env.Data("Txtbookdata.dat"),
              Triples({{"bk9", "", "other"}, {"bk1", "", translation}, {"bk2", "", "Bonjour"}}));
    const std::string in = t.env.PutPlugin(
        "in.esp", Plugin({Book("bk1", text), Book("bk2", Z("Hello")), Book("bk3", "Source only")}));
    t.env.Load(in);
    const int32_t block = qp::BlockSize(1), record = qp::ReadBlockInt(1, 4);
    t.Menu(qp::kMenuTextBook);

    // Main window at 100, 50, 800 by 600 inside.
    const qp::HeadlessDialog d = t.ui.Dialog(2);
    EXPECT_EQ(std::to_string(d.open) + d.caption + " " + std::to_string(d.outer.x) + "," + std::to_string(d.outer.y) +
                  "," + std::to_string(d.outer.w) + "," + std::to_string(d.outer.h),
              "1Book 150,100,700,500");
    Strings texts;
    for (int n : {qp::kCtlOriginalLabel, qp::kCtlTranslationLabel, qp::kCtlTextList, qp::kCtlTextSave,
                  qp::kCtlTextCopy, qp::kCtlTextCancel})
        texts.push_back(t.ui.Control(n).text);
    EXPECT_EQ(texts, (Strings{"Original text :", "Translation to do :", "Id Book", "SAVE", "COPY", "CANCEL"}));
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).rows, (Strings{"bk1", "bk2", "bk3"}));
    EXPECT_TRUE(t.ui.Control(qp::kCtlSourcePane).readOnly);
    EXPECT_EQ(t.Buttons(), "- -");
    EXPECT_FALSE(t.ui.IsMenuItemEnabled(qp::kMenuLoad));
    EXPECT_FALSE(t.ui.IsMenuItemEnabled(qp::kMenuTextBook));

    // The first matching triple; SAVE twice of a text 50 bytes longer: sizes in step, the text once.
    t.Select(0);
    EXPECT_EQ(t.State(), text + "|" + translation + "|SAVE -");
    for (int i = 0; i < 2; ++i) {
        t.Press(qp::kCtlTextSave);
        EXPECT_EQ(qp::BlockSize(1), block + 50);
        EXPECT_EQ(qp::gTable.sizes[1], block + 50);
        EXPECT_EQ(qp::ReadBlockInt(1, 4), record + 50);
        EXPECT_EQ(t.Data(1, "TEXT"), translation);
    }
    // A terminator is not shown, and goes: the subrecord size is its data.
    t.Select(1);
    EXPECT_EQ(t.State(), "Hello|Bonjour|SAVE -");
    t.Press(qp::kCtlTextSave);
    EXPECT_EQ(t.Data(2, "TEXT"), "Bonjour");
    EXPECT_EQ(qp::BlockSize(2), qp::ReadBlockInt(2, 4) + 16);
    // No triple: COPY; the pane keeps every byte value and line end.
    t.Select(2);
    EXPECT_EQ(t.State(), "Source only||- COPY");
    t.Press(qp::kCtlTextCopy);
    EXPECT_EQ(t.State(), "Source only|Source only|SAVE -");
    t.ui.TypeText(qp::kCtlTranslationPane, typed);
    t.Press(qp::kCtlTextSave);
    EXPECT_EQ(t.ui.Rows(9)[2][0], "");  // SAVE sets no row flag
    EXPECT_TRUE(t.ui.Dialog(2).open);
    t.Press(qp::kCtlTextCancel);
    t.env.Save();
    EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", translation), Book("bk2", "Bonjour"), Book("bk3", typed)}));
}

TEST(TextEdit, ButtonsFollowTheTextLengths) {
    T t;
    WriteFile(t.env.Data("Txtbookdata.dat"),
              Triples({{"long", "", "Longue"}, {"one", "", "y"}, {"missing", "", "Absente"}}));
    t.env.Load(t.env.PutPlugin(
        "in.esp", Plugin({Book("long", "Long text"), Book("one", "x"), Book("plain", "Plain text"),
                          Record("BOOK", {{"NAME", Z("empty")}, {"FNAM", Z("E")}}),
                          Record("BOOK", {{"NAME", Z("missing")}, {"FNAM", Z("M")}})})));
    t.Menu(qp::kMenuTextBook);
    // One-character texts (row 1), and a translation without a source (row 4),
    // leave the buttons as they were.
    const std::pair<int, const char*> steps[] = {{0, "SAVE -"}, {1, "SAVE -"}, {2, "- COPY"}, {1, "- COPY"},
                                                 {3, "- -"},    {4, "- -"},    {0, "SAVE -"}, {4, "SAVE -"}};
    for (const auto& [row, buttons] : steps) {
        t.Select(row);
        EXPECT_EQ(t.Buttons(), buttons) << "row " << row;
    }
    // Without a TEXT subrecord SAVE has nothing to write into.
    const std::string before = qp::gTable.blocks[5];
    t.Press(qp::kCtlTextSave);
    EXPECT_EQ(qp::gTable.blocks[5], before);
}

TEST(TextEdit, ClosingRebuildsOnlyTheTabOfItsType) {
    T t;
    t.env.Load(t.env.PutPlugin("in.esp", Plugin({Book("bk1", "Text"), Described("CLAS", "cl1", "Class text"),
                                                 Described("RACE", "ra1", "Race text"),
                                                 Described("BSGN", "bs1", "Sign"), Skill(0, "Skill text")})));
    auto fills = [&] {
        std::vector<int> v;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) v.push_back(t.ui.ListSetRowsCalls(g));
        return v;
    };
    // menu, its tab (0: none), closed by the close box or by CANCEL
    const std::tuple<int, int, bool> cases[] = {{qp::kMenuTextRace, 24, true}, {qp::kMenuTextClass, 25, false},
                                                {qp::kMenuTextBook, 9, true}, {qp::kMenuTextBirthsign, 26, false},
                                                {qp::kMenuTextSkill, 0, true}};
    for (const auto& [menu, list, closeBox] : cases) {
        SCOPED_TRACE(menu);
        std::vector<int> want = fills();
        if (list) ++want[static_cast<size_t>(list - qp::kFirstList)];
        t.Menu(menu);
        ASSERT_TRUE(t.ui.Dialog(2).open);
        closeBox ? t.ui.PushClose(2) : t.ui.PushControl(qp::kCtlTextCancel, ControlAction::Press);
        t.env.Run();
        EXPECT_EQ(t.ui.Dialog(2).open || qp::gDialogOpen.load(), false);
        EXPECT_TRUE(t.ui.IsMenuItemEnabled(qp::kMenuLoad) && t.ui.IsMenuItemEnabled(qp::kMenuTextRace));
        EXPECT_EQ(fills(), want);
    }
    EXPECT_EQ(t.ui.Rows(24), (std::vector<qp::Row>{{"", "ra1", "Name ra1", "Name ra1"}}));
}

TEST(TextEdit, MasterFilesAreRefused) {
    T t;
    t.env.Load(t.env.PutPlugin("in.esm", Plugin({Book("bk1", "Text")}, 1)));
    t.Menu(qp::kMenuTextBook);
    EXPECT_FALSE(t.ui.Dialog(2).open);
    ASSERT_EQ(t.ui.Messages().size(), 1u);
    const auto m = t.ui.Messages()[0];
    EXPECT_EQ(m.title + "/" + m.text, "INFORMATION/    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT");
    EXPECT_EQ(m.icon, qp::Icon::Stop);
}

TEST(TextEdit, TranslationsBeyondThePaneLimitAreRefused) {
    T t;
    const std::string fits = Text(65536), tooLong = Text(65537);
    WriteFile(t.env.Data("Txtbookdata.dat"), Triples({{"bk1", "", fits}, {"bk2", "", tooLong}}));
    t.env.Load(t.env.PutPlugin("in.esp", Plugin({Book("bk1", "One"), Book("bk2", "Two")})));
    t.Menu(qp::kMenuTextBook);
    t.Select(0);
    EXPECT_EQ(t.State(), "One|" + fits + "|SAVE -");
    EXPECT_TRUE(t.ui.Messages().empty());
    t.Select(1);
    EXPECT_EQ(t.State(), "Two||- COPY");
    ASSERT_EQ(t.ui.Messages().size(), 1u);
    EXPECT_NE(t.ui.Messages()[0].text.find("65536"), std::string::npos);
}

TEST(TextEdit, SkillsComeFromTheSkillListOfThisPlugin) {
    T t;
    WriteFile(t.env.Data("Skildata.dat"), Triples({{"Block", "Block", "Parade"}, {"Armorer", "Armorer", "Armurier"}}));
    WriteFile(t.env.Data("Txtskildata.dat"), Triples({{"Armorer", "", "Armurier desc"}}));
    t.env.Load(t.env.PutPlugin("a.esp", Plugin({Skill(1, "Armorer desc"), Skill(0, "Block desc")})));
    t.Menu(qp::kMenuTextSkill);
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).text, "Id Skill");
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).rows, (Strings{"Armorer", "Block"}));
    t.Select(0);
    EXPECT_EQ(t.State(), "Armorer desc|Armurier desc|SAVE -");
    t.Press(qp::kCtlTextCancel);
    // The second plugin has a class where the first had a skill.
    t.env.Load(t.env.PutPlugin("b.esp", Plugin({Described("CLAS", "cl1", "Class text"), Skill(1, "Armorer desc")})));
    t.Menu(qp::kMenuTextSkill);
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).rows, (Strings{"Armorer"}));
    const std::string classBlock = qp::gTable.blocks[1];
    t.Select(0);
    t.Press(qp::kCtlTextSave);
    EXPECT_EQ(t.Data(2, "DESC"), "Armurier desc");
    EXPECT_EQ(qp::gTable.blocks[1], classBlock);
}

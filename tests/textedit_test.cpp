// The long-text dialog: book texts and descriptions beside the translations
// of the long-text files, written into the records by "SAVE".
#include <gtest/gtest.h>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "ui/nameedit.h"
#include "test_support.h"

using namespace qt_test;
using qp::ControlAction;

namespace {

std::string Book(const std::string& id, const std::string& text) {
    return Record("BOOK", {{"NAME", Z(id)}, {"FNAM", Z("Name " + id)},
                           {"BKDT", std::string(20, '\x01')}, {"TEXT", text}});
}

std::string Described(const std::string& type, const std::string& id, const std::string& desc) {
    return Record(type, {{"NAME", Z(id)}, {"FNAM", Z("Name " + id)}, {"DESC", desc}});
}

std::string Skill(int32_t index, const std::string& desc) {
    return Record("SKIL", {{"INDX", Int32(index)}, {"SKDT", std::string(24, '\x02')}, {"DESC", desc}});
}

// Text of n bytes that is not the same everywhere.
std::string Text(size_t n, char first = 'a') {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 23);
    return s;
}

void Open(Env& env, int menu) {
    env.ui.PushMenu(menu);
    env.Run();
}

void Select(Env& env, int row) {
    env.ui.FocusDialogRow(qp::kCtlTextList, row);
    env.ui.PushControl(qp::kCtlTextList, ControlAction::Click);
    env.Run();
}

void Press(Env& env, int control) {
    env.ui.PushControl(control, ControlAction::Press);
    env.Run();
}

std::string Pane(Env& env, int control) { return env.ui.Control(control).text; }

// (SAVE enabled, COPY enabled)
std::pair<bool, bool> ButtonStates(Env& env) {
    return {env.ui.Control(qp::kCtlTextSave).enabled, env.ui.Control(qp::kCtlTextCopy).enabled};
}

// The data of the first subrecord of that name in a block.
std::string SubrecordData(int block, const std::string& name) {
    int p = qp::FindSubrecord(block, name);
    if (p < 0) return "<none>";
    return qp::gTable.blocks[static_cast<size_t>(block)].substr(static_cast<size_t>(p) + 8,
                                                                static_cast<size_t>(qp::ReadBlockInt(block, p + 4)));
}

}  // namespace

TEST(TextEdit, DialogShowsTextAndTranslationOrOffersCopy) {
    Env env;
    const std::string text = Text(1200);
    WriteFile(env.Data("Txtbookdata.dat"), Triples({{"bk9", "", "other"}, {"bk1", "", "Traduction"}}));
    env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", text), Book("bk2", "Source only")})));
    Open(env, qp::kMenuTextBook);

    qp::HeadlessDialog d = env.ui.Dialog(2);
    EXPECT_TRUE(d.open);
    EXPECT_EQ(d.caption, "Book");
    EXPECT_EQ(d.outer.x, 150);  // main window at 100, 50, 800 by 600 inside
    EXPECT_EQ(d.outer.y, 100);
    EXPECT_EQ(d.outer.w, 700);
    EXPECT_EQ(d.outer.h, 500);
    EXPECT_EQ(env.ui.Control(qp::kCtlOriginalLabel).text, "Original text :");
    EXPECT_EQ(env.ui.Control(qp::kCtlTranslationLabel).text, "Translation to do :");
    qp::HeadlessControl list = env.ui.Control(qp::kCtlTextList);
    EXPECT_EQ(list.text, "Id Book");
    EXPECT_EQ(list.columnWidth, 350);
    EXPECT_EQ(list.rows, (std::vector<std::string>{"bk1", "bk2"}));
    EXPECT_EQ(env.ui.Control(qp::kCtlTextSave).text, "SAVE");
    EXPECT_EQ(env.ui.Control(qp::kCtlTextCopy).text, "COPY");
    EXPECT_EQ(env.ui.Control(qp::kCtlTextCancel).text, "CANCEL");
    EXPECT_TRUE(env.ui.Control(qp::kCtlSourcePane).readOnly);
    EXPECT_EQ(env.ui.Control(qp::kCtlTranslationPane).maxBytes, 65536);
    EXPECT_EQ(ButtonStates(env), std::make_pair(false, false));
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuLoad));
    EXPECT_FALSE(env.ui.IsMenuItemEnabled(qp::kMenuTextBook));

    Select(env, 0);
    EXPECT_EQ(Pane(env, qp::kCtlSourcePane), text);
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), "Traduction");
    EXPECT_EQ(ButtonStates(env), std::make_pair(true, false));

    Select(env, 1);
    EXPECT_EQ(Pane(env, qp::kCtlSourcePane), "Source only");
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), "");
    EXPECT_EQ(ButtonStates(env), std::make_pair(false, true));
    Press(env, qp::kCtlTextCopy);
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), "Source only");
    EXPECT_EQ(ButtonStates(env), std::make_pair(true, false));
}

TEST(TextEdit, SaveWritesTheTranslationWithEverySizeInStep) {
    Env env;
    const std::string text = Text(1200);
    const std::string translation = Text(1250, 'A');
    WriteFile(env.Data("Txtbookdata.dat"), Triples({{"bk1", text, translation}}));
    std::string in = env.PutPlugin("in.esp", Plugin({Book("bk0", "keep"), Book("bk1", text)}));
    env.Load(in);
    const int32_t block = qp::BlockSize(2), record = qp::ReadBlockInt(2, 4);
    Open(env, qp::kMenuTextBook);
    Select(env, 1);
    for (int i = 0; i < 2; ++i) {  // twice: the text stands once
        Press(env, qp::kCtlTextSave);
        EXPECT_EQ(qp::BlockSize(2), block + 50);
        EXPECT_EQ(qp::gTable.sizes[2], block + 50);
        EXPECT_EQ(qp::ReadBlockInt(2, 4), record + 50);
        EXPECT_EQ(SubrecordData(2, "TEXT"), translation);
        EXPECT_EQ(qp::gTable.blocks[2].back(), translation.back());
    }
    // No row flag is set, the dialog stays as it was.
    EXPECT_EQ(env.ui.Rows(9)[1][0], "");
    EXPECT_TRUE(env.ui.Dialog(2).open);
    Press(env, qp::kCtlTextCancel);
    env.Save();
    EXPECT_EQ(ReadFile(in), Plugin({Book("bk0", "keep"), Book("bk1", translation)}));
}

TEST(TextEdit, ButtonsFollowTheTextLengths) {
    Env env;
    WriteFile(env.Data("Txtbookdata.dat"),
              Triples({{"long", "", "Longue"}, {"one", "", "y"}, {"missing", "", "Absente"}}));
    env.Load(env.PutPlugin(
        "in.esp", Plugin({Book("long", "Long text"), Book("one", "x"), Book("plain", "Plain text"),
                          Record("BOOK", {{"NAME", Z("empty")}, {"FNAM", Z("E")}}),
                          Record("BOOK", {{"NAME", Z("missing")}, {"FNAM", Z("M")}})})));
    Open(env, qp::kMenuTextBook);
    struct Step {
        int row;
        bool save, copy;
    } steps[] = {
        {0, true, false},   // both texts above one character
        {1, true, false},   // one character each: as they were
        {2, false, true},   // a source, no translation
        {1, false, true},   // one character each: as they were
        {3, false, false},  // no text at all
        {4, false, false},  // no source, a translation: as they were
        {0, true, false},
        {4, true, false},
    };
    for (const Step& s : steps) {
        Select(env, s.row);
        EXPECT_EQ(ButtonStates(env), std::make_pair(s.save, s.copy)) << "row " << s.row;
    }
    // Without a TEXT subrecord SAVE has nothing to write into.
    const std::string before = qp::gTable.blocks[5];
    Press(env, qp::kCtlTextSave);
    EXPECT_EQ(qp::gTable.blocks[5], before);
}

TEST(TextEdit, ClosingRebuildsOnlyTheTabOfItsType) {
    Env env;
    env.Load(env.PutPlugin(
        "in.esp", Plugin({Book("bk1", "Text"), Described("CLAS", "cl1", "Class text"),
                          Described("RACE", "ra1", "Race text"), Described("BSGN", "bs1", "Sign"),
                          Skill(0, "Skill text")})));
    struct Case {
        int menu, list;
        bool closeBox;
    } cases[] = {{qp::kMenuTextRace, 24, true},  {qp::kMenuTextClass, 25, false},
                 {qp::kMenuTextBook, 9, true},   {qp::kMenuTextBirthsign, 26, false},
                 {qp::kMenuTextSkill, 0, true}};
    for (const Case& c : cases) {
        int before[qp::kLastList + 1] = {};
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) before[g] = env.ui.ListSetRowsCalls(g);
        Open(env, c.menu);
        ASSERT_TRUE(env.ui.Dialog(2).open) << c.menu;
        if (c.closeBox) {
            env.ui.PushClose(2);
            env.Run();
        } else {
            Press(env, qp::kCtlTextCancel);
        }
        EXPECT_FALSE(env.ui.Dialog(2).open);
        EXPECT_EQ(qp::gDialogOpen.load(), 0);
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuLoad));
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuTextRace));
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
            EXPECT_EQ(env.ui.ListSetRowsCalls(g), before[g] + (g == c.list ? 1 : 0))
                << "menu " << c.menu << " list " << g;
    }
    EXPECT_EQ(env.ui.Rows(24).size(), 1u);
    EXPECT_EQ(env.ui.Rows(24)[0][1], "ra1");
}

TEST(TextEdit, DoesNotOpenOnMastersOrBesideTheNameEdit) {
    {
        Env env;
        env.Load(env.PutPlugin("in.esm", Plugin({Book("bk1", "Text")}, 1)));
        Open(env, qp::kMenuTextBook);
        EXPECT_FALSE(env.ui.Dialog(2).open);
        ASSERT_EQ(env.ui.Messages().size(), 1u);
        EXPECT_EQ(env.ui.Messages()[0].title, "INFORMATION");
        EXPECT_EQ(env.ui.Messages()[0].text, "    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT");
        EXPECT_EQ(env.ui.Messages()[0].icon, qp::Icon::Stop);
    }
    Env env;
    env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", "Text")})));
    env.ui.ListSelectRow(9, 0);
    env.ui.PushControl(9, ControlAction::Activate);
    env.Run();
    ASSERT_TRUE(env.ui.Dialog(1).open);
    Open(env, qp::kMenuTextBook);
    EXPECT_FALSE(env.ui.Dialog(2).open);
    EXPECT_TRUE(env.ui.Dialog(1).open);
    EXPECT_TRUE(env.ui.Messages().empty());
}

TEST(TextEdit, SaveKeepsEveryByteAndDropsTheTerminator) {
    Env env;
    WriteFile(env.Data("Txtbookdata.dat"), Triples({{"bk1", "", "Bonjour"}}));
    std::string typed;
    for (int c = 0; c < 256; ++c) typed += static_cast<char>(c);
    typed += "line\r\nline\rline\nend";
    std::string in = env.PutPlugin("in.esp", Plugin({Book("bk1", Z("Hello")), Book("bk2", "Plain text")}));
    env.Load(in);
    Open(env, qp::kMenuTextBook);
    Select(env, 0);
    EXPECT_EQ(Pane(env, qp::kCtlSourcePane), "Hello");
    Press(env, qp::kCtlTextSave);
    EXPECT_EQ(SubrecordData(1, "TEXT"), "Bonjour");
    EXPECT_EQ(qp::BlockSize(1), qp::ReadBlockInt(1, 4) + 16);

    Select(env, 1);
    Press(env, qp::kCtlTextCopy);
    env.ui.TypeText(qp::kCtlTranslationPane, typed);
    Press(env, qp::kCtlTextSave);
    EXPECT_EQ(SubrecordData(2, "TEXT"), typed);
    Press(env, qp::kCtlTextCancel);
    env.Save();
    EXPECT_EQ(ReadFile(in), Plugin({Book("bk1", "Bonjour"), Book("bk2", typed)}));
}

TEST(TextEdit, TranslationsBeyondThePaneLimitAreRefused) {
    Env env;
    const std::string fits = Text(65536), tooLong = Text(65537);
    WriteFile(env.Data("Txtbookdata.dat"), Triples({{"bk1", "", fits}, {"bk2", "", tooLong}}));
    env.Load(env.PutPlugin("in.esp", Plugin({Book("bk1", "One"), Book("bk2", "Two")})));
    Open(env, qp::kMenuTextBook);
    Select(env, 0);
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), fits);
    EXPECT_TRUE(env.ui.Messages().empty());
    Select(env, 1);
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), "");
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_NE(env.ui.Messages()[0].text.find("65536"), std::string::npos);
    EXPECT_EQ(ButtonStates(env), std::make_pair(false, true));
}

TEST(TextEdit, SkillsComeFromTheSkillListOfThisPlugin) {
    Env env;
    WriteFile(env.Data("Skildata.dat"),
              Triples({{"Block", "Block", "Parade"}, {"Armorer", "Armorer", "Armurier"}}));
    WriteFile(env.Data("Txtskildata.dat"), Triples({{"Armorer", "", "Armurier desc"}}));
    env.Load(env.PutPlugin("a.esp", Plugin({Skill(1, "Armorer desc"), Skill(0, "Block desc")})));
    Open(env, qp::kMenuTextSkill);
    EXPECT_EQ(env.ui.Control(qp::kCtlTextList).text, "Id Skill");
    EXPECT_EQ(env.ui.Control(qp::kCtlTextList).rows, (std::vector<std::string>{"Armorer", "Block"}));
    Select(env, 0);
    EXPECT_EQ(Pane(env, qp::kCtlSourcePane), "Armorer desc");
    EXPECT_EQ(Pane(env, qp::kCtlTranslationPane), "Armurier desc");
    Press(env, qp::kCtlTextCancel);

    // The second plugin has a class where the first had a skill.
    env.Load(env.PutPlugin("b.esp", Plugin({Described("CLAS", "cl1", "Class text"), Skill(1, "Armorer desc")})));
    Open(env, qp::kMenuTextSkill);
    EXPECT_EQ(env.ui.Control(qp::kCtlTextList).rows, (std::vector<std::string>{"Armorer"}));
    const std::string classBlock = qp::gTable.blocks[1];
    Select(env, 0);
    Press(env, qp::kCtlTextSave);
    EXPECT_EQ(SubrecordData(2, "DESC"), "Armurier desc");
    EXPECT_EQ(qp::gTable.blocks[1], classBlock);
}

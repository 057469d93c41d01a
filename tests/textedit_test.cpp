// The long-text dialog: texts beside their translations, written into the records by "SAVE".
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
using Strings = std::vector<std::string>;

namespace {

std::string Bk(const std::string& id, const std::string& text) {
    return Book(id, "Name " + id, {{"BKDT", std::string(20, '\x01')}, {"TEXT", text}});
}
std::string Described(const std::string& type, const std::string& id, const std::string& desc) {
    return Record(type, {{"NAME", Z(id)}, {"FNAM", Z("Name " + id)}, {"DESC", desc}});
}
std::string Skill(int32_t i, const std::string& desc) {
    return Record("SKIL", {{"INDX", Int32(i)}, {"SKDT", std::string(24, '\x02')}, {"DESC", desc}});
}
std::string Text(size_t n, char first = 'a') {  // n bytes not all alike
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 23);
    return s;
}

struct T {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    void Select(int row) {
        ui.FocusDialogRow(qp::kCtlTextList, row);
        ui.PushControl(qp::kCtlTextList, qp::ControlAction::Click);
        env.Run();
    }
    // "source|translation|SAVE COPY", "-" standing for a disabled button.
    std::string State() {
        const auto on = [&](int n, const char* s) { return ui.Control(n).enabled ? s : "-"; };
        return ui.Control(qp::kCtlSourcePane).text + "|" +
               ui.Control(qp::kCtlTranslationPane).text + "|" + on(qp::kCtlTextSave, "SAVE") + " " +
               on(qp::kCtlTextCopy, "COPY");
    }
};

}  // namespace

TEST(TextEdit, BookDialogFromOpeningToTheSavedPlugin) {
    T t;
    const std::string text = Text(1200), translation = Text(1250, 'A');
    std::string typed = "line\r\nline\rline\nend";
    for (int c = 0; c < 256; ++c) typed += static_cast<char>(c);
    WriteFile(t.env.Data("Txtbookdata.dat"),
              Triples({{"bk9", "", "other"}, {"bk1", "", translation}, {"bk2", "", "Bonjour"}}));
    const std::string in = t.env.PutPlugin(
        "in.esp", Plugin({Bk("bk1", text), Bk("bk2", Z("Hello")), Bk("bk3", "Source only")}));
    t.env.Load(in);
    const int32_t block = qp::BlockSize(1);
    t.env.Menu(qp::kMenuTextBook);
    // Main window at 100, 50, 800 by 600 inside.
    EXPECT_EQ(t.ui.Dialog(2).caption + Geometry(t.ui.Dialog(2).outer), "Book150,100,700,500");
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).rows, (Strings{"bk1", "bk2", "bk3"}));
    EXPECT_TRUE(t.ui.Control(qp::kCtlSourcePane).readOnly);
    EXPECT_EQ(t.State(), "||- -");
    // The first matching triple; SAVE twice of a text 50 bytes longer: every size moves once.
    t.Select(0);
    EXPECT_EQ(t.State(), text + "|" + translation + "|SAVE -");
    for (int i = 0; i < 2; ++i) {
        t.env.Press(qp::kCtlTextSave);
        EXPECT_EQ(qp::gWs.table.blocks[1], Bk("bk1", translation));  // record and TEXT sizes
        EXPECT_EQ(qp::BlockSize(1), block + 50);
        EXPECT_EQ(qp::gWs.table.sizes[1], block + 50);
    }
    // A terminator is not shown, and goes: the subrecord size is its data.
    t.Select(1);
    EXPECT_EQ(t.State(), "Hello|Bonjour|SAVE -");
    t.env.Press(qp::kCtlTextSave);
    // No triple: COPY; the pane keeps every byte value and line end.
    t.Select(2);
    EXPECT_EQ(t.State(), "Source only||- COPY");
    t.env.Press(qp::kCtlTextCopy);
    EXPECT_EQ(t.State(), "Source only|Source only|SAVE -");
    t.ui.TypeText(qp::kCtlTranslationPane, typed);
    t.env.Press(qp::kCtlTextSave);
    EXPECT_EQ(t.ui.Rows(qp::kListBook)[2][0], "");  // SAVE sets no row flag
    t.env.Press(qp::kCtlTextCancel);
    t.env.Save();
    EXPECT_EQ(ReadFile(in),
              Plugin({Bk("bk1", translation), Bk("bk2", "Bonjour"), Bk("bk3", typed)}));
}

TEST(TextEdit, ButtonsFollowTheTextLengthsAndTheLimitOfThePane) {
    T t;
    const std::string fits = Text(65536);
    WriteFile(t.env.Data("Txtbookdata.dat"), Triples({{"long", "", "Longue"}, {"one", "", "y"},
                                                      {"missing", "", "Absente"}, {"b1", "", fits},
                                                      {"b2", "", Text(65537)}}));
    t.env.Load(t.env.PutPlugin(
        "in.esp", Plugin({Bk("long", "Long text"), Bk("one", "x"), Bk("plain", "Plain text"),
                          Book("empty", "E"), Book("missing", "M"), Bk("b1", "One"), Bk("b2", "Two")})));
    t.env.Menu(qp::kMenuTextBook);
    // One-character texts (row 1) and a translation without a source (row 4) change nothing.
    const std::pair<int, const char*> steps[] = {{0, "SAVE -"}, {1, "SAVE -"}, {2, "- COPY"},
                                                 {1, "- COPY"}, {3, "- -"},    {4, "- -"},
                                                 {0, "SAVE -"}, {4, "SAVE -"}};
    for (const auto& [row, buttons] : steps) {
        t.Select(row);
        EXPECT_EQ(t.State().substr(t.State().rfind('|') + 1), buttons) << "row " << row;
    }
    // A translation at the pane's limit is shown; one past it is refused with a message.
    t.Select(5);
    EXPECT_EQ(t.State() + std::to_string(t.ui.Messages().size()), "One|" + fits + "|SAVE -0");
    t.Select(6);
    EXPECT_EQ(t.State(), "Two||- COPY");
    ASSERT_EQ(t.ui.Messages().size(), 1u);
    EXPECT_NE(t.ui.Messages()[0].text.find("65536"), std::string::npos);
}

TEST(TextEdit, ClosingRaceRebuildsOnlyTheRaceTab) {
    T t;
    t.env.Load(t.env.PutPlugin("in.esp", Plugin({Bk("bk1", "T"), Described("RACE", "ra1", "R")})));
    auto fills = [&] {
        std::vector<int> v;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) v.push_back(t.ui.ListSetRowsCalls(g));
        return v;
    };
    std::vector<int> want = fills();
    ++want[static_cast<size_t>(24 - qp::kFirstList)];
    t.env.Menu(qp::kMenuTextRace);
    t.ui.PushClose(2);
    t.env.Run();
    EXPECT_FALSE(t.ui.Dialog(2).open || int(qp::gWs.dialogOpen));
    EXPECT_EQ(fills(), want);
}

TEST(TextEdit, SkillsComeFromTheSkillListOfThisPlugin) {
    T t;
    WriteFile(t.env.Data("Skildata.dat"),
              Triples({{"Block", "Block", "Parade"}, {"Armorer", "Armorer", "Armurier"}}));
    WriteFile(t.env.Data("Txtskildata.dat"), Triples({{"Armorer", "", "Armurier desc"}}));
    // The second plugin has a class where the first had a skill.
    t.env.Load(t.env.PutPlugin("a.esp", Plugin({Skill(1, "Armorer desc"), Skill(0, "Block")})));
    t.env.Load(t.env.PutPlugin("b.esp", Plugin({Described("CLAS", "c", "C"), Skill(1, "Ar")})));
    t.env.Menu(qp::kMenuTextSkill);
    EXPECT_EQ(t.ui.Control(qp::kCtlTextList).rows, (Strings{"Armorer"}));
    t.Select(0);
    EXPECT_EQ(t.State(), "Ar|Armurier desc|SAVE -");
    t.env.Press(qp::kCtlTextSave);
    EXPECT_EQ(JoinedBlocks({1, 2}),
              Described("CLAS", "c", "C") + Skill(1, "Armurier desc"));
}

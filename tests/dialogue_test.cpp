// Responses and journal entries: the game's own converted at load, the rest
// listed with their context and filtered in the text edit dialog.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "convert/catalogue.h"
#include "convert/dialogue.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

std::string Dial(const std::string& name, int kind) {
    return Record("DIAL", {{"NAME", Z(name)}, {"DATA", std::string(1, static_cast<char>(kind))}});
}
// DATA: type, disposition (a journal's index), rank, sex, PC rank, unused.
std::string Info(const std::string& id, const std::string& text, std::vector<Sub> more = {},
                 int32_t disposition = 0) {
    std::vector<Sub> subs{{"INAM", Z(id)}, {"PNAM", Z("")}, {"NNAM", Z("")},
                          {"DATA", Int32(0) + Int32(disposition) + "\xff\xff\xff" + std::string(1, '\0')}};
    subs.insert(subs.end(), more.begin(), more.end());
    subs.push_back({"NAME", text});
    return Record("INFO", subs);
}

struct D {
    Env env;
    std::vector<std::string> records = {
        Info("lost1", "Before any topic."),             // block 1: no DIAL yet
        Dial("background", 0),                          // 2
        Info("1", "I was born in Balmora.", {{"ONAM", Z("fargoth")}}),  // 3: the game's own
        Info("2", "I was born in Balmora!", {{"RNAM", Z("Dark Elf")}, {"CNAM", Z("Guard")}},
             40),                                       // 4: one byte differs
        Info("3", "A mod's own words.", {{"SCVR", "04JX3MS_Q"}, {"INTV", Int32(10)}}),  // 5: no triple
        Record("DIAL", {{"NAME", Z("odd")}}),           // 6: no DATA
        Info("4", "Under a dialogue of no kind."),      // 7
        Dial("MS_Q", 4),                                // 8
        Info("j1", "I found the ring.", {}, 10),        // 9: the game's own entry
        Record("INFO", {{"PNAM", Z("")}, {"NAME", "No INAM."}}),  // 10
    };
    void Dictionaries() {
        WriteFile(env.Data("Txtinfodata.dat"),
                  Triples({{"1", "I was born in Balmora.", "Je suis ne a Balmora."},
                           {"2", "I was born in Balmora.", "Je suis ne a Balmora."},
                           {"1", "I was born in Balmora.", "Second triple, never used."}}));
        WriteFile(env.Data("Txtjourdata.dat"), Triples({{"j1", "I found the ring.", "J'ai trouve l'anneau."}}));
    }
    void Load() { env.Load(env.PutPlugin("dlg.esp", Plugin(records))); }
};

std::string Text(int block) {
    const int p = qp::FindSubrecord(block, "NAME");
    return qp::ReadBlockString(block, p + 8, qp::ReadBlockInt(block, p + 4));
}

}  // namespace

TEST(Dialogue, TheGamesOwnResponsesConvertAndBadRecordsStayAsTheyAre) {
    for (bool dictionaries : {true, false}) {
        SCOPED_TRACE(dictionaries);
        D d;
        if (dictionaries) d.Dictionaries();
        d.Load();
        const std::vector<std::string> want = {
            dictionaries ? "Je suis ne a Balmora." : "I was born in Balmora.", "I was born in Balmora!",
            "A mod's own words.", dictionaries ? "J'ai trouve l'anneau." : "I found the ring."};
        const int listed[] = {3, 4, 5, 9};
        ASSERT_EQ(qp::gWs.infos.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(qp::gWs.infos[i].block, listed[i]);
            EXPECT_EQ(Text(listed[i]), want[i]);
        }
        // Left as they are, counted, listed nowhere.
        for (int b : {1, 6, 7, 10}) EXPECT_EQ(qp::BlockBytes(b), d.records[static_cast<size_t>(b - 1)]) << b;
        const qp::DialogueFaults f = qp::CountDialogueFaults();
        EXPECT_EQ(f.dialWithoutKind * 100 + f.infoWithoutDial * 10 + f.infoWithoutInam, 111);
        std::string strings;
        for (const auto& e : qp::CatalogueLoadedPlugin().entries)
            if (e.identity.rfind("INFO|", 0) == 0 && e.kind != qp::TextKind::ScriptMessage)
                strings += e.identity + " " + e.flag + " " + e.before + "\n";
        EXPECT_EQ(strings, std::string("INFO|1|NAME ") + (dictionaries ? "L" : "") +
                               " I was born in Balmora.\nINFO|2|NAME  I was born in Balmora!\n"
                               "INFO|3|NAME  A mod's own words.\nINFO|j1|NAME " +
                               (dictionaries ? "L" : "") + " I found the ring.\n");
        // Without the files a save writes the plugin as it was read.
        if (!dictionaries) {
            const std::string out = (d.env.dir / "out.esp").string();
            d.env.SaveAs(out);
            EXPECT_EQ(ReadFile(out), Plugin(d.records));
        }
    }
}

TEST(Dialogue, ContextNamesTopicSpeakerConditionsAndNeighbours) {
    D d;
    d.Load();
    const struct {
        int block;
        const char* topic;
        const char* speaker;
        const char* conditions;
        int previous, next;
    } rows[] = {
        {3, "background", "fargoth", "", -1, 4},
        {4, "background", "race Dark Elf, class Guard", "Disposition >= 40", 3, 5},
        {5, "background", "", "Journal \"MS_Q\" >= 10", 4, -1},
        {9, "MS_Q", "", "Index 10", -1, -1},
    };
    for (const auto& r : rows) {
        const qp::InfoContext c = qp::DescribeInfo(r.block);
        EXPECT_EQ(c.topic + "|" + c.speaker + "|" + c.conditions, std::string(r.topic) + "|" + r.speaker + "|" +
                                                                       r.conditions);
        EXPECT_EQ(c.previous * 100 + c.next, r.previous * 100 + r.next) << r.block;
    }
    EXPECT_EQ(qp::DescribeInfo(7).kind, -1);  // under a dialogue of no kind
}

TEST(Dialogue, DialogueItemListsFiltersAndSavesResponses) {
    D d;
    d.Dictionaries();
    d.Load();
    auto& ui = d.env.ui;
    d.env.Menu(qp::kMenuTextDialogue);
    ASSERT_TRUE(ui.IsDialogOpen(qp::kWindowTextEdit));
    const auto column = [&](int c) {
        std::string s;
        for (const auto& r : ui.Control(qp::kCtlTextList).tableRows) s += r[static_cast<size_t>(c)] + "|";
        return s;
    };
    EXPECT_EQ(column(0), "L background|background|background|");
    EXPECT_EQ(column(1), "fargoth|race Dark Elf, class Guard||");
    // The speaker, the text, the letter case ignored; the toggle keeps those without translation.
    for (const auto& [typed, untranslated, shown] :
         std::vector<std::tuple<std::string, bool, std::string>>{{"GUARD", false, "I was born in Balmora!|"},
                                                                 {"balmora", false, "Je suis ne a Balmora.|I was born in Balmora!|"},
                                                                 {"", true, "I was born in Balmora!|A mod's own words.|"}}) {
        ui.TypeText(qp::kCtlTextFilter, typed);
        ui.SetChecked(qp::kCtlTextUntranslated, untranslated);
        ui.PushControl(qp::kCtlTextFilter, qp::ControlAction::Change);
        d.env.Run();
        EXPECT_EQ(column(2), shown) << typed;
    }
    // The differing response gets the triple's offer and its context; SAVE writes it whole.
    ui.FocusDialogRow(qp::kCtlTextList, 0);
    ui.PushControl(qp::kCtlTextList, qp::ControlAction::Click);
    d.env.Run();
    EXPECT_EQ(ui.Control(qp::kCtlTranslationPane).text, "Je suis ne a Balmora.");
    EXPECT_EQ(ui.Control(qp::kCtlTextContext).text,
              "Topic: background    Speaker: race Dark Elf, class Guard\r\nConditions: Disposition >= 40\r\n"
              "Before: Je suis ne a Balmora.\r\nAfter: A mod's own words.");
    d.env.Press(qp::kCtlTextSave);
    EXPECT_EQ(Text(4), "Je suis ne a Balmora.");
    EXPECT_EQ(column(0), "* background|background|");
    d.env.Press(qp::kCtlTextCancel);
    d.env.Menu(qp::kMenuTextJournal);
    EXPECT_EQ(column(0) + column(1), "L MS_Q|10|");
}

#include "ui/textedit.h"

#include <algorithm>
#include <optional>

#include "base/dirlock.h"
#include "base/lists.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "convert/longtext.h"
#include "convert/dialogue.h"
#include "convert/memory.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "ui/filter.h"
#include "ui/mainwindow.h"
#include "ui/nameedit.h"
#include "ui/objectwindow.h"

namespace qp {

namespace {

// Responses and journal entries: thousands of INFOs, listed with who says
// them, filtered, and shown with their context.
bool DialogueItem() { return gWs.textParams.record == "INFO"; }
bool JournalItem() { return gWs.textParams.menu == kMenuTextJournal; }

// The most bytes the item's text may hold.
int TextLimit() {
    const Translatable* f = TextItemField(gWs.textParams.menu);
    return f && f->limit > 0 ? f->limit : kTextPaneLimit;
}

// The name list behind the dialog's record type; 0 for skills, which have
// a list of their own, and for INFOs.
int ListOfItem() { return ListOfRecordType(gWs.textParams.record); }

// An entry may only touch a block of the plugin loaded now, of its own type.
bool EntryUsable(const TextEntry& e) {
    return ValidBlock(e.block) && ReadBlockString(e.block, 0, 4) == gWs.textParams.record;
}

// The listed INFO of a block, or nullptr.
const InfoEntry* InfoOf(int32_t block) {
    const auto& v = gWs.infos;
    auto it = std::lower_bound(v.begin(), v.end(), block, [](const InfoEntry& e, int32_t b) { return e.block < b; });
    return it != v.end() && it->block == block ? &*it : nullptr;
}

bool Converted(const TextEntry& e) {
    const InfoEntry* i = InfoOf(e.block);
    return i && i->converted;
}

// "*": "SAVE" changed its text since the plugin was loaded; "L": the game's
// own response, converted at load.
std::string Mark(const TextEntry& e) {
    if (gWs.textsSavedSinceLoad.count(e.block)) return "* ";
    return DialogueItem() && Converted(e) ? "L " : "";
}

std::string ShownId(const TextEntry& e) { return Mark(e) + (DialogueItem() ? e.topic : e.id); }

// An INFO's text as the block holds it now.
std::string InfoText(int32_t block) {
    const int p = FindSubrecord(block, "NAME");
    return p < 0 ? std::string() : ReadBlockString(block, p + 8, ReadBlockInt(block, p + 4));
}

Row InfoRow(const TextEntry& e) {
    std::string text = InfoText(e.block);
    // The list shows a line of it; the panes show it whole.
    if (text.size() > 160) text.resize(160);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return Row{ShownId(e), e.speaker, text, ""};
}

// Who says it, when, and what comes before and after it.
std::string ContextText(const TextEntry& e) {
    const InfoContext c = DescribeInfo(e.block);
    const auto line = [](std::string t) {
        std::replace(t.begin(), t.end(), '\r', ' ');
        std::replace(t.begin(), t.end(), '\n', ' ');
        return t;
    };
    std::string out = (JournalItem() ? "Quest: " : "Topic: ") + c.topic;
    if (!JournalItem()) out += "    Speaker: " + (c.speaker.empty() ? std::string("anyone") : c.speaker);
    out += "\r\nConditions: " + (c.conditions.empty() ? std::string("none") : c.conditions);
    out += "\r\nBefore: " + (c.previous >= 0 ? line(InfoText(c.previous)) : std::string("(first)"));
    out += "\r\nAfter: " + (c.next >= 0 ? line(InfoText(c.next)) : std::string("(last)"));
    if (Converted(e)) out += "\r\nThe game's own text, converted at load.";
    return out;
}

// The translation the item's long-text file offers for an ID. The files of
// responses are large: they are read for the one ID, not parsed whole.
std::optional<std::string> OfferedText(const std::string& id) {
    std::optional<std::string> offer;
    if (DialogueItem()) {
        FindFirstTriples(gWs.textParams.file, {id},
                         [&](size_t, std::string_view, std::string_view third) { offer = std::string(third); });
    } else {
        auto texts = OpenTripleFile(gWs.textParams.file);
        if (const int t = FindTriple(*texts, id); t >= 0) offer = texts->triples[static_cast<size_t>(t)][2];
    }
    return offer;
}

void SetTranslation(const std::string& text) {
    if (text.size() > static_cast<size_t>(TextLimit())) {
        Message("INFORMATION",
                "THE TEXT HAS MORE THAN " + std::to_string(TextLimit()) + " CHARACTERS.\rIT CANNOT BE EDITED HERE.",
                Icon::Stop);
        return;
    }
    Plat().SetControlText(kCtlTranslationPane, text);
}

// The INFOs of the item, with their topics and speakers.
void ListInfos() {
    int32_t dialogue = -1;
    std::string topic;
    for (const InfoEntry& i : gWs.infos) {
        if ((i.kind == 4) != JournalItem()) continue;
        if (i.dialogue != dialogue) {
            dialogue = i.dialogue;
            const std::string_view d = BlockBytes(dialogue);
            const int p = FindRecordSubrecord(d, "NAME");
            topic = p < 0 ? std::string() : ReadRecordString(d, p + 8, ReadRecordInt(d, p + 4));
        }
        const std::string_view b = BlockBytes(i.block);
        TextEntry e{ReadRecordId(b), i.block, topic, {}};
        if (JournalItem()) {
            const int p = FindRecordSubrecord(b, "DATA");
            if (p >= 0 && ReadRecordInt(b, p + 4) >= 8) e.speaker = std::to_string(ReadRecordInt(b, p + 12));
        } else {
            e.speaker = InfoSpeaker(b);
        }
        gWs.textEditList.push_back(std::move(e));
    }
}

void ShowCount() {
    const size_t all = gWs.textEditList.size(), shown = gWs.textEditShown.size();
    Plat().SetControlText(kCtlTextCount, shown == all ? std::to_string(all) : std::to_string(shown) + " of " +
                                                                                 std::to_string(all));
}

// The row of an entry in the list, or -1 while the filter hides it.
int RowOf(int entry) {
    const auto& v = gWs.textEditShown;
    auto it = std::lower_bound(v.begin(), v.end(), entry);
    return it != v.end() && *it == entry ? static_cast<int>(it - v.begin()) : -1;
}

void OpenDialogueItem(Platform& p, int mx, int my, int w, int h) {
    p.OpenDialog(kWindowTextEdit, gWs.textParams.type, {mx + w / 2 - 450, my + h / 2 - 300, 900, 600});
    p.AddLabel(kWindowTextEdit, kCtlTextFilterLabel, {5, 2, 330, 16}, "Find in topic, speaker, text :", false);
    p.AddEditField(kWindowTextEdit, kCtlTextFilter, {5, 18, 330, 22}, "");
    p.AddCheckBox(kWindowTextEdit, kCtlTextUntranslated, {5, 44, 200, 20}, "Without translation");
    p.AddLabel(kWindowTextEdit, kCtlTextCount, {210, 46, 125, 20}, "", true);
    p.AddDialogTable(kWindowTextEdit, kCtlTextList, {5, 68, 330, 498},
                     {{JournalItem() ? "Quest" : NameField(kListTopic)->title, 120},
                      {JournalItem() ? "Index" : "Speaker", JournalItem() ? 45 : 100},
                      {"Text", 400}});
    p.AddTextPane(kWindowTextEdit, kCtlTextContext, {340, 4, 550, 118}, true, 0);
    p.AddLabel(kWindowTextEdit, kCtlOriginalLabel, {340, 126, 100, 22}, "Original text :", false);
    p.AddTextPane(kWindowTextEdit, kCtlSourcePane, {340, 140, 550, 180}, true, 0);
    p.AddLabel(kWindowTextEdit, kCtlTranslationLabel, {340, 324, 200, 22}, "Translation to do :", false);
    p.AddTextPane(kWindowTextEdit, kCtlTranslationPane, {340, 338, 550, 190}, false, TextLimit());
    ListInfos();
    TextEditFilter();
    p.AddButton(kWindowTextEdit, kCtlTextSave, {345, 538, 90, 24}, "SAVE");
    p.AddButton(kWindowTextEdit, kCtlTextCancel, {795, 538, 90, 24}, "CANCEL");
    p.AddButton(kWindowTextEdit, kCtlTextCopy, {570, 538, 90, 24}, "COPY");
}

}  // namespace

void OpenTextEdit() {
    if (gWs.dialogOpen) return;
    if (IsMasterFile()) {
        Message("INFORMATION", kMasterFileMessage, Icon::Stop);
        return;
    }
    gWs.dialogOpen = 1;
    gWs.textSelected = -1;
    gWs.textEditList.clear();
    gWs.textEditShown.clear();
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    if (DialogueItem()) {
        OpenDialogueItem(p, mx, my, w, h);
    } else {
        p.OpenDialog(kWindowTextEdit, gWs.textParams.type, {mx + w / 2 - 350, my + h / 2 - 250, 700, 500});
        p.AddLabel(kWindowTextEdit, kCtlOriginalLabel, {205, 2, 100, 22}, "Original text :", false);
        p.AddTextPane(kWindowTextEdit, kCtlSourcePane, {205, 16, 485, 205}, true, 0);
        p.AddLabel(kWindowTextEdit, kCtlTranslationLabel, {205, 225, 200, 22}, "Translation to do :", false);
        p.AddTextPane(kWindowTextEdit, kCtlTranslationPane, {205, 239, 485, 205}, false, kTextPaneLimit);
        p.AddDialogList(kWindowTextEdit, kCtlTextList, {5, 0, 198, 472}, "Id " + gWs.textParams.type, 350);
        if (int g = ListOfItem()) {
            for (const NameEntry& e : gWs.nameLists[g]) gWs.textEditList.push_back({e.id, e.block, {}, {}});
        } else if (gWs.textParams.record == "SKIL") {
            for (const SkillEntry& s : gWs.skills) gWs.textEditList.push_back({s.id, s.block, {}, {}});
        }
        for (size_t i = 0; i < gWs.textEditList.size(); ++i) {
            gWs.textEditShown.push_back(static_cast<int>(i));
            p.DialogListAddRow(kCtlTextList, ShownId(gWs.textEditList[i]));
        }
        p.AddButton(kWindowTextEdit, kCtlTextSave, {210, 448, 90, 24}, "SAVE");
        p.AddButton(kWindowTextEdit, kCtlTextCancel, {595, 448, 90, 24}, "CANCEL");
        p.AddButton(kWindowTextEdit, kCtlTextCopy, {402, 448, 90, 24}, "COPY");
    }
    p.EnableControl(kCtlTextSave, false);
    p.EnableControl(kCtlTextCopy, false);
    MenuLock();
}

void TextEditFilter() {
    if (!Plat().IsDialogOpen(kWindowTextEdit) || !DialogueItem()) return;
    const TextFinder find(Plat().GetControlText(kCtlTextFilter), gWs.codePage);
    const bool untranslated = Plat().IsControlChecked(kCtlTextUntranslated);
    auto& shown = gWs.textEditShown;
    shown.clear();
    std::vector<Row> rows;
    for (size_t i = 0; i < gWs.textEditList.size(); ++i) {
        const TextEntry& e = gWs.textEditList[i];
        if (untranslated && (gWs.textsSavedSinceLoad.count(e.block) || Converted(e))) continue;
        if (!find.Empty() && !find.In(e.topic) && !find.In(e.speaker)) {
            const int p = FindSubrecord(e.block, "NAME");
            const std::string_view b = BlockBytes(e.block);
            if (p < 0 || !find.In(b.substr(static_cast<size_t>(p) + 8, static_cast<size_t>(ReadBlockInt(e.block, p + 4)))))
                continue;
        }
        shown.push_back(static_cast<int>(i));
        rows.push_back(InfoRow(e));
    }
    Plat().DialogListClear(kCtlTextList);
    Plat().DialogTableAddRows(kCtlTextList, std::move(rows));
    ShowCount();
}

void TextEditSelect() {
    if (!Plat().IsDialogOpen(kWindowTextEdit) || gWs.textEditList.empty()) return;
    int r = Plat().DialogListFocusedRow(kCtlTextList);
    if (r < 0 || r >= static_cast<int>(gWs.textEditShown.size())) return;
    gWs.textSelected = gWs.textEditShown[static_cast<size_t>(r)];
    const TextEntry& e = gWs.textEditList[static_cast<size_t>(gWs.textSelected)];
    int p = EntryUsable(e) ? FindSubrecord(e.block, gWs.textParams.subrecord) : -1;
    if (p >= 0)
        Plat().SetControlText(kCtlSourcePane, ReadBlockString(e.block, p + 8, ReadBlockInt(e.block, p + 4)));
    else
        Plat().SetControlText(kCtlSourcePane, "");
    if (DialogueItem()) Plat().SetControlText(kCtlTextContext, EntryUsable(e) ? ContextText(e) : std::string());
    Plat().SetControlText(kCtlTranslationPane, "");
    if (auto offer = OfferedText(e.id))
        SetTranslation(*offer);
    else if (auto remembered = RememberedText(gWs.textParams.type, Plat().GetControlText(kCtlSourcePane)))
        SetTranslation(*remembered);  // the same text translated in another plugin

    size_t S = Plat().GetControlText(kCtlSourcePane).size();
    size_t T = Plat().GetControlText(kCtlTranslationPane).size();
    if (S == 0 && T == 0) {
        Plat().EnableControl(kCtlTextSave, false);
        Plat().EnableControl(kCtlTextCopy, false);
    } else if (S > 0 && T == 0) {
        Plat().EnableControl(kCtlTextSave, false);
        Plat().EnableControl(kCtlTextCopy, true);
    } else if (S > 1 && T > 1) {
        Plat().EnableControl(kCtlTextSave, true);
        Plat().EnableControl(kCtlTextCopy, false);
    }
}

void TextEditSave() {
    if (!Plat().IsDialogOpen(kWindowTextEdit) || !Plat().IsControlEnabled(kCtlTextSave)) return;
    if (gWs.textSelected < 0 || gWs.textSelected >= static_cast<int>(gWs.textEditList.size())) return;
    if (!Plat().ControlTextFits(kCtlTranslationPane)) return;
    const std::string text = Plat().GetControlText(kCtlTranslationPane);
    if (text.empty()) return;
    const TextEntry& e = gWs.textEditList[static_cast<size_t>(gWs.textSelected)];
    const Translatable* item = TextItemField(gWs.textParams.menu);
    const int p = item && EntryUsable(e) ? FindSubrecord(e.block, item->sub) : -1;
    if (p < 0) return;
    const std::string before = ReadBlockString(e.block, p + 8, ReadBlockInt(e.block, p + 4));
    if (auto refused = WriteLongText(*item, e.block, text)) {
        ShowNotice(*refused);
        return;
    }
    if (const int row = RowOf(gWs.textSelected); row >= 0) Plat().DialogListSetText(kCtlTextList, row, ShownId(e));
    Plat().SetStatusText(kStatusProgress, "Text saved : " + gWs.textParams.type + " " + e.id);
    // Kept for the same text in other plugins.
    ProgramDirectoryLock lock;
    if (auto failed = lock.refused ? lock.refused : RememberText(gWs.textParams.type, before, text))
        ShowNotice(*failed);
}

void TextEditCopy() {
    if (!Plat().IsDialogOpen(kWindowTextEdit) || !Plat().IsControlEnabled(kCtlTextCopy)) return;
    std::string source = Plat().GetControlText(kCtlSourcePane);
    if (source.empty()) return;
    SetTranslation(source);
    Plat().EnableControl(kCtlTextSave, true);
    Plat().EnableControl(kCtlTextCopy, false);
}

void TextEditCancel() {
    if (!Plat().IsDialogOpen(kWindowTextEdit)) return;
    Plat().CloseDialog(kWindowTextEdit);
    Plat().ActivateMainWindow();
    gWs.dialogOpen = 0;
    MenuUnlock();
    if (int g = ListOfItem()) RebuildListView(g);
}

}  // namespace qp

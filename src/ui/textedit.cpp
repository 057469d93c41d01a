#include "ui/textedit.h"

#include "base/dirlock.h"
#include "base/lists.h"
#include "base/workspace.h"
#include "convert/longtext.h"
#include "convert/memory.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "ui/mainwindow.h"
#include "ui/nameedit.h"
#include "ui/objectwindow.h"

namespace qp {

namespace {

// The name list behind the dialog's record type; 0 for skills, which have
// a list of their own.
int ListOfItem() { return ListOfRecordType(gWs.textParams.record); }

// The long-text row of the open dialog's item.
const Translatable* ItemField() {
    for (const Translatable* f : TextItemFields())
        if (f->title == gWs.textParams.type && f->sub == gWs.textParams.subrecord) return f;
    return nullptr;
}

// An entry may only touch a block of the plugin loaded now, of its own type.
bool EntryUsable(const TextEntry& e) {
    return ValidBlock(e.block) && ReadBlockString(e.block, 0, 4) == gWs.textParams.record;
}

// An ID whose text "SAVE" changed since the plugin was loaded is marked.
std::string ShownId(const TextEntry& e) {
    return (gWs.textsSavedSinceLoad.count(e.block) ? "* " : "") + e.id;
}

void SetTranslation(const std::string& text) {
    if (text.size() > static_cast<size_t>(kTextPaneLimit)) {
        Message("INFORMATION",
                "THE TEXT HAS MORE THAN " + std::to_string(kTextPaneLimit) +
                    " CHARACTERS.\rIT CANNOT BE EDITED HERE.",
                Icon::Stop);
        return;
    }
    Plat().SetControlText(kCtlTranslationPane, text);
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
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    p.OpenDialog(kWindowTextEdit, gWs.textParams.type, {mx + w / 2 - 350, my + h / 2 - 250, 700, 500});
    p.AddLabel(kWindowTextEdit, kCtlOriginalLabel, {205, 2, 100, 22}, "Original text :", false);
    p.AddTextPane(kWindowTextEdit, kCtlSourcePane, {205, 16, 485, 205}, true, 0);
    p.AddLabel(kWindowTextEdit, kCtlTranslationLabel, {205, 225, 200, 22}, "Translation to do :", false);
    p.AddTextPane(kWindowTextEdit, kCtlTranslationPane, {205, 239, 485, 205}, false, kTextPaneLimit);
    p.AddDialogList(kWindowTextEdit, kCtlTextList, {5, 0, 198, 472}, "Id " + gWs.textParams.type, 350);

    gWs.textEditList.clear();
    if (int g = ListOfItem()) {
        for (const NameEntry& e : gWs.nameLists[g]) gWs.textEditList.push_back({e.id, e.block});
    } else if (gWs.textParams.record == "SKIL") {
        for (const SkillEntry& s : gWs.skills) gWs.textEditList.push_back({s.id, s.block});
    }
    for (const TextEntry& e : gWs.textEditList) p.DialogListAddRow(kCtlTextList, ShownId(e));

    p.AddButton(kWindowTextEdit, kCtlTextSave, {210, 448, 90, 24}, "SAVE");
    p.AddButton(kWindowTextEdit, kCtlTextCancel, {595, 448, 90, 24}, "CANCEL");
    p.AddButton(kWindowTextEdit, kCtlTextCopy, {402, 448, 90, 24}, "COPY");
    p.EnableControl(kCtlTextSave, false);
    p.EnableControl(kCtlTextCopy, false);
    MenuLock();
}

void TextEditSelect() {
    if (!Plat().IsDialogOpen(kWindowTextEdit) || gWs.textEditList.empty()) return;
    int r = Plat().DialogListFocusedRow(kCtlTextList);
    if (r < 0 || r >= static_cast<int>(gWs.textEditList.size())) return;
    gWs.textSelected = r;
    const TextEntry& e = gWs.textEditList[static_cast<size_t>(r)];
    int p = EntryUsable(e) ? FindSubrecord(e.block, gWs.textParams.subrecord) : -1;
    if (p >= 0)
        Plat().SetControlText(kCtlSourcePane, ReadBlockString(e.block, p + 8, ReadBlockInt(e.block, p + 4)));
    else
        Plat().SetControlText(kCtlSourcePane, "");
    Plat().SetControlText(kCtlTranslationPane, "");
    auto texts = OpenTripleFile(gWs.textParams.file);
    int t = FindTriple(*texts, e.id);
    if (t >= 0)
        SetTranslation(texts->triples[static_cast<size_t>(t)][2]);
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
    if (!EntryUsable(e)) return;
    const Translatable* item = ItemField();
    const int p = item ? FindSubrecord(e.block, item->sub) : -1;
    if (p < 0) return;
    const std::string before = ReadBlockString(e.block, p + 8, ReadBlockInt(e.block, p + 4));
    if (auto refused = WriteLongText(*item, e.block, text)) {
        ShowNotice(*refused);
        return;
    }
    Plat().DialogListSetText(kCtlTextList, gWs.textSelected, ShownId(e));
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

#include "ui/nameedit.h"

#include "base/lists.h"
#include "base/workspace.h"
#include "convert/blockconv.h"
#include "plugin/blocks.h"
#include "ui/mainwindow.h"

namespace qp {

const char* const kMasterFileMessage = "    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT";
const char* const kDictionaryNameReason = "OK is off: this name comes from a dictionary file.";

namespace {

void Finish(bool reselect) {
    if (reselect && gWs.editRow >= 0) Plat().ListSelectRow(gWs.editList, gWs.editRow);
    Plat().CloseDialog(kWindowNameEdit);
    Plat().ActivateMainWindow();
    gWs.dialogOpen = 0;
    MenuUnlock();
}

bool RowExists(int g, int r) {
    return IsListNumber(g) && r >= 0 && r < static_cast<int>(gWs.nameLists[g].size());
}

}  // namespace

int NameEditList() { return gWs.editList; }
int NameEditRow() { return gWs.editRow; }

std::optional<Notice> NameEditRefusal(int g, int r) {
    if (IsMasterFile()) return Notice{"INFORMATION", kMasterFileMessage, Icon::Stop};
    if (RowExists(g, r) && gWs.nameLists[g][static_cast<size_t>(r)].flag == "N")
        return Notice{"INFORMATION", "NAME EMPTIES UNAUTHORIZED TRANSLATION.", Icon::Stop};
    return std::nullopt;
}

bool NameEditAllowsOk(int g, int r) {
    return !RowExists(g, r) || gWs.nameLists[g][static_cast<size_t>(r)].flag != "L";
}

// Bytes, as the plugin will hold them: the code page has one byte a letter.
std::string NameEditCount(int g, const std::string& ov) {
    return std::to_string(ov.size()) + " / " + std::to_string(ListNameLimit(g));
}

std::optional<Notice> CommitNameEdit(int g, int r, const std::string& ov, const std::string& fv) {
    const int limit = ListNameLimit(g);
    if (static_cast<int>(ov.size()) > limit)
        return Notice{"INFORMATION", "The name has more than " + std::to_string(limit) + " characters.",
                      Icon::Stop};
    if (ov != fv) MarkRowStored(g, r, "*", ov);
    return std::nullopt;
}

void OpenNameEdit() {
    if (gWs.dialogOpen) return;
    const CurrentRow& row = gWs.currentRow;
    const int g = row.list;
    if (IsMasterFile()) {
        ShowNotice(*NameEditRefusal(g, -1));
        return;
    }
    if (!IsListNumber(g)) return;
    // Without a focused row there is nothing to edit.
    const int r = Plat().ListFocusedRow(g);
    if (!RowExists(g, r)) return;
    if (auto refused = NameEditRefusal(g, r)) {
        ShowNotice(*refused);
        return;
    }
    gWs.dialogOpen = 1;
    gWs.editList = g;
    gWs.editRow = r;
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    // A row named by a dictionary gets one more line: why "OK" is off.
    const bool fromDictionary = !NameEditAllowsOk(g, r);
    p.OpenDialog(kWindowNameEdit, row.type,
                 {mx + w / 2 - 180, my + h / 2 - 70, 360, fromDictionary ? 162 : 140});
    p.AddLabel(kWindowNameEdit, kCtlIdLabel, {25, 12, 25, 22}, "ID", true);
    p.AddEditField(kWindowNameEdit, kCtlIdField, {55, 7, 280, 22}, row.id);
    p.AddLabel(kWindowNameEdit, kCtlFvLabel, {4, 36, 46, 22}, "FV Name", true);
    p.AddEditField(kWindowNameEdit, kCtlFvField, {55, 31, 280, 22}, row.fv);
    p.AddLabel(kWindowNameEdit, kCtlOvLabel, {4, 60, 46, 22}, "OV Name", true);
    p.AddEditField(kWindowNameEdit, kCtlOvField, {55, 55, 280, 22}, row.ov);
    p.AddButton(kWindowNameEdit, kCtlOk, {97, 85, 75, 24}, "OK");
    p.AddButton(kWindowNameEdit, kCtlCancel, {220, 85, 75, 24}, "Cancel");
    p.EnableControl(kCtlOk, !fromDictionary);
    p.AddLabel(kWindowNameEdit, kCtlOvCount, {4, 89, 88, 22}, NameEditCount(g, row.ov), false);
    if (fromDictionary) p.AddLabel(kWindowNameEdit, kCtlOkReason, {4, 114, 340, 20}, kDictionaryNameReason, false);
    p.SetDialogKeys(kWindowNameEdit, kCtlOk, kCtlCancel);
    p.FocusControl(kCtlOvField);
    MenuLock();
}

void NameEditOk() {
    if (!Plat().IsDialogOpen(kWindowNameEdit) || !Plat().IsControlEnabled(kCtlOk)) return;
    // A character the code page lacks keeps the dialog open; the window has said which.
    if (!Plat().ControlTextFits(kCtlOvField) || !Plat().ControlTextFits(kCtlFvField)) return;
    if (auto refused = CommitNameEdit(gWs.editList, gWs.editRow, Plat().GetControlText(kCtlOvField),
                                      Plat().GetControlText(kCtlFvField))) {
        ShowNotice(*refused);
        return;
    }
    Finish(true);
}

void NameEditTyped() {
    if (!Plat().IsDialogOpen(kWindowNameEdit)) return;
    Plat().SetControlText(kCtlOvCount, NameEditCount(gWs.editList, Plat().GetControlText(kCtlOvField)));
}

void NameEditCancel() {
    if (!Plat().IsDialogOpen(kWindowNameEdit)) return;
    Finish(true);
}

void NameEditClose() {
    if (!Plat().IsDialogOpen(kWindowNameEdit)) return;
    Finish(false);
}

}  // namespace qp

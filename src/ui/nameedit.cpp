#include "ui/nameedit.h"

#include "app/globals.h"
#include "app/shell.h"
#include "convert/blockconv.h"
#include "plugin/blocks.h"

namespace qp {

const char* const kMasterFileMessage = "    THIS IS A MASTER FILE.\rYOU CANNOT MODIFY IT";

namespace {
int gEditList = 0;
int gEditRow = -1;

void Finish(bool reselect) {
    if (reselect && gEditRow >= 0) Plat().ListSelectRow(gEditList, gEditRow);
    Plat().CloseDialog(1);
    Plat().ActivateMainWindow();
    gDialogOpen = 0;
    MenuUnlock();
}
}  // namespace

int NameEditList() { return gEditList; }
int NameEditRow() { return gEditRow; }

void OpenNameEdit() {
    if (gDialogOpen) return;
    if (IsMasterFile()) {
        Message("INFORMATION", kMasterFileMessage, Icon::Stop);
        return;
    }
    const int g = gCurrentRow.list;
    if (g < kFirstList || g > kLastList) return;
    // Without a focused row there is nothing to edit.
    const int r = Plat().ListFocusedRow(g);
    if (r < 0 || r >= static_cast<int>(gNameLists[g].size())) return;
    if (gCurrentRow.flag == "N") {
        Message("INFORMATION", "NAME EMPTIES UNAUTHORIZED TRANSLATION.", Icon::Stop);
        return;
    }
    gDialogOpen = 1;
    gEditList = g;
    gEditRow = r;
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    p.OpenDialog(1, gCurrentRow.type, {mx + w / 2 - 180, my + h / 2 - 70, 360, 140});
    p.AddLabel(1, kCtlIdLabel, {25, 12, 25, 22}, "ID", true);
    p.AddEditField(1, kCtlIdField, {55, 7, 280, 22}, gCurrentRow.id);
    p.AddLabel(1, kCtlFvLabel, {4, 36, 46, 22}, "FV Name", true);
    p.AddEditField(1, kCtlFvField, {55, 31, 280, 22}, gCurrentRow.fv);
    p.AddLabel(1, kCtlOvLabel, {4, 60, 46, 22}, "OV Name", true);
    p.AddEditField(1, kCtlOvField, {55, 55, 280, 22}, gCurrentRow.ov);
    p.AddButton(1, kCtlOk, {97, 85, 75, 24}, "OK");
    p.AddButton(1, kCtlCancel, {220, 85, 75, 24}, "Cancel");
    p.EnableControl(kCtlOk, gCurrentRow.flag != "L");
    MenuLock();
}

void NameEditOk() {
    if (!Plat().IsDialogOpen(1) || !Plat().IsControlEnabled(kCtlOk)) return;
    const int g = gEditList, r = gEditRow;
    const std::string t = Plat().GetControlText(kCtlOvField);
    const int limit = ListNameLimit(g);
    if (static_cast<int>(t.size()) > limit) {
        Message("INFORMATION",
                "The name has more than " + std::to_string(limit) + " characters.", Icon::Stop);
        return;
    }
    if (t != Plat().GetControlText(kCtlFvField)) {
        Plat().ListSetText(g, r, 0, "*");
        Plat().ListSetText(g, r, 3, t);
        MarkRowStored(g, r, "*", t);
    }
    Finish(true);
}

void NameEditCancel() {
    if (!Plat().IsDialogOpen(1)) return;
    Finish(true);
}

void NameEditClose() {
    if (!Plat().IsDialogOpen(1)) return;
    Finish(false);
}

}  // namespace qp

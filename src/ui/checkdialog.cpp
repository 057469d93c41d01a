#include "ui/checkdialog.h"

#include "base/workspace.h"
#include "convert/checkplugin.h"
#include "dictionary/dictfile.h"
#include "ui/mainwindow.h"

namespace qp {

void CheckReferencesCommand() {
    if (gWs.busy) {
        Message("INFORMATION", kInProgressMessage, Icon::Stop);
        return;
    }
    if (gWs.dialogOpen || !gWs.table.loaded) return;
    BeginDictionaryCommand();
    const CheckOutcome checked = CheckLoadedPlugin();
    EndDictionaryCommand();
    if (!checked.checked) {
        ShowNotices(checked.notices);
        return;
    }
    if (checked.findings.empty()) {
        Message("INFORMATION",
                "NO CELL REFERENCE TO CHECK.\rAI PACKAGES, MOVED REFERENCES AND SCRIPTS NAME NO "
                "CELL\rIN ITS OLD FORM, AND NO CELL THAT THE DICTIONARIES DO NOT KNOW.",
                Icon::Information);
        return;
    }
    gWs.dialogOpen = 1;
    gWs.checkText.clear();
    std::vector<Row> rows;
    rows.reserve(checked.findings.size());
    for (const RefFinding& f : checked.findings) {
        gWs.checkText += FormatFinding(f) + "\r\n";
        rows.push_back({f.type + " " + f.id, f.where, f.name, f.counterpart});
    }
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    p.OpenDialog(kWindowCheck, "Check references", {mx + w / 2 - 380, my + h / 2 - 240, 760, 480});
    p.AddLabel(kWindowCheck, kCtlCheckSummary, {8, 6, 740, 20}, CountFindings(checked.findings) + ".",
               false);
    p.AddDialogTable(kWindowCheck, kCtlCheckList, {5, 28, 745, 386},
                     {{"Record", 190}, {"Where", 110}, {"Name", 205}, {"Counterpart", 215}});
    p.DialogTableAddRows(kCtlCheckList, std::move(rows));
    p.AddButton(kWindowCheck, kCtlCheckCopy, {560, 422, 90, 24}, "Copy");
    p.AddButton(kWindowCheck, kCtlCheckClose, {660, 422, 90, 24}, "Close");
    MenuLock();
}

void CheckDialogCopy() {
    if (Plat().IsDialogOpen(kWindowCheck)) Plat().SetClipboardText(gWs.checkText);
}

void CheckDialogClose() {
    if (!Plat().IsDialogOpen(kWindowCheck)) return;
    Plat().CloseDialog(kWindowCheck);
    Plat().ActivateMainWindow();
    gWs.checkText.clear();
    gWs.dialogOpen = 0;
    MenuUnlock();
}

}  // namespace qp

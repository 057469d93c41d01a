#include "ui/builddialog.h"

#include "base/config.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "ui/mainwindow.h"

namespace qp {

namespace {

void ShowPairs() {
    Plat().DialogListClear(kCtlBuildPairs);
    std::vector<Row> rows;
    for (const auto& [fv, ov] : gWs.buildPairs) rows.push_back({fv, ov, "", ""});
    Plat().DialogTableAddRows(kCtlBuildPairs, std::move(rows));
}

void KeepPairs() {
    std::string err;
    if (!WriteSettings(&err))
        Message("INFORMATION",
                "THE PAIRS COULD NOT BE KEPT FOR THE NEXT TIME:\r" + ResolvePath(kSettingsFile) + "\r" + err,
                Icon::Stop);
}

Rect Centred(int width, int height) {
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    return {mx + w / 2 - width / 2, my + h / 2 - height / 2, width, height};
}

const char* const kFilterLabel = "Masters and plugins (*.esm *.esp)";
const char* const kPattern = "*.esm;*.esp";

}  // namespace

void OpenBuildDialog() {
    if (gWs.dialogOpen || gWs.busy) return;
    gWs.dialogOpen = 1;
    Platform& p = Plat();
    p.OpenDialog(kWindowBuild, "Build dictionaries", Centred(640, 320));
    p.AddLabel(kWindowBuild, kCtlBuildNote, {8, 10, 620, 22},
               "In load order (main master first): each pair the same file before (FV) and after (OV) conversion.",
               false);
    p.AddDialogTable(kWindowBuild, kCtlBuildPairs, {5, 44, 625, 210},
                     {{"First version (FV)", 305}, {"Other version (OV)", 305}});
    p.AddButton(kWindowBuild, kCtlBuildAdd, {5, 262, 100, 24}, "Add pair...");
    p.AddButton(kWindowBuild, kCtlBuildRemove, {115, 262, 90, 24}, "Remove");
    p.AddButton(kWindowBuild, kCtlBuildRun, {440, 262, 90, 24}, "Build");
    p.AddButton(kWindowBuild, kCtlBuildClose, {540, 262, 90, 24}, "Close");
    ShowPairs();
    MenuLock();
}

void BuildDialogAdd() {
    if (!Plat().IsDialogOpen(kWindowBuild) || gWs.busy) return;
    const std::string folder =
        gWs.buildPairs.empty() ? gWs.config.plugPath : FolderPart(gWs.buildPairs.back().first);
    const std::string fv = Plat().OpenFileRequester("First version (FV): the master or plugin before conversion",
                                                    folder, kFilterLabel, kPattern);
    if (fv.empty()) return;
    const std::string ov = Plat().OpenFileRequester(
        "Other version (OV) of " + FileNamePart(fv) + ": the same file after conversion", FolderPart(fv),
        kFilterLabel, kPattern);
    if (ov.empty()) return;
    gWs.buildPairs.emplace_back(fv, ov);
    ShowPairs();
    KeepPairs();
}

void BuildDialogRemove() {
    if (!Plat().IsDialogOpen(kWindowBuild) || gWs.busy) return;
    const int r = Plat().DialogListFocusedRow(kCtlBuildPairs);
    if (r < 0 || r >= static_cast<int>(gWs.buildPairs.size())) return;
    gWs.buildPairs.erase(gWs.buildPairs.begin() + r);
    ShowPairs();
    KeepPairs();
}

void BuildDialogClose() {
    if (!Plat().IsDialogOpen(kWindowBuild) || gWs.busy) return;
    Plat().CloseDialog(kWindowBuild);
    Plat().ActivateMainWindow();
    gWs.dialogOpen = 0;
    MenuUnlock();
}

void EnableBuildDialog(bool on) {
    for (int c : {kCtlBuildAdd, kCtlBuildRemove, kCtlBuildRun, kCtlBuildClose}) Plat().EnableControl(c, on);
}

void OpenBuildReport(const std::string& summary, std::vector<Row> rows, const std::string& text, int codePage) {
    Platform& p = Plat();
    gWs.checkText = text;
    gWs.checkCodePage = codePage;
    p.OpenDialog(kWindowCheck, "Dictionaries built", Centred(760, 480));
    p.AddLabel(kWindowCheck, kCtlCheckSummary, {8, 6, 740, 20}, summary, false);
    p.AddDialogTable(kWindowCheck, kCtlCheckList, {5, 28, 745, 386},
                     {{"File", 420}, {"Entries", 120}, {"Conflicts", 120}});
    p.AddButton(kWindowCheck, kCtlCheckCodePage, {5, 422, 220, 24},
                "Use " + std::to_string(codePage) + " " + CodePageName(codePage));
    p.AddButton(kWindowCheck, kCtlCheckCopy, {560, 422, 90, 24}, "Copy");
    p.AddButton(kWindowCheck, kCtlCheckClose, {660, 422, 90, 24}, "Close");
    p.EnableControl(kCtlCheckCodePage, codePage != gWs.codePage);
    p.DialogTableAddRows(kCtlCheckList, std::move(rows));
}

}  // namespace qp

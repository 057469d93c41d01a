#include "ui/mainwindow.h"

#include "base/lists.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "platform/codepage.h"
#include "ui/filter.h"

namespace qp {

namespace {

// These, the "Edit text" items, and the pop-up's "Edit".
const int kLockedIds[] = {kMenuLoad,  kMenuSave,         kMenuSaveAs,
                          kMenuCheck, kMenuReset,        kMenuForgetMemory,
                          kMenuBuildDictionaries, kMenuExportPo, kMenuImportPo};

// Without a plugin, what needs one stays off (a dialog of the external data
// may be opened before any load).
bool NeedsPlugin(int id) {
    return id != kMenuLoad && id != kMenuReset && id != kMenuForgetMemory && id != kMenuBuildDictionaries;
}

void EnableLocked(bool on) {
    for (int id : kLockedIds) Plat().EnableMenuItem(id, on && (gWs.table.loaded || !NeedsPlugin(id)));
    for (const Translatable* t : TextItemFields()) Plat().EnableMenuItem(t->menu, on && gWs.table.loaded);
    Plat().EnableMenuItem(kMenuEdit, on && gWs.table.loaded);
}

const int kCodePageItems[] = {kMenuCodePage1250, kMenuCodePage1251, kMenuCodePage1252};

MenuItem CodePageItem(int id) {
    const int cp = CodePageOfMenu(id);
    return {id, std::to_string(cp) + " " + CodePageName(cp), true, true, cp == gWs.codePage};
}

std::vector<Menu> MenuBarModel() {
    Menu texts{"Edit text", {}};
    for (const Translatable* t : TextItemFields()) texts.items.push_back({t->menu, t->title, false});
    return {
        {"File",
         {{kMenuLoad, "&Load", true},
          {kMenuSave, "Save", false},
          {kMenuSaveAs, "Save as...", false},
          {kMenuCheck, "Check references...", false},
          {0, "", true},
          {kMenuExportPo, "Export for translation...", false},
          {kMenuImportPo, "Import translation...", false},
          {0, "", true},
          {kMenuQuit, "&Quit", true}}},
        {"External data",
         {{kMenuReset, "Reset file", true},
          {kMenuForgetMemory, "Forget memory", true},
          {0, "", true},
          {kMenuBuildDictionaries, "Build dictionaries...", true}}},
        texts,
        {"Code page",
         {CodePageItem(kMenuCodePage1250), CodePageItem(kMenuCodePage1251),
          CodePageItem(kMenuCodePage1252)}},
        {"?", {{kMenuHelp, "Help", true}, {0, "", true}, {kMenuAbout, "About", true}}},
    };
}

}  // namespace

namespace {

// A size from the configuration file that no window can have (0 or below,
// or beyond any screen) gives way to the default; the file keeps its value.
int WindowSize(int32_t configured, int fallback) {
    return configured >= 1 && configured <= 32767 ? configured : fallback;
}

}  // namespace

void BuildMainWindow() {
    Platform& p = Plat();
    p.SetCodePage(gWs.codePage);
    const int w = WindowSize(gWs.config.windowWidth, 800);
    p.CreateMainWindow(kProgramTitle, w, WindowSize(gWs.config.windowHeight, 600));
    p.SetMenuBar(MenuBarModel());
    p.SetPopupMenu({kMenuEdit, "Edit", false});
    for (int id : {kMenuSave, kMenuSaveAs, kMenuCheck, kMenuExportPo, kMenuImportPo}) p.EnableMenuItem(id, false);
    for (const Translatable* t : TextItemFields()) p.EnableMenuItem(t->menu, false);
    p.EnableMenuItem(kMenuEdit, false);
    p.CreateStatusBar(w / 4);
    std::vector<std::string> titles;
    for (int g = kFirstList; g <= kLastList; ++g) titles.push_back(TabTitle(g));
    p.CreateObjectWindow("OBJECT WINDOW...", titles,
                         {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    CreateFilterBar();
    LayoutObjectWindow(false);
    p.SetStatusText(kStatusFile, "File :");
}

void LayoutObjectWindow(bool afterResize) {
    int w = 0, h = 0;
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    p.SetControlGeometry(kCtlFrame, {5, 0, w - 10, h - 40});
    p.SetControlGeometry(kCtlTabs, {10, 15, w - 20, h - 60});
    int origin = afterResize ? 0 : 1;
    for (int g = kFirstList; g <= kLastList; ++g)
        p.SetControlGeometry(g, {origin, origin, w - 26, h - 87});
}

int CodePageOfMenu(int id) {
    for (int cp : {kCodePageCentralEuropean, kCodePageCyrillic, kCodePageWestern})
        if (id == kCodePageItems[cp - kCodePageCentralEuropean]) return cp;
    return 0;
}

void ShowInCodePage(int codePage) {
    if (!IsSupportedCodePage(codePage)) return;
    gWs.codePage = codePage;
    Plat().SetCodePage(codePage);
    for (int id : kCodePageItems) Plat().CheckMenuItem(id, CodePageOfMenu(id) == codePage);
    // Letter case is the code page's: the same bytes may match other rows
    // now. A running load filters in the new code page when it ends.
    if (!gWs.busy && !gWs.filter.text.empty()) ApplyFilter();
}

void MenuLock() { EnableLocked(false); }

void MenuUnlock() { EnableLocked(true); }

Answer Message(const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    return Plat().MessageBox(title, text, icon, buttons);
}

void ShowNotice(const Notice& n) { Message(n.title, n.text, n.icon); }

void ShowNotices(const Notices& notices) {
    for (const Notice& n : notices) ShowNotice(n);
}

}  // namespace qp

#include "app/shell.h"

#include "app/app.h"
#include "platform/files.h"
#include "app/config.h"
#include "app/globals.h"
#include "convert/extdb.h"
#include "convert/save.h"
#include "plugin/blocks.h"
#include "plugin/load.h"
#include "ui/nameedit.h"
#include "ui/objectwindow.h"
#include "ui/textedit.h"

namespace qp {

namespace {

const int kLockedIds[] = {kMenuLoad, kMenuSave, kMenuSaveAs, kMenuReset, kMenuTextBook,
                          kMenuTextClass, kMenuTextRace, kMenuTextSkill, kMenuTextBirthsign,
                          kMenuEdit};

bool gHelpAvailable = false;

std::vector<Menu> MenuBarModel() {
    return {
        {"File",
         {{kMenuLoad, "&Load", true},
          {kMenuSave, "Save", false},
          {kMenuSaveAs, "Save as...", false},
          {0, "", true},
          {kMenuQuit, "&Quit", true}}},
        {"External data", {{kMenuReset, "Reset file", true}}},
        {"Edit text",
         {{kMenuTextBook, "Book", false},
          {kMenuTextClass, "Class", false},
          {kMenuTextRace, "Race", false},
          {kMenuTextSkill, "Skill", false},
          {kMenuTextBirthsign, "Birthsign", false}}},
        {"?", {{kMenuHelp, "Help", true}, {0, "", true}, {kMenuAbout, "About", true}}},
    };
}

void BuildMainWindow() {
    Platform& p = Plat();
    p.CreateMainWindow(kProgramTitle, gConfig.windowWidth, gConfig.windowHeight);
    p.SetMenuBar(MenuBarModel());
    p.SetPopupMenu({kMenuEdit, "Edit", false});
    for (int id : {kMenuSave, kMenuSaveAs, kMenuTextBook, kMenuTextClass, kMenuTextRace,
                   kMenuTextSkill, kMenuTextBirthsign, kMenuEdit})
        p.EnableMenuItem(id, false);
    int w = gConfig.windowWidth;
    p.CreateStatusBar(w / 4);
    std::vector<std::string> titles;
    for (int g = kFirstList; g <= kLastList; ++g) titles.push_back(TabTitle(g));
    p.CreateObjectWindow("OBJECT WINDOW...", titles,
                         {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    LayoutObjectWindow(false);
    p.SetStatusText(0, "File :");
}

struct TextItem {
    int id;
    const char* type;
    const char* file;
    const char* sub;
};
const TextItem kTextItems[] = {
    {kMenuTextBook, "Book", "data\\Txtbookdata.dat", "TEXT"},
    {kMenuTextClass, "Class", "data\\Txtclasdata.dat", "DESC"},
    {kMenuTextRace, "Race", "data\\Txtracedata.dat", "DESC"},
    {kMenuTextSkill, "Skill", "data\\Txtskildata.dat", "DESC"},
    {kMenuTextBirthsign, "Birthsign", "data\\Txtbsgndata.dat", "DESC"},
};

void DispatchMenu(int id) {
    switch (id) {
    case kMenuLoad:
        StartBackgroundCommand(&LoadCommand);
        return;
    case kMenuSave:
        StartBackgroundCommand(&SaveCommand);
        return;
    case kMenuSaveAs:
        StartBackgroundCommand(&SaveAsCommand);
        return;
    case kMenuQuit:
        ConfirmQuit();
        return;
    case kMenuReset:
        ResetExternalDatabase(1);
        return;
    case kMenuHelp:
        ShowHelp();
        return;
    case kMenuAbout:
        ShowAbout();
        return;
    case kMenuEdit:
        OpenNameEdit();
        return;
    default:
        break;
    }
    for (const TextItem& t : kTextItems) {
        if (t.id != id) continue;
        gTextParams = {t.type, t.file, t.sub};
        OpenTextEdit();
        return;
    }
}

void DispatchControl(const Event& ev) {
    if (ev.id == kCtlOk && ev.action == ControlAction::Press) {
        NameEditOk();
    } else if (ev.id == kCtlCancel && ev.action == ControlAction::Press) {
        NameEditCancel();
    } else if (ev.id >= kFirstList && ev.id <= kLastList) {
        OnListEvent(ev.id, ev.action);
    } else if (ev.id == kCtlTextList) {
        TextEditSelect();
    } else if (ev.id == kCtlTextSave && ev.action == ControlAction::Press) {
        TextEditSave();
    } else if (ev.id == kCtlTextCancel && ev.action == ControlAction::Press) {
        TextEditCancel();
    } else if (ev.id == kCtlTextCopy && ev.action == ControlAction::Press) {
        TextEditCopy();
    }
}

}  // namespace

Answer Message(const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    return Plat().MessageBox(title, text, icon, buttons);
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

void Startup() {
    ResetGlobalState();
    gHelpAvailable = Plat().HelpViewerAvailable();
    ReadStartupConfiguration();
    InitBlockTable(gConfig.bank);
    BuildMainWindow();
}

void MenuLock() {
    for (int id : kLockedIds) Plat().EnableMenuItem(id, false);
}

void MenuUnlock() {
    for (int id : kLockedIds) Plat().EnableMenuItem(id, true);
}

void StartBackgroundCommand(void (*command)()) {
    // One worker at a time: a second start while one runs is refused.
    if (gBusy) return;
    if (gFinished) {
        Plat().ReleaseWorker();
        gFinished = 0;
    }
    gBusy = 1;
    if (!Plat().StartWorker(command)) {
        gBusy = 0;
        Message("INFORMATION", "THE COMMAND COULD NOT BE STARTED.", Icon::Stop);
    }
}

void EndBackgroundCommand() {
    gFinished = 1;
    gBusy = 0;
}

void WaitForBackgroundCommand() {
    while (gBusy) Plat().Pump(10);
    if (gFinished) {
        Plat().ReleaseWorker();
        gFinished = 0;
    }
}

void ConfirmQuit() {
    Answer a = Message("QUIT", "LEAVE THE PROGRAM?", Icon::Question, Buttons::YesNo);
    gQuit = a == Answer::Yes ? 1 : 0;
}

void ShowHelp() {
    if (gHelpAvailable) Plat().OpenHelp(ResolvePath("Vosk.chm"));
}

void ShowAbout() {
    Message("ABOUT", "QUILLANE\r\r    V3.03a\r\rTES3 plugin translation tool", Icon::None);
}

void DispatchEvent(const Event& ev) {
    switch (ev.kind) {
    case EventKind::Menu:
        DispatchMenu(ev.id);
        break;
    case EventKind::Control:
        DispatchControl(ev);
        break;
    case EventKind::Close:
        if (ev.window == 0)
            ConfirmQuit();
        else if (ev.window == 1)
            NameEditClose();
        else if (ev.window == 2)
            TextEditCancel();
        break;
    case EventKind::Size:
        Plat().ActivateMainWindow();
        LayoutObjectWindow(true);
        break;
    case EventKind::HeaderClick:
        if (!gDialogOpen && !gBusy && ev.id >= kFirstList && ev.id <= kLastList &&
            ev.column >= 0 && ev.column <= 3)
            SortNameList(ev.id, ev.column);
        break;
    case EventKind::None:
        break;
    }
}

void RunEventLoop() {
    Event ev;
    while (!gQuit) {
        if (!Plat().WaitEvent(ev)) break;
        DispatchEvent(ev);
    }
    // Never cut a running load or save off: its files must be complete.
    WaitForBackgroundCommand();
    Plat().ReleaseWorker();
}

int RunQuillane() {
    Startup();
    RunEventLoop();
    return 0;
}

}  // namespace qp

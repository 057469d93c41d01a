#include "app/shell.h"

#include <cstdio>

#include "app/app.h"
#include "app/builddict.h"
#include "app/commands.h"
#include "app/poexchange.h"
#include "base/config.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "ui/builddialog.h"
#include "ui/checkdialog.h"
#include "ui/filter.h"
#include "ui/mainwindow.h"
#include "ui/nameedit.h"
#include "ui/objectwindow.h"
#include "ui/textedit.h"

namespace qp {

namespace {

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
        ResetCommand();
        return;
    case kMenuForgetMemory:
        ForgetMemoryCommand();
        return;
    case kMenuBuildDictionaries:
        OpenBuildDialog();
        return;
    case kMenuCheck:
        CheckReferencesCommand();
        return;
    case kMenuExportPo:
        StartBackgroundCommand(&ExportPoCommand);
        return;
    case kMenuImportPo:
        StartBackgroundCommand(&ImportPoCommand);
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
    case kMenuCodePage1250:
    case kMenuCodePage1251:
    case kMenuCodePage1252:
        CodePageCommand(id);
        return;
    default:
        break;
    }
    if (const Translatable* t = TextItemField(id)) {
        gWs.textParams = {t->title, t->type, t->dictionary, t->sub, t->menu};
        OpenTextEdit();
    }
}

void DispatchControl(const Event& ev) {
    if (ev.id == kCtlOvField && ev.action == ControlAction::Change) {
        NameEditTyped();
    } else if (ev.id == kCtlOk && ev.action == ControlAction::Press) {
        NameEditOk();
    } else if (ev.id == kCtlCancel && ev.action == ControlAction::Press) {
        NameEditCancel();
    } else if (IsListNumber(ev.id)) {
        OnListEvent(ev.id, ev.action);
    } else if (ev.id == kCtlTextList) {
        TextEditSelect();
    } else if ((ev.id == kCtlTextFilter && ev.action == ControlAction::Change) ||
               (ev.id == kCtlTextUntranslated && ev.action == ControlAction::Press)) {
        TextEditFilter();
    } else if (ev.id == kCtlTextSave && ev.action == ControlAction::Press) {
        TextEditSave();
    } else if (ev.id == kCtlTextCancel && ev.action == ControlAction::Press) {
        TextEditCancel();
    } else if (ev.id == kCtlTextCopy && ev.action == ControlAction::Press) {
        TextEditCopy();
    } else if (ev.id == kCtlCheckCopy && ev.action == ControlAction::Press) {
        CheckDialogCopy();
    } else if (ev.id == kCtlCheckClose && ev.action == ControlAction::Press) {
        CheckDialogClose();
    } else if (ev.id == kCtlCheckCodePage && ev.action == ControlAction::Press) {
        // The code page a build's report suggests, as its menu item takes it.
        for (int id : {kMenuCodePage1250, kMenuCodePage1251, kMenuCodePage1252})
            if (CodePageOfMenu(id) == gWs.checkCodePage && Plat().IsDialogOpen(kWindowCheck)) {
                CodePageCommand(id);
                Plat().EnableControl(kCtlCheckCodePage, false);
            }
    } else if (ev.action == ControlAction::Press && ev.id == kCtlBuildAdd) {
        BuildDialogAdd();
    } else if (ev.action == ControlAction::Press && ev.id == kCtlBuildRemove) {
        BuildDialogRemove();
    } else if (ev.action == ControlAction::Press && ev.id == kCtlBuildRun) {
        StartBuildDictionaries();
    } else if (ev.action == ControlAction::Press && ev.id == kCtlBuildClose) {
        BuildDialogClose();
    } else if ((ev.id == kCtlFilterField && ev.action == ControlAction::Change) ||
               (ev.id == kCtlFilterToggle && ev.action == ControlAction::Press)) {
        OnFilterChanged();
    } else if (ev.id == kCtlFilterNext && ev.action == ControlAction::Press) {
        NextWithoutCounterpart();
    }
}

}  // namespace

void Startup() {
    ResetWorkspace();
    gWs.helpAvailable = Plat().HelpViewerAvailable();
    ReadStartupConfiguration();
    ReadSettings();
    InitBlockTable(gWs.config.bank);
    BuildMainWindow();
}

void StartBackgroundCommand(void (*command)()) {
    // One worker at a time: a second start while one runs is refused.
    if (gWs.busy) return;
    if (gWs.finished) {
        Plat().ReleaseWorker();
        gWs.finished = 0;
    }
    gWs.busy = 1;
    EnableFilterBar(false);
    if (!Plat().StartWorker(command)) {
        gWs.busy = 0;
        EnableFilterBar(true);
        Message("INFORMATION", "THE COMMAND COULD NOT BE STARTED.", Icon::Stop);
    }
}

void EndBackgroundCommand() {
    gWs.finished = 1;
    gWs.busy = 0;
    // Only now: a change made earlier would find the worker still busy.
    EnableFilterBar(true);
}

void WaitForBackgroundCommand() {
    while (gWs.busy) Plat().Pump(10);
    if (gWs.finished) {
        Plat().ReleaseWorker();
        gWs.finished = 0;
    }
}

void ConfirmQuit() {
    // With edits not saved yet, the question names them and No is its default.
    // A running load or save owns the name lists; what it leaves is its own.
    const UnsavedWork w = gWs.busy ? UnsavedWork{} : CountUnsavedWork();
    Answer a = w.Any() ? Message("QUIT", UnsavedWorkLine(w) + "\rLEAVE THE PROGRAM?", Icon::Question,
                                 Buttons::YesNoDefaultNo)
                       : Message("QUIT", "LEAVE THE PROGRAM?", Icon::Question, Buttons::YesNo);
    gWs.quit = a == Answer::Yes ? 1 : 0;
}

namespace {
// A file of the manual: the program directory's own, else the one an
// installed program shares; the former when neither is there, for the
// viewer to say so.
std::string ManualFile(const std::string& name) {
    const std::string own = ResolvePath(name);
    const std::string shared = NativePath(InstalledDataDirectory(), name);
    return FileExists(own) || InstalledDataDirectory().empty() || !FileExists(shared) ? own : shared;
}
}  // namespace

// Vosk.chm in a viewer of compiled help; where there is none (Linux without
// one) or it fails, the same pages as HTML in the browser. When nothing
// opens the manual, the user is told where it is, to open it some other way.
void ShowHelp() {
    const std::string chm = ManualFile("Vosk.chm");
    if (gWs.helpAvailable && Plat().OpenHelp(chm)) return;
    const std::string index = ManualFile("manual\\index.html");
    if (FileExists(index) && Plat().OpenHelpPages(index)) return;
    const std::string where = FileExists(index) || !FileExists(chm) ? index : chm;
    Message("INFORMATION", "NO PROGRAM HERE CAN OPEN THE MANUAL.\rYOU FIND IT HERE :\r" + where,
            Icon::Information);
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
        if (ev.window == kWindowMain)
            ConfirmQuit();
        else if (ev.window == kWindowNameEdit)
            NameEditClose();
        else if (ev.window == kWindowTextEdit)
            TextEditCancel();
        else if (ev.window == kWindowCheck)
            CheckDialogClose();
        else if (ev.window == kWindowBuild)
            BuildDialogClose();
        break;
    case EventKind::Size:
        Plat().ActivateMainWindow();
        LayoutObjectWindow(true);
        break;
    case EventKind::HeaderClick:
        if (!gWs.dialogOpen && !gWs.busy && IsListNumber(ev.id) && ev.column >= 0 &&
            ev.column < kColumnCount)
            SortNameList(ev.id, ev.column);
        break;
    case EventKind::None:
        break;
    }
}

void RunEventLoop() {
    Event ev;
    while (!gWs.quit) {
        if (!Plat().WaitEvent(ev)) break;
        DispatchEvent(ev);
    }
    // Never cut a running load or save off: its files must be complete.
    WaitForBackgroundCommand();
    Plat().ReleaseWorker();
}

int TakeCommandLine(const std::vector<std::string>& args) {
    static const char kUsage[] =
        "usage: quillane [PLUGIN]\n"
        "  Opens the Quillane window; PLUGIN, a .esp file, is loaded at once as\n"
        "  \"&Load\" loads it. The batch tool is quillane-cli (quillane-cli --help).\n";
    gWs.env.startupPlugin.clear();
    gWs.env.ignoredArguments.clear();
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "quillane: unknown option %s\n%s", a.c_str(), kUsage);
            return 1;
        }
        (gWs.env.startupPlugin.empty() ? gWs.env.startupPlugin : gWs.env.ignoredArguments.emplace_back()) = a;
    }
    return -1;
}

int RunQuillane() {
    Startup();
    // Once the window is up: what kept the program directory from being
    // prepared, then the plugin the command line named, loaded as "&Load"
    // loads the one the user picks.
    if (gWs.env.programDirWarning) ShowNotice(*gWs.env.programDirWarning);
    if (gWs.env.programDirFailure) ShowNotice(*gWs.env.programDirFailure);
    if (!gWs.env.ignoredArguments.empty()) {
        std::string names;
        for (const std::string& a : gWs.env.ignoredArguments) names += "\r" + a;
        ShowNotice({"INFORMATION",
                    "ONE PLUGIN IS LOADED AT A TIME. ONLY THE FIRST ONE NAMED IS:\r" + gWs.env.startupPlugin +
                        "\rNOT LOADED:" + names,
                    Icon::Information});
    }
    // A first start with empty dictionaries converts nothing: say, once, why.
    if (!gWs.env.programDirFailure && !gWs.dictionaryAdviceGiven && !DictionariesHoldAPair()) {
        ShowNotice(NoDictionariesAdvice());
        gWs.dictionaryAdviceGiven = true;
        WriteSettings();
    }
    if (!gWs.env.startupPlugin.empty()) StartBackgroundCommand(&LoadStartupPluginCommand);
    RunEventLoop();
    return 0;
}

}  // namespace qp

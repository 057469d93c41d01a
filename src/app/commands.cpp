#include "app/commands.h"

#include "app/shell.h"
#include "base/config.h"
#include "base/dirlock.h"
#include "base/lists.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "convert/extdb.h"
#include "convert/memory.h"
#include "convert/save.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "ui/mainwindow.h"
#include "ui/objectwindow.h"

namespace qp {

LoadOutcome LoadChosenPlugin(const std::string& path, bool rememberFolder) {
    if (rememberFolder) {
        gWs.config.plugPath = FolderPart(path);
        WriteConfiguration();
    }
    LoadOutcome out = LoadPlugin(path);
    if (out.loaded) FillTabs();
    return out;
}

namespace {
// Load once the plugin is named: what it tells shown, the menus that need a
// plugin left off until one is loaded.
void LoadNamedPlugin(const std::string& path) {
    ProgramDirectoryLock lock;
    if (lock.refused) {
        ShowNotice(*lock.refused);
        return;
    }
    MenuLock();
    ShowNotices(LoadChosenPlugin(path).notices);
    if (gWs.table.loaded) {
        MenuUnlock();
    } else {
        for (int id : {kMenuLoad, kMenuReset, kMenuForgetMemory, kMenuBuildDictionaries})
            Plat().EnableMenuItem(id, true);
    }
}
}  // namespace

UnsavedWork CountUnsavedWork() {
    UnsavedWork w;
    for (int g = kFirstList; g <= kLastList; ++g)
        for (const NameEntry& e : gWs.nameLists[g]) w.rows += e.flag == "*";
    w.texts = static_cast<int>(gWs.textsNotSaved.size());
    return w;
}

std::string UnsavedWorkLine(const UnsavedWork& w) {
    auto count = [](int n, const char* what) {
        return std::to_string(n) + " EDITED " + what + (n == 1 ? "" : "S");
    };
    std::string line = "UNSAVED : ";
    if (w.rows) line += count(w.rows, "ROW");
    if (w.rows && w.texts) line += " AND ";
    if (w.texts) line += count(w.texts, "TEXT");
    return line + ".";
}

std::optional<Notice> LoadDiscardQuestion() {
    const UnsavedWork w = CountUnsavedWork();
    if (!w.Any()) return std::nullopt;
    return Notice{"QUESTION", UnsavedWorkLine(w) + "\rLOAD ANOTHER PLUGIN AND LOSE THEM?", Icon::Question};
}

std::string StartFolder(const std::string& stored) {
    // "C:\" is what the configuration file holds before any folder was
    // chosen: no choice of the user's.
    const bool chosen = !stored.empty() && stored != "C:\\" && stored != "c:\\";
    if (chosen && DirectoryExists(stored)) return stored;
    return ResolvePath("plugins");
}

std::string ProposedSaveName(const std::string& fileInUse) {
    std::string name = FileNamePart(fileInUse);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".esp") == 0) name.resize(name.size() - 4);
    return name.empty() ? std::string() : name + "_converted.esp";
}

void LoadCommand() {
    BeginDictionaryCommand();
    const std::string remembered = gWs.fileInUse;
    const std::string stored = ReadConfiguredString("Plugin Path", "PlugPath", "");
    gWs.config.plugPath = stored.empty() ? "c:\\" : stored;
    std::string path =
        Plat().OpenFileRequester("ESP file to load ", StartFolder(stored), "ESP (*.esp)", "*.esp");
    // Edits not saved yet go only when the user says so; No is the default.
    const std::optional<Notice> discard = path.empty() ? std::nullopt : LoadDiscardQuestion();
    if (discard && Message(discard->title, discard->text, discard->icon, Buttons::YesNoDefaultNo) != Answer::Yes)
        path.clear();
    if (path.empty())
        gWs.fileInUse = remembered;
    else
        LoadNamedPlugin(path);
    EndDictionaryCommand();
    EndBackgroundCommand();
}

void LoadStartupPluginCommand() {
    BeginDictionaryCommand();
    // Named relative to the folder the program was started in.
    LoadNamedPlugin(AbsolutePath(gWs.env.startupPlugin));
    EndDictionaryCommand();
    EndBackgroundCommand();
}

void CodePageCommand(int menuId) {
    const int codePage = CodePageOfMenu(menuId);
    if (!codePage) return;
    ShowInCodePage(codePage);
    std::string err;
    if (!WriteSettings(&err))
        Message("INFORMATION",
                "THE CODE PAGE COULD NOT BE KEPT FOR THE NEXT START:\r" + ResolvePath(kSettingsFile) +
                    "\r" + err,
                Icon::Stop);
}

std::optional<Notice> MasterSaveRefusal() {
    if (!IsMasterFile()) return std::nullopt;
    return Notice{"INFORMATION", kMasterSaveMessage, Icon::Stop};
}

Notice OverwriteQuestion() {
    return {"QUESTION", "OVERWRITE THE FILE IN USE  :" + std::string(22, ' ') + "\r" + gWs.fileInUse,
            Icon::Question};
}

SaveOutcome SaveOverFileInUse() {
    SaveOutcome out;
    if (auto failed = RunSaveSequence(gWs.fileInUse, &out.notices)) {
        out.notices.push_back(*failed);
        return out;
    }
    Plat().SetStatusText(kStatusFile, "File : " + FileNamePart(gWs.fileInUse));
    out.saved = true;
    return out;
}

SaveOutcome SaveAsTo(const std::string& output, bool rememberFolder) {
    SaveOutcome out;
    if (SameFileName(output, gWs.fileInUse)) {
        out.notices.push_back({"INFORMATION",
                               "THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF THE INPUT FILE.\r   "
                               "ENTER A DIFFERENT NAME OR USE 'SAVE' TO OVERWRITE THIS FILE.",
                               Icon::Information});
        return out;
    }
    if (auto failed = RunSaveSequence(output, &out.notices)) {
        out.notices.push_back(*failed);
        return out;
    }
    // The folder is remembered only once the save has succeeded.
    if (rememberFolder) {
        gWs.config.savePath = FolderPart(output);
        WriteConfiguration();
    }
    gWs.fileInUse = output;
    Plat().SetStatusText(kStatusFile, "File : " + FileNamePart(gWs.fileInUse));
    out.saved = true;
    return out;
}

void SaveAsCommand() {
    BeginDictionaryCommand();
    if (auto refused = MasterSaveRefusal()) {
        ShowNotice(*refused);
    } else {
        const std::string stored = ReadConfiguredString("Save Path", "SavePath", "");
        gWs.config.savePath = stored.empty() ? "C:\\" : stored;
        std::string chosen = Plat().SaveFileRequester("ESP file to save", StartFolder(stored),
                                                      "ESP (*.esp)", "*.esp", ProposedSaveName(gWs.fileInUse));
        std::string output = chosen.empty() ? std::string() : SaveAsOutputPath(chosen);
        if (output.empty()) {
            // cancelled, or no name left
        } else if (SameFileName(output, gWs.fileInUse)) {
            ShowNotices(SaveAsTo(output).notices);
        } else if (!output.empty()) {
            ProgramDirectoryLock lock;
            if (lock.refused) {
                ShowNotice(*lock.refused);
            } else {
                MenuLock();
                ShowNotices(SaveAsTo(output).notices);
                MenuUnlock();
            }
        }
    }
    EndDictionaryCommand();
    EndBackgroundCommand();
}

void SaveCommand() {
    BeginDictionaryCommand();
    if (auto refused = MasterSaveRefusal()) {
        ShowNotice(*refused);
    } else {
        MenuLock();
        const Notice q = OverwriteQuestion();
        if (Message(q.title, q.text, q.icon, Buttons::YesNoDefaultNo) == Answer::Yes) {
            ProgramDirectoryLock lock;
            ShowNotices(lock.refused ? Notices{*lock.refused} : SaveOverFileInUse().notices);
        }
        MenuUnlock();
    }
    EndDictionaryCommand();
    EndBackgroundCommand();
}

bool DictionariesHoldAPair() {
    std::vector<std::string> names{GameSettingField().dictionary};
    for (int g = kFirstList; g <= kLastList; ++g) names.push_back(ListDictionary(g));
    for (const std::string& name : names)
        if (FileSize(ResolvePath(name)) >= 8) return true;  // a pair at least
    return false;
}

Notice NoDictionariesAdvice() {
    return {"INFORMATION",
            "THE DICTIONARIES IN " + ResolvePath("data") +
                " HOLD NO PAIR: NOTHING WILL BE CONVERTED.\r\r"
                "BUILD THEM FROM THE TWO LANGUAGE VERSIONS OF THE GAME'S MASTERS\rWITH \"External data\" > "
                "\"Build dictionaries...\", OR COPY A SET OF DICTIONARIES INTO data\\.",
            Icon::Information};
}

const char* const kNoDictionariesAdvice =
    "Build them from the two language versions of the game's masters (quillane-cli build-dictionaries, or "
    "\"External data\" > \"Build dictionaries...\" in the window), or copy a set of dictionaries into data.";

Notice ResetQuestion() {
    std::string name = FileNamePart(kExternalDatabase);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return {"ALERT!",
            "ERASE THE EXTERNAL BASE ONLY IF YOU ARE SURE YOU DON'T\rNEED THIS DATAS FOR FUTURE "
            "TRANSLATION.\r\rFILE IN USE : " +
                name + "\r\r                ERASE EXTERNAL DATA BASE?",
            Icon::Warning};
}

Notice ResetDone() { return {"INFORMATION", "DATA BASE ERASED.", Icon::Information}; }

void ResetCommand() {
    const Notice q = ResetQuestion();
    if (Message(q.title, q.text, q.icon, Buttons::YesNoDefaultNo) != Answer::Yes) return;
    if (ProgramDirectoryLock lock; lock.refused)
        ShowNotice(*lock.refused);
    else if (auto failed = EraseExternalDatabase())
        ShowNotice(*failed);
    else
        ShowNotice(ResetDone());
}

void ForgetMemoryCommand() {
    const Notice q = ForgetMemoryQuestion();
    if (Message(q.title, q.text, q.icon, Buttons::YesNoDefaultNo) != Answer::Yes) return;
    if (ProgramDirectoryLock lock; lock.refused)
        ShowNotice(*lock.refused);
    else if (auto failed = ForgetMemory())
        ShowNotice(*failed);
    else
        ShowNotice(MemoryForgotten());
}

}  // namespace qp

// The commands of the menu bar that work on plugins and the external
// database, and the steps behind them that the batch tool runs too. The
// commands take no arguments and show what the steps return.
#pragma once

#include <optional>
#include <string>

#include "base/notice.h"
#include "plugin/read.h"

namespace qp {

// "&Load", "Save" and "Save as..." run on the worker; "Reset file" on the
// main thread.
void LoadCommand();
// Load without the requester, of the plugin named on the command line.
void LoadStartupPluginCommand();
void SaveCommand();
void SaveAsCommand();
void ResetCommand();
// "Forget memory": both memory files removed after a question.
void ForgetMemoryCommand();
// A "Code page" item: names and texts shown in its code page at once, the
// choice kept in Quillane.ini for the next start.
void CodePageCommand(int menuId);

// Load of a chosen plugin: its folder remembered in the configuration file
// (unless rememberFolder is false: the batch tool has no requester), the
// plugin read and converted, the tabs filled.
LoadOutcome LoadChosenPlugin(const std::string& path, bool rememberFolder = true);

// Save and Save as refuse a master file.
std::optional<Notice> MasterSaveRefusal();
// The question Save asks before it overwrites the file in use.
Notice OverwriteQuestion();
struct SaveOutcome {
    bool saved = false;
    Notices notices;  // the failure, or what a successful save has to tell
};
// Save after the user's Yes: the save sequence over the file in use.
SaveOutcome SaveOverFileInUse();
// Save as onto output (the requester's answer made a plugin name): refused
// when it names the file in use; after a successful save, its folder is
// remembered (unless rememberFolder is false) and it becomes the file in use.
SaveOutcome SaveAsTo(const std::string& output, bool rememberFolder = true);

// What a load or quit would lose: rows flagged "*" and texts the text edit
// dialog's "SAVE" changed since the last save.
struct UnsavedWork {
    int rows = 0;
    int texts = 0;
    bool Any() const { return rows || texts; }
};
UnsavedWork CountUnsavedWork();
// "UNSAVED : 2 EDITED ROWS AND 1 EDITED TEXT."
std::string UnsavedWorkLine(const UnsavedWork& w);
// The question "&Load" asks before it discards unsaved work; none without any.
std::optional<Notice> LoadDiscardQuestion();

// The folder a requester opens in: the stored one when it exists, else the
// program directory's plugins folder (where the demo is).
std::string StartFolder(const std::string& stored);
// The name "Save as..." proposes: never the loaded plugin's own.
std::string ProposedSaveName(const std::string& fileInUse);

// Whether any name dictionary or the game-setting dictionary holds a pair:
// without one, a load converts nothing.
bool DictionariesHoldAPair();
// What to do then, as the window says it once at its first start.
Notice NoDictionariesAdvice();
extern const char* const kNoDictionariesAdvice;  // the same, in the batch tool's words

// The question "Reset file" asks, and what it answers.
Notice ResetQuestion();
Notice ResetDone();

}  // namespace qp

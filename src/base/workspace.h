// The program's state, all of it, in one place: the loaded plugin and its
// journal, the name lists behind the 26 tabs, the skill and text lists, the
// configuration, the dialogs' working values, the dictionary cache and the
// flags through which the event loop and the worker coordinate.
//
// Threads. There are at most two: the main thread (event loop, dialogs,
// sorting, "Reset file") and one worker that runs Load, Save or Save as. They
// share no lock over this state; they take turns, and the turns are kept by
// one rule:
//
//     While the busy flag is set, the main thread leaves the block table and
//     the name lists alone.
//
// The menu lock keeps every command that changes them off while a command or
// a dialog works, and the dialog-open flag keeps the dialogs and sorting
// from overlapping. Each member below says which thread writes it and when.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/blocktable.h"
#include "base/config.h"
#include "base/notice.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ids.h"
#include "platform/platform.h"

namespace qp {

// One named record of the loaded plugin, shown as one row of its tab.
struct NameEntry {
    std::string flag;  // "", "L", "T", "M" (from the memory), "N" or "*"
    std::string id;
    std::string fv;    // the name before conversion
    std::string ov;    // the name the converted plugin carries
    int32_t block = 0;
};

// A SKIL record, for the long-text editor.
struct SkillEntry {
    int32_t index = 0;
    std::string id;  // string 1 of the skill dictionary
    std::string fv;
    std::string ov;
    int32_t block = 0;
};

// An INFO of the loaded plugin under a dialogue of known kind, with its ID:
// a response or a journal entry, in block order.
struct InfoEntry {
    int32_t block = 0;
    int32_t dialogue = 0;  // the DIAL it belongs to
    int8_t kind = 0;       // the DIAL's kind, 0 to 4 (4: journal)
    // The text was the game's own: a dictionary gave its translation at load
    // (flag "L"). What it was before, the dictionary keeps.
    bool converted = false;
};

// An entry of the long-text editor's working list.
struct TextEntry {
    std::string id;
    int32_t block = 0;
    // Responses and journal entries: the topic (a quest for the journal)
    // and the speaker (a journal entry's index).
    std::string topic, speaker;
};

// The row the user last touched, as its view showed it.
struct CurrentRow {
    int list = 0;
    std::string type, flag, id, fv, ov;
};

// What the "Edit text" item chose: caption, long-text file, subrecord.
struct TextEditParameters {
    std::string type;    // the item's title
    std::string record;  // its record type
    std::string file;
    std::string subrecord;
    int menu = 0;  // the item's menu id
};

// A flag both threads read and write without a lock. Copying copies its
// value, so that the workspace is reset by one assignment.
class SharedFlag {
public:
    SharedFlag() = default;
    explicit SharedFlag(int v) : v_(v) {}
    SharedFlag(const SharedFlag& other) : v_(other.v_.load()) {}
    SharedFlag& operator=(const SharedFlag& other) {
        v_ = other.v_.load();
        return *this;
    }
    SharedFlag& operator=(int v) {
        v_ = v;
        return *this;
    }
    operator int() const { return v_.load(); }

private:
    std::atomic<int> v_{0};
};

// The dictionary layer's parsed files and the problems met while a command
// runs (its own lock guards it; see dictionary/dictfile.cpp).
struct DictionaryCache;

// Where a pass stands, for a watcher other than the status bar: its label
// ("Save Block : "), the block and the last block (-1 when the pass counts
// none, as the read pass, whose label then ends with the record type).
using ProgressHook = void (*)(const std::string& label, int block, int last);

struct Workspace {
    // Set by main() before start-up, and kept by a reset: the window system
    // in use, the program directory (with a trailing separator), the batch
    // tool's progress watcher, and what the command line asked for.
    struct Environment {
        Platform* platform = nullptr;
        std::string programDir;
        ProgressHook progress = nullptr;
        // The window creates a missing dictionary empty as it opens it; the
        // batch tool leaves the program directory as it finds it.
        bool createMissingDictionaries = true;
        // How long a command waits for another run of the program to let go
        // of the program directory before it refuses.
        int lockWaitMs = 3000;
        // An installed program's shared files (<prefix>/share/quillane/:
        // the demo, the manual), "" when it runs from its own folder; and
        // what kept its per-user program directory from being prepared,
        // shown once the window is up (both set with the program directory).
        std::string installedData;
        std::optional<Notice> programDirFailure;
        // A relative path in the environment, passed over for the per-user
        // folder: said once the window is up, as a failure is.
        std::optional<Notice> programDirWarning;
        // The plugin named when the window program was started
        // ("quillane FILE.esp"), loaded right after start-up.
        std::string startupPlugin;
        // Further plugins named there: not loaded, and said so.
        std::vector<std::string> ignoredArguments;
    };
    Workspace() = default;
    explicit Workspace(Environment e) : env(std::move(e)) {}

    Environment env;

    // --- the loaded plugin (worker: Load and the save sequence; main thread:
    // the text edit dialog's "SAVE", the reference check, which puts every
    // block back before it returns, and tests, never while busy) ---
    BlockTable table;
    // The undo record of a running save sequence (worker) or reference check
    // (main thread).
    BlockJournal journal;
    // Lists 3..28; entries 0..2 are unused so that a list number indexes.
    // Written by Load (worker), the name edit dialog (main), sorting (main)
    // and the save sequence (worker).
    std::vector<NameEntry> nameLists[kLastList + 1];
    // The SKIL records of the plugin (worker: Load).
    std::vector<SkillEntry> skills;
    // The responses and journal entries (worker: Load).
    std::vector<InfoEntry> infos;
    // The plugin file last loaded or written by Save as (worker).
    std::string fileInUse;
    // The blocks whose long text the text edit dialog's "SAVE" changed:
    // since the plugin was loaded (marked in the dialog's list), and since
    // the last save (what a load or quit would lose). Main thread: "SAVE";
    // worker: a load empties both, a save the second.
    std::set<int32_t> textsSavedSinceLoad;
    std::set<int32_t> textsNotSaved;

    // --- the window (main thread) ---
    // Next sort direction per list: 1 ascending, -1 descending.
    std::array<int, kLastList + 1> sortDirection = [] {
        std::array<int, kLastList + 1> d{};
        d.fill(1);
        return d;
    }();
    CurrentRow currentRow;
    // The row the name edit dialog is open on.
    int editList = 0;
    int editRow = -1;
    // The text edit dialog: what it edits, its entries, the one shown.
    TextEditParameters textParams;
    std::vector<TextEntry> textEditList;
    int textSelected = -1;
    // The entries of textEditList the dialog's list shows, by row, while its
    // filter hides some (responses and journal entries).
    std::vector<int> textEditShown;
    // The check dialog's findings as the batch tool prints them, each line
    // ended by CR LF: set when the dialog opens, cleared when it closes.
    std::string checkText;
    // A build's report: the code page its button takes.
    int checkCodePage = 0;
    // Looked up once at start-up.
    bool helpAvailable = false;

    // --- the filter bar (main thread, on a change of the field or the toggle
    // and never while busy; the worker at the end of a load, which takes the
    // text and the toggle from the bar again) ---
    struct Filter {
        std::string text;  // bytes in the code page; "" lets every row through
        bool withoutCounterpart = false;
        bool Active() const { return !text.empty() || withoutCounterpart; }
        // The list rows each view shows, ascending, while it shows only some.
        std::vector<int> shown[kLastList + 1];
        std::array<bool, kLastList + 1> hiding{};
    } filter;

    // --- configuration (main thread at start-up; worker: Load and Save as
    // store a folder; the reader is held under its own lock) ---
    Configuration config;
    ConfigurationReader configReader;
    // The code page names and texts are shown and typed in: 1250, 1251 or
    // 1252 (main thread: read from Quillane.ini at start-up, changed by the
    // "Code page" menu, which stays on while a load runs). The core keeps
    // bytes whatever it is; the window shows them in it, and the filter
    // ignores letter case in it (the worker too, filtering at the end of a
    // load).
    SharedFlag codePage{kCodePageWestern};
    // Kept in Quillane.ini too (main thread): whether the window has said
    // what to do about dictionaries that hold nothing, and the pairs of files
    // "Build dictionaries..." last built from (FV, OV).
    bool dictionaryAdviceGiven = false;
    std::vector<std::pair<std::string, std::string>> buildPairs;

    // --- dictionaries (either thread, under the cache's own lock) ---
    std::shared_ptr<DictionaryCache> dictionaries;

    // --- the program directory's lock (the thread of the command that
    // writes there: the worker, or the main thread for "Reset file") ---
    std::shared_ptr<FileLock> programLock;
    int programLockDepth = 0;

    // --- flags ---
    // Set by the main thread when it starts the worker; cleared by the
    // command, together with finished, as its last step.
    SharedFlag busy;
    SharedFlag finished;
    // A dialog is open (main thread).
    SharedFlag dialogOpen;
    // The user confirmed quitting (main thread).
    SharedFlag quit;
};

extern Workspace gWs;

// Everything back to its start, but the environment main() set up.
void ResetWorkspace();

// The window system in use.
inline Platform& Plat() { return *gWs.env.platform; }
inline void SetPlatform(Platform* p) { gWs.env.platform = p; }

extern const char* const kInProgressMessage;
extern const char* const kExternalDatabase;  // "dataextra\Extradata.dat"
// The memory of every translation saved, across plugins: pairs (FV name, OV
// name), and triples (kind, text before, translation) of long texts.
extern const char* const kMemoryFile;      // "dataextra\Memory.dat"
extern const char* const kMemoryTextFile;  // "dataextra\Memtext.dat"
extern const char* const kProgramTitle;

}  // namespace qp

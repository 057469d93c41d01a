#include "app/batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/builddict.h"
#include "app/commands.h"
#include "app/shell.h"
#include "base/dirlock.h"
#include "base/fields.h"
#include "base/lists.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "convert/checkplugin.h"
#include "convert/extdb.h"
#include "convert/memory.h"
#include "convert/save.h"
#include "dictionary/dictfile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "ui/filter.h"
#include "ui/nameedit.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitRefused = 2;
constexpr int kExitFindings = 3;

const char* const kUsage =
    "usage:\n"
    "  quillane-cli list    PLUGIN [--root DIR] [--codepage CP] [--without-counterpart]\n"
    "  quillane-cli convert PLUGIN OUTPUT [--root DIR] [--edits FILE] [--overwrite] [--codepage CP]\n"
    "  quillane-cli check   PLUGIN [--root DIR] [--edits FILE] [--codepage CP]\n"
    "  quillane-cli reset   [--root DIR] [--memory]\n"
    "  quillane-cli build-dictionaries FV-FILE OV-FILE [FV-FILE OV-FILE ...] [--root DIR] [--force]\n"
    "  quillane-cli --help\n";

const char* const kHelp =
    "\n"
    "  list      loads PLUGIN and prints every row of the 25 tabs, one a line:\n"
    "            tab title, flag, ID, FV name, OV name, separated by TAB; with\n"
    "            --without-counterpart only the rows no dictionary and no user\n"
    "            translation matched (empty flag), the ones still to translate.\n"
    "  convert   loads PLUGIN, applies the edits of FILE, then saves as OUTPUT;\n"
    "            with --overwrite an OUTPUT equal to PLUGIN is saved over it.\n"
    "  check     loads PLUGIN, applies the edits of FILE and converts it as a save\n"
    "            would, in memory only, then prints every cell name left in the\n"
    "            first version's form (AI escort and follow packages, moved\n"
    "            references, scripts, dialogue results), one a line: record type,\n"
    "            record ID, where, the name, its counterpart (empty: no dictionary\n"
    "            knows the name), separated by TAB. Nothing is written.\n"
    "  reset     empties the external database (dataextra/Extradata.dat); with\n"
    "            --memory, forgets the memory of earlier saves instead\n"
    "            (dataextra/Memory.dat and Memtext.dat).\n"
    "  --root    the program directory (data/, dataextra/, Voskconv.ini); without it\n"
    "            the program's own folder, or when installed ~/.local/share/quillane.\n"
    "  --edits   one edit a line: TAB-TITLE<TAB>ID<TAB>NEW OV NAME.\n"
    "  --codepage 1250, 1251 or 1252: the list is printed and the edits file read\n"
    "            as UTF-8, names and texts being in that code page; without it,\n"
    "            bytes go out and come in as the plugin holds them.\n"
    "\n"
    "  Inside fields a backslash is written \\\\, a TAB \\t, a LF \\n, a CR \\r.\n"
    "  Exit status: 0 done, 1 usage error or an edit the code page cannot hold,\n"
    "  2 refused or failed (nothing written), 3 check listed findings.\n";

// --- progress bar on a terminal ---

// Short runs stay quiet; only a run one can watch gets a bar, drawn from the
// progress each pass reports.
class ProgressBar {
public:
    void Enable() {
        enabled_ = true;
        start_ = std::chrono::steady_clock::now();
    }

    void Show(const std::string& label, int block, int last) {
        if (!enabled_ || std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(300)) return;
        // A pass without numbers ("Reading block : CELL") shows an empty bar.
        const std::string status =
            last < 0 ? label : label + std::to_string(block) + " / " + std::to_string(last);
        if (status == shown_) return;
        shown_ = status;
        int filled = 0;
        if (last > 0 && block >= 0) filled = static_cast<int>(std::min(1.0, double(block) / double(last)) * kCells);
        std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                           std::string(static_cast<size_t>(kCells - filled), '.') + "] " + status;
        if (line.size() < width_) line += std::string(width_ - line.size(), ' ');
        width_ = line.size();
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    }

    // Takes the bar off the line so that other output starts clean.
    void Clear() {
        shown_.clear();
        if (width_ == 0) return;
        std::string blank = "\r" + std::string(width_, ' ') + "\r";
        std::fwrite(blank.data(), 1, blank.size(), stderr);
        width_ = 0;
    }

    // Writes text to standard error with the bar out of the way.
    void Print(const std::string& text) {
        Clear();
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }

private:
    static constexpr int kCells = 30;
    bool enabled_ = false;
    std::chrono::steady_clock::time_point start_;
    std::string shown_;
    size_t width_ = 0;
};

ProgressBar gBar;

void OnProgress(const std::string& label, int block, int last) { gBar.Show(label, block, last); }

// What a message box would show: "TITLE: text", its line breaks as lines.
// A notice told once (a damaged dictionary met by the load and the save) is
// not told again.
void Print(const qp::Notice& n) {
    static std::set<std::string> told;
    std::string text = n.title + ": " + n.text + "\n";
    if (!told.insert(text).second) return;
    for (char& c : text)
        if (c == '\r') c = '\n';
    gBar.Print(text);
}
void Print(const qp::Notices& notices) {
    for (const qp::Notice& n : notices) Print(n);
}

void Say(const std::string& text) {
    gBar.Print("quillane-cli: " + text + "\n");
}

int UsageError(const std::string& why) {
    Say(why);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}


// --- one run of the program on the in-memory window system ---

class Session {
public:
    Session() {
        // Nothing below asks, but whatever a step would show is told.
        ui_.onMessage = [](const qp::ShownMessage& m) {
            Print(qp::Notice{m.title, m.text, m.icon});
            return m.buttons != qp::Buttons::Ok ? qp::Answer::Yes : qp::Answer::Ok;
        };
        qp::SetPlatform(&ui_);
        // A batch run leaves the program directory as it finds it but for
        // what a successful command writes.
        qp::gWs.env.createMissingDictionaries = false;
        qp::Startup();
    }
    ~Session() { gBar.Clear(); }

    // "&Load" once the requester has answered; with no requester, there is
    // no folder to remember for it.
    bool Load(const std::string& plugin) {
        qp::BeginDictionaryCommand();
        const qp::LoadOutcome out = qp::LoadChosenPlugin(plugin, false);
        qp::EndDictionaryCommand();
        gBar.Clear();
        Print(out.notices);
        if (out.loaded) WarnWithoutDictionaries();
        return out.loaded;
    }

private:
    // A wrong --root converts nothing, silently: say so.
    static void WarnWithoutDictionaries() {
        if (qp::DictionariesHoldAPair()) return;
        Say("warning: no dictionary in " + qp::ResolvePath("data") + " holds a pair: is " +
            qp::ProgramDirectory() + " the program directory (--root)? " + qp::kNoDictionariesAdvice);
    }

    qp::HeadlessPlatform ui_;
};

// --- arguments ---

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::string root, edits;
    bool hasRoot = false, hasEdits = false, overwrite = false, withoutCounterpart = false, memory = false;
    int codePage = 0;  // 0: bytes as they are
};

// Returns an empty string or the reason the command line is not usable.
std::string Parse(const std::vector<std::string>& args, Arguments& a) {
    a.command = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "--root" || s == "--edits") {
            bool& has = s == "--root" ? a.hasRoot : a.hasEdits;
            if (has) return s + " given twice";
            if (i + 1 >= args.size()) return s + " needs a value";
            has = true;
            (s == "--root" ? a.root : a.edits) = args[++i];
        } else if (s == "--codepage") {
            if (a.codePage) return s + " given twice";
            const std::string v = i + 1 < args.size() ? args[++i] : "";
            a.codePage = v.size() == 4 ? std::atoi(v.c_str()) : 0;
            if (!qp::IsSupportedCodePage(a.codePage) || v != std::to_string(a.codePage))
                return s + " takes 1250, 1251 or 1252";
        } else if (s == "--overwrite") {
            a.overwrite = true;
        } else if (s == "--without-counterpart") {
            a.withoutCounterpart = true;
        } else if (s == "--memory") {
            a.memory = true;
        } else if (s.size() > 1 && s[0] == '-') {
            return "unknown option " + s;
        } else {
            a.positional.push_back(s);
        }
    }
    size_t want = a.command == "list" || a.command == "check" ? 1 : a.command == "convert" ? 2 : 0;
    if (a.command != "list" && a.command != "convert" && a.command != "check" && a.command != "reset")
        return "unknown command " + a.command;
    if (a.positional.size() != want)
        return a.command + " takes " + std::to_string(want) + " file name" + (want == 1 ? "" : "s");
    for (const std::string& name : a.positional)
        if (name.empty()) return "an empty file name";
    if ((a.hasRoot && a.root.empty()) || (a.hasEdits && a.edits.empty())) return "an empty file name";
    if ((a.overwrite && a.command != "convert") ||
        (a.hasEdits && a.command != "convert" && a.command != "check"))
        return "--edits belongs to convert and check, --overwrite to convert";
    if (a.withoutCounterpart && a.command != "list") return "--without-counterpart belongs to list";
    if (a.memory && a.command != "reset") return "--memory belongs to reset";
    return {};
}

// An absolute path with its folder resolved, so that two spellings of the
// same file compare equal; the file name itself is kept as given.
std::string FullPath(const std::string& name) { return qp::AbsolutePath(name); }

// --- edits ---

struct Edit {
    int line = 0;
    int list = 0;
    std::string id, ov;
};

// Names as a terminal shows them: UTF-8 with a code page, else the bytes.
std::string Shown(int codePage, const std::string& bytes) {
    return codePage ? qp::ToUtf8(codePage, bytes) : bytes;
}

// Reads and checks the whole edits file before anything is loaded; with a
// code page, it is UTF-8 text and every name must have its bytes there.
// Returns kExitOk or the exit status of the failure.
int ReadEdits(const std::string& path, int codePage, std::vector<Edit>& edits) {
    std::string bytes, err;
    if (!qp::ReadWholeFile(path, bytes, &err)) {
        Say(path + ": " + err);
        return kExitRefused;
    }
    // The byte order mark an editor may put first is no part of the text.
    if (codePage && bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    int number = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        char32_t missing = 0;
        if (codePage && !qp::FromUtf8(codePage, std::string(line), line, &missing)) {
            Say(where + (missing == 0xFFFD ? "not UTF-8 text"
                                           : "code page " + std::to_string(codePage) +
                                                 " has no character " + qp::DescribeChar(missing)));
            return kExitUsage;
        }
        std::vector<std::string> fields;
        for (size_t p = 0;;) {
            size_t tab = line.find('\t', p);
            fields.push_back(line.substr(p, tab == std::string::npos ? std::string::npos : tab - p));
            if (tab == std::string::npos) break;
            p = tab + 1;
        }
        Edit e;
        e.line = number;
        std::string title;
        if (fields.size() != 3 || !qp::UnescapeField(fields[0], title) ||
            !qp::UnescapeField(fields[1], e.id) || !qp::UnescapeField(fields[2], e.ov)) {
            Say(where + "malformed edit (TAB-TITLE<TAB>ID<TAB>NEW OV NAME, escapes \\\\ \\t \\n \\r)");
            return kExitRefused;
        }
        // A name ends at its first zero byte: the rest would be lost.
        if (e.ov.find('\0') != std::string::npos) {
            Say(where + "the new name holds a zero byte");
            return kExitRefused;
        }
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
            if (title == qp::TabTitle(g)) e.list = g;
        if (e.list == 0) {
            Say(where + "no tab titled \"" + Shown(codePage, qp::EscapeField(title)) + "\"");
            return kExitRefused;
        }
        edits.push_back(std::move(e));
    }
    return kExitOk;
}


// The name edit dialog's OK on every row of the tab whose ID matches, with the
// checks the dialog makes. Rows by ID, per tab, built once: edits change flags
// and OV names only, so the IDs and the row order stay as loaded.
using RowIndex = std::map<int, std::unordered_map<std::string, std::vector<size_t>>>;

bool ApplyEdit(const Edit& e, const std::string& file, int codePage, RowIndex& index) {
    const std::string where = file + ":" + std::to_string(e.line) + ": ";
    const std::string tab = qp::TabTitle(e.list);
    auto found = index.find(e.list);
    if (found == index.end()) {
        found = index.emplace(e.list, RowIndex::mapped_type{}).first;
        const auto& rows = qp::gWs.nameLists[e.list];
        for (size_t r = 0; r < rows.size(); ++r) found->second[rows[r].id].push_back(r);
    }
    auto hits = found->second.find(e.id);
    const bool any = hits != found->second.end();
    static const std::vector<size_t> kNone;
    for (size_t r : any ? hits->second : kNone) {
        const int g = e.list, row = static_cast<int>(r);
        const std::string what = "tab \"" + tab + "\" row " + std::to_string(r + 1) + " (ID \"" +
                                  Shown(codePage, qp::EscapeField(e.id)) + "\")";
        if (auto refused = qp::NameEditRefusal(g, row)) {
            Print(*refused);
            Say(where + what + ": the name edit dialog refused the row");
            return false;
        }
        if (!qp::NameEditAllowsOk(g, row)) {
            Say(where + what + ": flagged L, its name comes from a dictionary file");
            return false;
        }
        // The dialog's OK leaves such a row as it is; so does the edit.
        if (e.ov == qp::Plat().ListGetText(g, row, qp::kColFv)) {
            Say(where + what + ": the new name is its FV name; the row is left as it was");
            continue;
        }
        if (auto refused = qp::CommitNameEdit(g, row, e.ov, qp::Plat().ListGetText(g, row, qp::kColFv))) {
            Print(*refused);
            Say(where + what + ": the new name was refused");
            return false;
        }
    }
    if (!any)
        Say(where + "no row with ID \"" + Shown(codePage, qp::EscapeField(e.id)) + "\" in tab \"" + tab + "\"");
    return any;
}

// Load, then every edit: false when either is refused. Every edit is made
// before anything is saved, so a refused one ends the run with all files as
// they were.
bool LoadAndEdit(Session& s, const std::string& plugin, const std::vector<Edit>& edits,
                 const std::string& file, int codePage) {
    if (!s.Load(plugin)) return false;
    RowIndex index;
    for (const Edit& e : edits)
        if (!ApplyEdit(e, file, codePage, index)) return false;
    return true;
}

// Standard output takes the bytes as they are.
bool PrintOut(const std::string& out, const std::string& what) {
    qp::SetBinaryMode(stdout);
    if (std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0)
        return true;
    Say("cannot write the " + what + " to standard output");
    return false;
}

// --- commands ---

int List(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    Session s;
    if (!s.Load(plugin)) return kExitRefused;
    std::string out;
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        const std::string tab = qp::EscapeField(qp::TabTitle(g));
        for (const qp::NameEntry& e : qp::gWs.nameLists[g]) {
            if (a.withoutCounterpart && !qp::WithoutCounterpart(e)) continue;
            out += tab + "\t" + qp::EscapeField(e.flag) + "\t" + qp::EscapeField(e.id) + "\t" +
                   qp::EscapeField(e.fv) + "\t" + qp::EscapeField(e.ov) + "\n";
        }
    }
    // The escapes and separators are ASCII, the same in every code page.
    return PrintOut(Shown(a.codePage, out), "list") ? kExitOk : kExitRefused;
}

int Convert(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    const std::string output = qp::SaveAsOutputPath(FullPath(a.positional[1]));
    if (output.empty()) return UsageError("OUTPUT " + a.positional[1] + " leaves no file name");
    std::error_code ec;
    const bool same = qp::SameFileName(output, plugin);
    if (!same && fs::exists(output, ec) && fs::equivalent(output, plugin, ec)) {
        Say("OUTPUT " + output + " is the plugin itself under another name");
        return kExitRefused;
    }
    std::vector<Edit> edits;
    if (a.hasEdits)
        if (const int failed = ReadEdits(a.edits, a.codePage, edits); failed != kExitOk) return failed;

    Session s;
    // Held from the load, which reads the external database, to the save,
    // which rewrites it.
    qp::ProgramDirectoryLock lock;
    if (lock.refused) {
        Print(*lock.refused);
        return kExitRefused;
    }
    // Every edit is made before anything is saved: a refused one ends the run
    // with all files as they were.
    if (!LoadAndEdit(s, plugin, edits, a.edits, a.codePage)) return kExitRefused;

    qp::BeginDictionaryCommand();
    struct EndCommand {
        ~EndCommand() { qp::EndDictionaryCommand(); }
    } endCommand;
    if (auto refused = qp::MasterSaveRefusal()) {
        Print(*refused);
        return kExitRefused;
    }
    if (same && a.overwrite) {
        // The question Save asks, answered by --overwrite.
        Print(qp::OverwriteQuestion());
        const qp::SaveOutcome saved = qp::SaveOverFileInUse();
        gBar.Clear();
        Print(saved.notices);
        return saved.saved ? kExitOk : kExitRefused;
    }
    const qp::SaveOutcome saved = qp::SaveAsTo(output, false);
    gBar.Clear();
    Print(saved.notices);
    if (!saved.saved) return kExitRefused;
    if (output != FullPath(a.positional[1]))
        Say("OUTPUT " + a.positional[1] + " was written as " + output + " (a plugin's name ends in .esp)");
    return kExitOk;
}

// Load, the edits, and the check of what a save would leave; nothing saved.
int Check(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    std::vector<Edit> edits;
    if (a.hasEdits)
        if (const int failed = ReadEdits(a.edits, a.codePage, edits); failed != kExitOk) return failed;

    Session s;
    if (!LoadAndEdit(s, plugin, edits, a.edits, a.codePage)) return kExitRefused;

    qp::BeginDictionaryCommand();
    const qp::CheckOutcome checked = qp::CheckLoadedPlugin();
    qp::EndDictionaryCommand();
    gBar.Clear();
    Print(checked.notices);
    if (!checked.checked) return kExitRefused;
    std::string out;
    for (const qp::RefFinding& f : checked.findings) out += qp::FormatFinding(f) + "\n";
    if (!PrintOut(Shown(a.codePage, out), "findings")) return kExitRefused;
    gBar.Print(qp::FormatFindingCounts(checked.findings) + "\n");
    return checked.findings.empty() ? kExitOk : kExitFindings;
}

// The external database, or with --memory the memory instead.
int Reset(const Arguments& a) {
    Session s;
    Print(a.memory ? qp::ForgetMemoryQuestion() : qp::ResetQuestion());
    qp::ProgramDirectoryLock lock;
    if (lock.refused) {
        Print(*lock.refused);
        return kExitRefused;
    }
    if (auto failed = a.memory ? qp::ForgetMemory() : qp::EraseExternalDatabase()) {
        Print(*failed);
        return kExitRefused;
    }
    Print(a.memory ? qp::MemoryForgotten() : qp::ResetDone());
    return kExitOk;
}

}  // namespace

namespace qp {

int RunBatch(const std::vector<std::string>& args, const char* argv0) {
    if (args.empty()) return UsageError("no command given");
    if (args[0] == "build-dictionaries")
        return RunBuildDictionaries(std::vector<std::string>(args.begin() + 1, args.end()), argv0);
    for (const std::string& s : args) {
        if (s == "--help" || s == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
    }
    Arguments a;
    std::string why = Parse(args, a);
    if (!why.empty()) return UsageError(why);

    if (a.hasRoot) {
        if (!DirectoryExists(a.root)) {
            Say("--root " + a.root + ": no such folder");
            return kExitRefused;
        }
        SetProgramDirectory(a.root);
    } else if (auto failed = InitProgramDirectory(argv0)) {
        Print(*failed);
        return kExitRefused;
    }
    if (IsTerminal(stderr)) gBar.Enable();
    gWs.env.progress = &OnProgress;
    if (a.command == "check") return Check(a);
    return a.command == "list" ? List(a) : a.command == "convert" ? Convert(a) : Reset(a);
}

}  // namespace qp

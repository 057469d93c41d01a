// quillane-cli: the window's own commands (Load, the name edit's OK, Save as,
// Save, Reset file) run on the in-memory window system, driven by arguments.
// Message boxes go to standard error; "list" prints the 25 tabs to standard
// output.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/globals.h"
#include "app/shell.h"
#include "cli/build_dictionaries.h"
#include "convert/save.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "plugin/blocks.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitRefused = 2;

const char* const kUsage =
    "usage:\n"
    "  quillane-cli list    PLUGIN [--root DIR]\n"
    "  quillane-cli convert PLUGIN OUTPUT [--root DIR] [--edits FILE] [--overwrite]\n"
    "  quillane-cli reset   [--root DIR]\n"
    "  quillane-cli build-dictionaries FV-FILE OV-FILE [--root DIR] [--force]\n"
    "  quillane-cli --help\n";

const char* const kHelp =
    "\n"
    "  list      loads PLUGIN and prints every row of the 25 tabs, one a line:\n"
    "            tab title, flag, ID, FV name, OV name, separated by TAB.\n"
    "  convert   loads PLUGIN, applies the edits of FILE, then saves as OUTPUT;\n"
    "            with --overwrite an OUTPUT equal to PLUGIN is saved over it.\n"
    "  reset     empties the external database (dataextra/Extradata.dat).\n"
    "  --root    the program directory (data/, dataextra/, Voskconv.ini).\n"
    "  --edits   one edit a line: TAB-TITLE<TAB>ID<TAB>NEW OV NAME.\n"
    "\n"
    "  Inside fields a backslash is written \\\\, a TAB \\t, a LF \\n, a CR \\r.\n"
    "  Exit status: 0 done, 1 usage error, 2 refused or failed (nothing written).\n";

void Say(const std::string& text) {
    std::string line = "quillane-cli: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int UsageError(const std::string& why) {
    Say(why);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// --- field escapes shared by "list" and the edits file ---

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        switch (s[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return true;
}

// --- progress bar on a terminal ---

class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}

    void Show(const std::string& status) {
        if (!enabled_) return;
        std::lock_guard<std::mutex> lock(m_);
        std::string line = "\r" + Bar(status) + " " + status;
        if (line.size() < width_) line += std::string(width_ - line.size(), ' ');
        width_ = line.size();
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    }

    // Takes the bar off the line so that other output starts clean.
    void Clear() {
        std::lock_guard<std::mutex> lock(m_);
        ClearLocked();
    }

    // Writes text to standard error with the bar out of the way.
    void Print(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_);
        ClearLocked();
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }

private:
    void ClearLocked() {
        if (width_ == 0) return;
        std::string blank = "\r" + std::string(width_, ' ') + "\r";
        std::fwrite(blank.data(), 1, blank.size(), stderr);
        width_ = 0;
    }

    // "[#####.....]" from the "n / last" at the end of a status text; a pass
    // without numbers ("Reading block : CELL") shows an empty bar.
    static std::string Bar(const std::string& status) {
        constexpr int kCells = 30;
        int filled = 0;
        size_t slash = status.rfind(" / ");
        if (slash != std::string::npos) {
            size_t start = status.rfind(' ', slash - 1);
            long n = std::strtol(status.c_str() + (start == std::string::npos ? 0 : start + 1), nullptr, 10);
            long last = std::strtol(status.c_str() + slash + 3, nullptr, 10);
            if (last > 0 && n >= 0) filled = static_cast<int>(std::min(1.0, double(n) / double(last)) * kCells);
        }
        return "[" + std::string(static_cast<size_t>(filled), '#') +
               std::string(static_cast<size_t>(kCells - filled), '.') + "]";
    }

    bool enabled_;
    std::mutex m_;
    size_t width_ = 0;
};

// --- one run of the program on the headless window system ---

class Session {
public:
    explicit Session(bool terminal) : progress_(terminal) {
        ui_.waitForWorker = false;
        ui_.onMessage = [this](const qp::ShownMessage& m) { return OnMessage(m); };
        qp::SetPlatform(&ui_);
        qp::Startup();
    }
    ~Session() {
        qp::WaitForBackgroundCommand();
        ui_.ReleaseWorker();
    }

    qp::HeadlessPlatform& ui() { return ui_; }
    int Stops() const { return stops_; }

    // Hands one event to the program through the event path the window uses,
    // then waits for the command it started (if any) to end.
    void Step(const qp::Event& ev) {
        ui_.PushEvent(ev);
        qp::Event got;
        if (ui_.WaitEvent(got)) qp::DispatchEvent(got);
        WaitForCommand();
    }
    void Menu(int id) { Step({qp::EventKind::Menu, id}); }
    void Control(int id, qp::ControlAction action) { Step({qp::EventKind::Control, id, action}); }

    bool Load(const std::string& plugin) {
        const int stops = stops_;
        ui_.PushOpenPath(plugin);
        Menu(qp::kMenuLoad);
        return stops_ == stops && qp::gTable.loaded && qp::gFileInUse == plugin;
    }

private:
    qp::Answer OnMessage(const qp::ShownMessage& m) {
        std::string text = m.title + ": " + m.text + "\n";
        for (char& c : text)
            if (c == '\r') c = '\n';
        progress_.Print(text);
        if (m.icon == qp::Icon::Stop) ++stops_;
        // The batch tool asks only the questions its arguments answered.
        return m.buttons == qp::Buttons::YesNo ? qp::Answer::Yes : qp::Answer::Ok;
    }

    void WaitForCommand() {
        using namespace std::chrono;
        const auto start = steady_clock::now();
        std::string shown;
        while (qp::gBusy) {
            // Short runs stay quiet; only a run one can watch gets a bar.
            if (steady_clock::now() - start > milliseconds(300)) {
                std::string status = ui_.GetStatusText(1);
                if (status != shown) progress_.Show(shown = status);
            }
            ui_.WaitWorkerFor(20);
        }
        progress_.Clear();
        qp::WaitForBackgroundCommand();
    }

    qp::HeadlessPlatform ui_;
    ProgressBar progress_;
    std::atomic<int> stops_{0};
};

// --- arguments ---

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::string root, edits;
    bool hasRoot = false, hasEdits = false, overwrite = false;
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
        } else if (s == "--overwrite") {
            a.overwrite = true;
        } else if (s.size() > 1 && s[0] == '-') {
            return "unknown option " + s;
        } else {
            a.positional.push_back(s);
        }
    }
    size_t want = a.command == "list" ? 1 : a.command == "convert" ? 2 : 0;
    if (a.command != "list" && a.command != "convert" && a.command != "reset")
        return "unknown command " + a.command;
    if (a.positional.size() != want)
        return a.command + " takes " + std::to_string(want) + " file name" + (want == 1 ? "" : "s");
    if (a.command != "convert" && (a.hasEdits || a.overwrite))
        return "--edits and --overwrite belong to convert";
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

// Reads and checks the whole edits file before anything is loaded.
bool ReadEdits(const std::string& path, std::vector<Edit>& edits) {
    std::string bytes, err;
    if (!qp::ReadWholeFile(path, bytes, &err)) {
        Say(path + ": " + err);
        return false;
    }
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
        if (fields.size() != 3 || !Unescape(fields[0], title) || !Unescape(fields[1], e.id) ||
            !Unescape(fields[2], e.ov)) {
            Say(where + "malformed edit (TAB-TITLE<TAB>ID<TAB>NEW OV NAME, escapes \\\\ \\t \\n \\r)");
            return false;
        }
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
            if (title == qp::TabTitle(g)) e.list = g;
        if (e.list == 0) {
            Say(where + "no tab titled \"" + Escape(title) + "\"");
            return false;
        }
        edits.push_back(std::move(e));
    }
    return true;
}

// The name edit dialog's OK on every row of the tab whose ID matches, as a
// user would do it: focus the row, open the dialog, type, press OK.
// Rows by ID, per tab, built once: edits change flags and OV names only, so
// the IDs and the row order stay as loaded.
using RowIndex = std::map<int, std::unordered_map<std::string, std::vector<size_t>>>;

bool ApplyEdit(Session& s, const Edit& e, const std::string& file, RowIndex& index) {
    const std::string where = file + ":" + std::to_string(e.line) + ": ";
    const std::string tab = qp::TabTitle(e.list);
    auto found = index.find(e.list);
    if (found == index.end()) {
        found = index.emplace(e.list, RowIndex::mapped_type{}).first;
        std::vector<qp::Row> rows = s.ui().Rows(e.list);
        for (size_t r = 0; r < rows.size(); ++r) found->second[rows[r][1]].push_back(r);
    }
    auto hits = found->second.find(e.id);
    const bool any = hits != found->second.end();
    static const std::vector<size_t> kNone;
    for (size_t r : any ? hits->second : kNone) {
        const std::string row = "tab \"" + tab + "\" row " + std::to_string(r + 1) + " (ID \"" +
                                Escape(e.id) + "\")";
        const int stops = s.Stops();
        s.ui().ListSelectRow(e.list, static_cast<int>(r));
        s.Control(e.list, qp::ControlAction::Activate);
        if (s.Stops() != stops || !s.ui().IsDialogOpen(1)) {
            Say(where + row + ": the name edit dialog refused the row");
            return false;
        }
        if (!s.ui().IsControlEnabled(qp::kCtlOk)) {
            s.Control(qp::kCtlCancel, qp::ControlAction::Press);
            Say(where + row + ": flagged L, its name comes from a dictionary file");
            return false;
        }
        s.ui().TypeText(qp::kCtlOvField, e.ov);
        s.Control(qp::kCtlOk, qp::ControlAction::Press);
        if (s.Stops() != stops || s.ui().IsDialogOpen(1)) {
            if (s.ui().IsDialogOpen(1)) s.Control(qp::kCtlCancel, qp::ControlAction::Press);
            Say(where + row + ": the new name was refused");
            return false;
        }
    }
    if (!any) Say(where + "no row with ID \"" + Escape(e.id) + "\" in tab \"" + tab + "\"");
    return any;
}

// --- commands ---

int List(const Arguments& a, bool terminal) {
    const std::string plugin = FullPath(a.positional[0]);
    Session s(terminal);
    if (!s.Load(plugin)) return kExitRefused;
    std::string out;
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        const std::string tab = Escape(qp::TabTitle(g));
        for (const qp::Row& row : s.ui().Rows(g)) {
            out += tab;
            for (const std::string& field : row) out += "\t" + Escape(field);
            out += "\n";
        }
    }
    qp::SetBinaryMode(stdout);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        Say("cannot write the list to standard output");
        return kExitRefused;
    }
    return kExitOk;
}

int Convert(const Arguments& a, bool terminal) {
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
    if (a.hasEdits && !ReadEdits(a.edits, edits)) return kExitRefused;

    Session s(terminal);
    if (!s.Load(plugin)) return kExitRefused;
    // Every edit is made before anything is saved: a refused one ends the run
    // with all files as they were.
    RowIndex index;
    for (const Edit& e : edits)
        if (!ApplyEdit(s, e, a.edits, index)) return kExitRefused;

    const int stops = s.Stops();
    if (same && a.overwrite) {
        s.Menu(qp::kMenuSave);
        return s.Stops() == stops ? kExitOk : kExitRefused;
    }
    s.ui().PushSavePath(output);
    s.Menu(qp::kMenuSaveAs);
    // Save as refuses the plugin's own name with a notice, not a stop.
    if (same) return kExitRefused;
    return s.Stops() == stops && qp::SameFileName(qp::gFileInUse, output) ? kExitOk : kExitRefused;
}

int Reset(bool terminal) {
    Session s(terminal);
    const int stops = s.Stops();
    s.Menu(qp::kMenuReset);
    return s.Stops() == stops ? kExitOk : kExitRefused;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) return UsageError("no command given");
    if (args[0] == "build-dictionaries")
        return qp::RunBuildDictionaries(std::vector<std::string>(args.begin() + 1, args.end()));
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
        if (!qp::DirectoryExists(a.root)) {
            Say("--root " + a.root + ": no such folder");
            return kExitRefused;
        }
        qp::SetProgramDirectory(a.root);
    } else {
        qp::InitProgramDirectory(argc > 0 ? argv[0] : "");
    }
    const bool terminal = qp::IsTerminal(stderr);
    const int code = a.command == "list"      ? List(a, terminal)
                     : a.command == "convert" ? Convert(a, terminal)
                                              : Reset(terminal);
    // Every file is written and closed by now: the system takes back the
    // memory of a large plugin at once, faster than freeing it piece by piece.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

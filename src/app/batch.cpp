#include "app/batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/builddict.h"
#include "app/poexchange.h"
#include "app/commands.h"
#include "app/shell.h"
#include "base/dirlock.h"
#include "base/fields.h"
#include "base/lists.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "convert/catalogue.h"
#include "convert/dialogue.h"
#include "convert/checkplugin.h"
#include "convert/extdb.h"
#include "convert/longtext.h"
#include "convert/memory.h"
#include "convert/save.h"
#include "dictionary/dictfile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "ui/filter.h"
#include "ui/nameedit.h"


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
    "  quillane-cli strings PLUGIN [--root DIR] [--codepage CP] [--kind K]\n"
    "  quillane-cli build-dictionaries FV-FILE OV-FILE [FV-FILE OV-FILE ...] [--root DIR] [--force]\n"
    "  quillane-cli export  PLUGIN FILE.po [--root DIR] [--codepage CP] [--kind K]...\n"
    "  quillane-cli import  PLUGIN FILE.po OUTPUT [--root DIR] [--codepage CP] [--overwrite] [--strict]\n"
    "  quillane-cli --help\n";

const char* const kHelp =
    "\n"
    "  list      loads PLUGIN and prints every row of the 26 tabs, one a line:\n"
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
    "  strings   loads PLUGIN and prints every translatable string, one a line:\n"
    "            identity (TYPE|ID|FIELD, #n for the n-th of a repeated field),\n"
    "            kind, flag (a name's row flag; R: a script's text, which cannot\n"
    "            change alone), text before conversion, text after, separated by\n"
    "            TAB; the count per kind goes to standard error. --kind K lists\n"
    "            one kind: name, text, topic, response, journal, setting, rank,\n"
    "            effect or script.\n"
    "  export    loads PLUGIN and writes its strings that an edit can write back\n"
    "            (names, topics, long texts, responses, journal entries) as a\n"
    "            gettext PO file for translation tools:\n"
    "            msgctxt the identity, msgid the text before conversion, msgstr\n"
    "            the text after when it differs; a long-text offer that a load\n"
    "            does not apply is flagged fuzzy. --kind keeps the kinds given.\n"
    "  import    loads PLUGIN, applies every translated entry of FILE.po that is\n"
    "            not fuzzy, as the name edit and the text edit would, then saves\n"
    "            as OUTPUT as convert does. An entry whose msgid the plugin no\n"
    "            longer has, an unknown identity and a fuzzy entry are listed with\n"
    "            their line, not applied; obsolete entries are skipped. A\n"
    "            translation that drops or adds a placeholder (%PCName, %d) is\n"
    "            warned about; with --strict it refuses the file.\n"
    "  --root    the program directory (data/, dataextra/, Voskconv.ini); without it\n"
    "            the program's own folder, or when installed ~/.local/share/quillane.\n"
    "  --edits   one edit a line: TAB-TITLE<TAB>ID<TAB>NEW OV NAME.\n"
    "            A line of list is taken as it is, its last column edited: the\n"
    "            rows with its ID and FV name get its OV name; a line whose FV\n"
    "            name no row has any more is refused as stale.\n"
    "            A long text: ITEM<TAB>ID<TAB>TEXT, ITEM an \"Edit text\" item\n"
    "            and \" text\" (Book text, Class text, Race text, Skill text,\n"
    "            Birthsign text, Dialogue text, Journal text; Skill, Dialogue and\n"
    "            Journal alone too; a response or journal entry by its INFO ID),\n"
    "            the text written as the text edit dialog's SAVE writes it.\n"
    "  --codepage 1250, 1251 or 1252: the list is printed and the edits file read\n"
    "            as UTF-8, names and texts being in that code page; without it,\n"
    "            bytes go out and come in as the plugin holds them. A PO file is\n"
    "            always UTF-8: without --codepage, the code page of Quillane.ini.\n"
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
bool gRootGiven = false;  // --root named the program directory
// The program's own path, which finds the program directory without --root.
const char* gArgv0 = nullptr;

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

// Dialogue records the lists leave out: said, never refused.
void SayDialogueFaults() {
    if (const std::string note = qp::DialogueFaultNote(qp::CountDialogueFaults()); !note.empty()) Say(note);
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
        if (gRootGiven)
            Say("warning: no dictionary in " + qp::ResolvePath("data") + " holds a pair: is " +
                qp::ProgramDirectory() + " the program directory (--root)? " +
                qp::kNoDictionariesAdvice);
        else
            Say("warning: no dictionary in " + qp::ResolvePath("data") + " holds a pair: without --root the " +
                "program directory is " + qp::ProgramDirectory() +
                (qp::InstalledDataDirectory().empty() ? " (the program's own folder)"
                                                      : " (the user's own folder of the installed program)") +
                "; --root DIR names another. " + qp::kNoDictionariesAdvice);
    }

    qp::HeadlessPlatform ui_;
};

// --- arguments ---

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::string root, edits, kindWord;
    bool hasRoot = false, hasEdits = false, hasKind = false, overwrite = false,
         withoutCounterpart = false, force = false, memory = false, strict = false;
    int codePage = 0;  // 0: bytes as they are
    qp::TextKind kind = qp::TextKind::DisplayName;
    std::vector<std::string> kindWords;  // every --kind, which export takes again
    std::vector<qp::TextKind> kinds;
};

// The options of every command. A value follows its option as the next
// argument or after "=" ("--root=DIR"); each option is given once at most.
struct OptionRow {
    const char* name;
    bool takesValue;
    // Where it goes: a value's string and its given-flag, or a switch.
    std::string Arguments::*value;
    bool Arguments::*given;
    // What a command it does not belong to says; nullptr: "unknown option".
    const char* misplaced;
};

const OptionRow kOptions[] = {
    {"--root", true, &Arguments::root, &Arguments::hasRoot, nullptr},
    {"--edits", true, &Arguments::edits, &Arguments::hasEdits,
     "--edits belongs to convert and check"},
    {"--codepage", true, nullptr, nullptr, nullptr},
    {"--kind", true, &Arguments::kindWord, &Arguments::hasKind, "--kind belongs to strings and export"},
    {"--overwrite", false, nullptr, &Arguments::overwrite, "--overwrite belongs to convert and import"},
    {"--strict", false, nullptr, &Arguments::strict, "--strict belongs to import"},
    {"--without-counterpart", false, nullptr, &Arguments::withoutCounterpart,
     "--without-counterpart belongs to list"},
    {"--force", false, nullptr, &Arguments::force, nullptr},
    {"--memory", false, nullptr, &Arguments::memory, "--memory belongs to reset"},
};

int List(const Arguments& a);
int Convert(const Arguments& a);
int Check(const Arguments& a);
int Reset(const Arguments& a);
int Strings(const Arguments& a);
int Builder(const Arguments& a);
int Export(const Arguments& a);
int Import(const Arguments& a);

// How a command speaks of its usage errors: build-dictionaries has a voice
// of its own.
struct Voice {
    const char* prefix;
    const char* usage;
    const char* valueWord;  // "--root needs a value"
};
const Voice kTool{"quillane-cli: ", kUsage, "a value"};
const Voice kBuilder{"build-dictionaries: ", qp::kBuildDictionariesUsage, "a directory"};

struct CommandRow {
    const char* name;
    size_t files;
    std::vector<const char*> options;
    int (*run)(const Arguments&);
    const Voice* voice;
    const char* wrongFiles;  // nullptr: "NAME takes N file names"
    // The files come in pairs, one pair at least (files is then 2).
    bool pairs = false;
};

// Every command of the batch tool.
const CommandRow kCommands[] = {
    {"list", 1, {"--root", "--codepage", "--without-counterpart"}, &List, &kTool, nullptr},
    {"convert", 2, {"--root", "--edits", "--overwrite", "--codepage"}, &Convert, &kTool, nullptr},
    {"check", 1, {"--root", "--edits", "--codepage"}, &Check, &kTool, nullptr},
    {"reset", 0, {"--root", "--codepage", "--memory"}, &Reset, &kTool, nullptr},
    {"strings", 1, {"--root", "--codepage", "--kind"}, &Strings, &kTool, nullptr},
    {"export", 2, {"--root", "--codepage", "--kind"}, &Export, &kTool, nullptr},
    {"import", 3, {"--root", "--codepage", "--overwrite", "--strict"}, &Import, &kTool, nullptr},
    {"build-dictionaries", 2, {"--root", "--force"}, &Builder, &kBuilder,
     "two plugin files are needed, the FV version and the OV version", true},
};

const CommandRow* FindCommand(const std::string& name) {
    for (const CommandRow& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

bool Belongs(const CommandRow& c, const char* option) {
    for (const char* o : c.options)
        if (std::string_view(o) == option) return true;
    return false;
}

// Returns an empty string or the reason the command line is not usable.
std::string Parse(const std::vector<std::string>& args, const Voice& voice, Arguments& a) {
    a.command = args[0];
    std::set<std::string> given;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        const OptionRow* o = nullptr;
        std::optional<std::string> value;
        for (const OptionRow& row : kOptions) {
            const std::string name = row.name;
            if (s == name) o = &row;
            else if (row.takesValue && s.rfind(name + "=", 0) == 0) o = &row, value = s.substr(name.size() + 1);
        }
        if (!o) {
            if (s.size() > 1 && s[0] == '-') return "unknown option " + s;
            a.positional.push_back(s);
            continue;
        }
        // export keeps several kinds.
        const bool again = o->value == &Arguments::kindWord && a.command == "export";
        if (!given.insert(o->name).second && !again) return std::string(o->name) + " given twice";
        if (o->takesValue && !value) {
            if (i + 1 < args.size()) value = args[++i];
            else if (o->value) return std::string(o->name) + " needs " + voice.valueWord;
        }
        if (again && value) a.kindWords.push_back(*value);
        if (o->value) {
            a.*(o->value) = *value;
            a.*(o->given) = true;
        } else if (o->given) {
            a.*(o->given) = true;
        } else {  // --codepage
            const std::string v = value.value_or("");
            a.codePage = v.size() == 4 ? std::atoi(v.c_str()) : 0;
            if (!qp::IsSupportedCodePage(a.codePage) || v != std::to_string(a.codePage))
                return s.substr(0, s.find('=')) + " takes 1250, 1251 or 1252";
        }
    }
    const CommandRow* c = FindCommand(a.command);
    if (!c) return "unknown command " + a.command;
    if (c->pairs && a.positional.size() > c->files && a.positional.size() % 2 != 0)
        return "the plugin files come in pairs, the FV version and then the OV version";
    if (c->pairs ? a.positional.size() < c->files : a.positional.size() != c->files)
        return c->wrongFiles ? c->wrongFiles
                             : a.command + " takes " + std::to_string(c->files) + " file name" +
                                   (c->files == 1 ? "" : "s");
    for (const std::string& name : a.positional)
        if (name.empty()) return "an empty file name";
    if ((a.hasRoot && a.root.empty()) || (a.hasEdits && a.edits.empty())) return "an empty file name";
    for (const OptionRow& o : kOptions)
        if (given.count(o.name) && !Belongs(*c, o.name))
            return o.misplaced ? o.misplaced : std::string("unknown option ") + o.name;
    bool known = true;
    for (const std::string& word : a.kindWords) {
        known = known && qp::TextKindFromWord(word, a.kind);
        a.kinds.push_back(a.kind);
    }
    if (!known || (a.hasKind && !qp::TextKindFromWord(a.kindWord, a.kind))) {
        std::string words;
        for (int k = 0; k < qp::kTextKindCount; ++k)
            words += (k ? ", " : "") + std::string(qp::TextKindWord(static_cast<qp::TextKind>(k)));
        return "--kind takes " + words;
    }
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
    // A line of list's, taken as it is: the FV name the row had then, and
    // the rows that still have it are the ones edited.
    bool listed = false;
    std::string fv;
    // A long text by its "Edit text" item: ov holds the text.
    const qp::Translatable* item = nullptr;
};

// Did FromUtf8 stop at a U+FFFD the text really holds (a character every
// code page lacks), rather than at bytes that are not UTF-8?
bool HoldsReplacementChar(int codePage, const std::string& line) {
    const std::string kFffd = "\xEF\xBF\xBD";
    std::string probe = line, bytes;
    for (size_t at; (at = probe.find(kFffd)) != std::string::npos;) probe.replace(at, kFffd.size(), "A");
    char32_t missing = 0;
    return probe != line && (qp::FromUtf8(codePage, probe, bytes, &missing) || missing != 0xFFFD);
}

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
    // The byte order mark an editor may put first is no part of the text;
    // without a code page the bytes are the plugin's, and it would be.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        if (!codePage) {
            Say(path + ":1: the file starts with a byte-order mark, as UTF-8 text does: "
                       "--codepage 1250, 1251 or 1252 reads it as UTF-8");
            return kExitRefused;
        }
        bytes.erase(0, 3);
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
        // Control characters are written as escapes; a raw one (a CR of a
        // line end doubled, say) would end up in the name. A zero byte has
        // its own message below.
        for (const char c : line) {
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\0') continue;
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            Say(where + "a raw control character " + code + (c == '\r' ? " (CR)" : "") +
                " in the line: write a CR as \\r, a LF as \\n, a TAB inside a field as \\t");
            return kExitRefused;
        }
        char32_t missing = 0;
        const std::string text = line;
        if (codePage && !qp::FromUtf8(codePage, text, line, &missing)) {
            Say(where + (missing == 0xFFFD && !HoldsReplacementChar(codePage, text)
                             ? "not UTF-8 text"
                             : "code page " + std::to_string(codePage) + " has no character " +
                                   qp::DescribeChar(missing)));
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
        e.listed = fields.size() == 5;  // title, flag, ID, FV name, OV name
        std::string title, flag;
        const size_t id = e.listed ? 2 : 1;
        if ((fields.size() != 3 && !e.listed) || !qp::UnescapeField(fields[0], title) ||
            (e.listed && (!qp::UnescapeField(fields[1], flag) || !qp::UnescapeField(fields[3], e.fv))) ||
            !qp::UnescapeField(fields[id], e.id) || !qp::UnescapeField(fields.back(), e.ov)) {
            Say(where + "malformed edit (TAB-TITLE<TAB>ID<TAB>NEW OV NAME or ITEM<TAB>ID<TAB>TEXT, escapes \\\\ \\t "
                        "\\n \\r)");
            return kExitRefused;
        }
        // A long text names its "Edit text" item by its title and " text",
        // or by the title alone where no tab has that title: a tab's title
        // alone stays the tab's name, as edits files written before long
        // texts were taken mean it.
        bool tab = false;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) tab = tab || title == qp::TabTitle(g);
        if (!e.listed)
            for (const qp::Translatable* f : qp::TextItemFields())
                if (title == std::string(f->title) + " text" || (title == f->title && !tab)) e.item = f;
        // A name or text ends at its first zero byte: the rest would be lost.
        if (e.ov.find('\0') != std::string::npos) {
            Say(where + (e.item ? "the text holds a zero byte" : "the new name holds a zero byte"));
            return kExitRefused;
        }
        for (int g = qp::kFirstList; g <= qp::kLastList && !e.item; ++g)
            if (title == qp::TabTitle(g)) e.list = g;
        if (e.list == 0 && !e.item) {
            Say(where + "no tab titled \"" + Shown(codePage, qp::EscapeField(title)) + "\"" +
                (e.listed ? "" : " and no \"Edit text\" item"));
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
    bool current = !e.listed;
    for (size_t r : any ? hits->second : kNone) {
        const int g = e.list, row = static_cast<int>(r);
        if (e.listed) {
            // A listed line edits the rows that still have its FV name; one
            // left as it was listed is no edit at all.
            if (qp::Plat().ListGetText(g, row, qp::kColFv) != e.fv) continue;
            current = true;
            if (e.ov == qp::Plat().ListGetText(g, row, qp::kColOv)) continue;
        }
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
    else if (!current)
        Say(where + "stale: no row with ID \"" + Shown(codePage, qp::EscapeField(e.id)) + "\" in tab \"" + tab +
            "\" has the FV name \"" + Shown(codePage, qp::EscapeField(e.fv)) +
            "\" any more (the plugin changed since it was listed)");
    return any && current;
}

// The blocks an "Edit text" item lists under each ID, built once per item:
// by the ID of the record's text (a skill also by the ID its dialog shows).
using ItemIndex = std::map<const qp::Translatable*, std::unordered_map<std::string, std::vector<int32_t>>>;

const std::unordered_map<std::string, std::vector<int32_t>>& ItemBlocks(const qp::Translatable& f,
                                                                        ItemIndex& index) {
    auto [found, fresh] = index.try_emplace(&f);
    if (!fresh) return found->second;
    auto& ids = found->second;
    const std::string prefix = std::string(f.type) + "|";
    qp::BeginDictionaryCommand();
    const qp::Catalogue catalogue = qp::CatalogueLoadedPlugin();
    qp::EndDictionaryCommand();
    for (const qp::CatalogueEntry& c : catalogue.entries) {
        if (c.kind != f.kind || c.identity.rfind(prefix, 0) != 0) continue;
        const size_t bar = c.identity.rfind('|');
        auto& blocks = ids[c.identity.substr(prefix.size(), bar - prefix.size())];
        if (blocks.empty() || blocks.back() != c.block) blocks.push_back(c.block);
    }
    if (std::string_view(f.type) == "SKIL")
        for (const qp::SkillEntry& skill : qp::gWs.skills)
            if (!skill.id.empty() && !ids.count(skill.id)) ids[skill.id].push_back(skill.block);
    return ids;
}

// The text edit dialog's "SAVE" on every record of the item with the ID.
bool ApplyTextEdit(const Edit& e, const std::string& file, int codePage, ItemIndex& index) {
    const std::string where = file + ":" + std::to_string(e.line) + ": ";
    const std::string what = "\"Edit text\" item \"" + std::string(e.item->title) + "\" ID \"" +
                             Shown(codePage, qp::EscapeField(e.id)) + "\"";
    if (auto refused = qp::NameEditRefusal(0, -1)) {  // a master file
        Print(*refused);
        Say(where + what + ": the text edit dialog refused the plugin");
        return false;
    }
    const auto& ids = ItemBlocks(*e.item, index);
    const auto hits = ids.find(e.id);
    if (hits == ids.end()) {
        Say(where + "no text with ID \"" + Shown(codePage, qp::EscapeField(e.id)) + "\" in \"Edit text\" item \"" +
            e.item->title + "\"");
        return false;
    }
    for (const int32_t block : hits->second)
        if (auto refused = qp::WriteLongText(*e.item, block, e.ov)) {
            Print(*refused);
            Say(where + what + ": the text was refused");
            return false;
        }
    return true;
}

// Load, then every edit: false when either is refused. Every edit is made
// before anything is saved, so a refused one ends the run with all files as
// they were.
bool LoadAndEdit(Session& s, const std::string& plugin, const std::vector<Edit>& edits,
                 const std::string& file, int codePage) {
    if (!s.Load(plugin)) return false;
    RowIndex index;
    ItemIndex items;
    for (const Edit& e : edits)
        if (!(e.item ? ApplyTextEdit(e, file, codePage, items) : ApplyEdit(e, file, codePage, index)))
            return false;
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

// OUTPUT as Save as names it; "" (told) when it leaves no file name or is the
// plugin itself under another name, with the exit status in status.
std::string OutputOf(const std::string& plugin, const std::string& given, int& status) {
    const std::string output = qp::SaveAsOutputPath(FullPath(given));
    if (output.empty()) {
        status = UsageError("OUTPUT " + given + " leaves no file name");
        return {};
    }
    if (!qp::SameFileName(output, plugin) && qp::SameFile(output, plugin)) {
        Say("OUTPUT " + output + " is the plugin itself under another name");
        status = kExitRefused;
        return {};
    }
    return output;
}

// The loaded plugin saved as OUTPUT (over itself with --overwrite), as the
// window's Save as and Save would.
int SaveLoaded(const Arguments& a, const std::string& plugin, const std::string& output, const std::string& given) {
    qp::BeginDictionaryCommand();
    struct EndCommand {
        ~EndCommand() { qp::EndDictionaryCommand(); }
    } endCommand;
    if (auto refused = qp::MasterSaveRefusal()) {
        Print(*refused);
        return kExitRefused;
    }
    if (qp::SameFileName(output, plugin) && a.overwrite) {
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
    if (output != FullPath(given))
        Say("OUTPUT " + given + " was written as " + output + " (a plugin's name ends in .esp)");
    return kExitOk;
}

int Convert(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    int status = kExitOk;
    const std::string output = OutputOf(plugin, a.positional[1], status);
    if (output.empty()) return status;
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
    return SaveLoaded(a, plugin, output, a.positional[1]);
}

// The strings an edit can write back, as a PO file.
int Export(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    const std::string po = FullPath(a.positional[1]);
    if (qp::SameFileName(po, plugin) || qp::SameFile(po, plugin)) {
        Say("FILE.po " + po + " is the plugin itself");
        return kExitRefused;
    }
    Session s;
    if (!s.Load(plugin)) return kExitRefused;
    const int codePage = a.codePage ? a.codePage : static_cast<int>(qp::gWs.codePage);
    qp::BeginDictionaryCommand();
    const qp::PoExportResult out = qp::ExportTranslation(codePage, a.kinds);
    qp::EndDictionaryCommand();
    std::string err;
    if (!qp::WriteFileAtomic(po, out.text, &err)) {
        Say("cannot write " + po + ": " + err);
        return kExitRefused;
    }
    std::string tally;
    for (int k = 0; k < qp::kTextKindCount; ++k)
        if (out.counts[static_cast<size_t>(k)] ||
            std::find(a.kinds.begin(), a.kinds.end(), static_cast<qp::TextKind>(k)) != a.kinds.end())
            tally += std::string(qp::TextKindWord(static_cast<qp::TextKind>(k))) + "\t" +
                     std::to_string(out.counts[static_cast<size_t>(k)]) + "\n";
    gBar.Print(tally);
    return kExitOk;
}

// A translated PO file applied through the window's edits, then saved as
// convert saves.
int Import(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    const std::string poName = a.positional[1];
    int status = kExitOk;
    const std::string output = OutputOf(plugin, a.positional[2], status);
    if (output.empty()) return status;
    std::string po, err;
    if (!qp::ReadWholeFile(FullPath(poName), po, &err)) {
        Say(poName + ": " + err);
        return kExitRefused;
    }
    Session s;
    qp::ProgramDirectoryLock lock;
    if (lock.refused) {
        Print(*lock.refused);
        return kExitRefused;
    }
    if (!s.Load(plugin)) return kExitRefused;
    const int codePage = a.codePage ? a.codePage : static_cast<int>(qp::gWs.codePage);
    const qp::PoImportResult r = qp::ImportTranslation(po, poName, codePage, a.strict);
    if (!r.refused.empty()) {
        Say(r.refused + "; nothing was written");
        return r.status;
    }
    for (const qp::PoSkipped& k : r.skipped)
        Say((k.line ? poName + ":" + std::to_string(k.line) + ": " : std::string()) + k.identity +
            ": not applied: " + k.why);
    for (const std::string& w : r.warnings) Say("warning: " + w);
    Say(poName + ": " + std::to_string(r.applied) + " applied, " + std::to_string(r.skipped.size()) +
        " not applied (" + std::to_string(r.fuzzy) + " fuzzy), " + std::to_string(r.untranslated) +
        " untranslated, " + std::to_string(r.obsolete) + " obsolete skipped");
    return SaveLoaded(a, plugin, output, a.positional[2]);
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
    SayDialogueFaults();
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

// Every translatable string of the plugin, one a line: identity, kind, flag,
// text before, text after; the count per kind on standard error.
int Strings(const Arguments& a) {
    const std::string plugin = FullPath(a.positional[0]);
    Session s;
    if (!s.Load(plugin)) return kExitRefused;
    qp::BeginDictionaryCommand();
    const qp::Catalogue catalogue = qp::CatalogueLoadedPlugin();
    qp::EndDictionaryCommand();
    for (const auto& [identity, again] : catalogue.repeated)
        Say("the plugin holds " + Shown(a.codePage, qp::EscapeField(identity)) +
            " more than once; the later one's strings are listed with " + again);
    std::string out;
    int counts[qp::kTextKindCount] = {};
    for (const qp::CatalogueEntry& e : catalogue.entries) {
        if (a.hasKind && e.kind != a.kind) continue;
        ++counts[static_cast<int>(e.kind)];
        out += qp::EscapeField(e.identity) + "\t" + qp::TextKindWord(e.kind) + "\t" + e.flag + "\t" +
               qp::EscapeField(e.before) + "\t" + qp::EscapeField(e.after) + "\n";
    }
    if (!PrintOut(Shown(a.codePage, out), "strings")) return kExitRefused;
    std::string tally;
    for (int k = 0; k < qp::kTextKindCount; ++k)
        if (!a.hasKind || static_cast<int>(a.kind) == k)
            tally += std::string(qp::TextKindWord(static_cast<qp::TextKind>(k))) + "\t" +
                     std::to_string(counts[k]) + "\n";
    gBar.Print(tally);
    SayDialogueFaults();
    return kExitOk;
}

int Builder(const Arguments& a) {
    return qp::RunBuildDictionaries(a.positional, a.hasRoot ? &a.root : nullptr, a.force,
                                    gArgv0);
}

}  // namespace

namespace qp {

int RunBatch(const std::vector<std::string>& args, const char* argv0) {
    if (args.empty()) return UsageError("no command given");
    const CommandRow* command = FindCommand(args[0]);
    const Voice& voice = command ? *command->voice : kTool;
    for (const std::string& s : args) {
        if (s == "--help" || s == "-h") {
            std::fputs(voice.usage, stdout);
            if (&voice == &kTool) std::fputs(kHelp, stdout);
            return kExitOk;
        }
    }
    Arguments a;
    std::string why = Parse(args, voice, a);
    if (!why.empty()) {
        gBar.Print(voice.prefix + why + "\n");
        std::fputs(voice.usage, stderr);
        return kExitUsage;
    }
    gArgv0 = argv0;
    if (command->run == &Builder) return Builder(a);

    if (a.hasRoot) {
        if (!DirectoryExists(a.root)) {
            Say("--root " + a.root + ": no such folder");
            return kExitRefused;
        }
        SetProgramDirectory(a.root);
        gRootGiven = true;
    } else {
        auto failed = InitProgramDirectory(argv0);
        if (gWs.env.programDirWarning) Print(*gWs.env.programDirWarning);
        if (failed) {
            Print(*failed);
            return kExitRefused;
        }
    }
    if (IsTerminal(stderr)) gBar.Enable();
    gWs.env.progress = &OnProgress;
    return command->run(a);
}

}  // namespace qp

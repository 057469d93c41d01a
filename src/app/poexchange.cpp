#include "app/poexchange.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "app/commands.h"
#include "app/shell.h"
#include "base/lists.h"
#include "base/progress.h"
#include "base/workspace.h"
#include "convert/catalogue.h"
#include "convert/dialogue.h"
#include "convert/longtext.h"
#include "convert/memory.h"
#include "convert/po.h"
#include "dictionary/dictfile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "ui/mainwindow.h"
#include "ui/nameedit.h"

#ifndef QUILLANE_VERSION
#define QUILLANE_VERSION "3"
#endif

namespace qp {

namespace {

// What an edit reaches: a tab's names (the name edit) and the "Edit text"
// items' texts (the text edit). Game settings follow their dictionary only,
// and a script's texts cannot change without the script being compiled anew.
bool Writable(const Translatable* f) { return f && f->editable && (f->list || f->menu); }

// Where a translation the plugin carries comes from, by its row's flag.
const char* Origin(const std::string& flag) {
    if (flag == "L") return "a dictionary";
    if (flag == "T") return "your translations (external database)";
    if (flag == "M") return "the memory of earlier saves";
    if (flag == "*") return "an edit";
    return nullptr;
}

// The ID the "Edit text" item lists a record by, the key of its long-text
// dictionary: a skill's comes from the skill dictionary.
std::string ItemId(const CatalogueEntry& e) {
    if (std::string_view(e.field->type) == "SKIL") {
        for (const SkillEntry& s : gWs.skills)
            if (s.block == e.block) return s.id;
        return {};
    }
    return ReadRecordId(BlockBytes(e.block));
}

// Who says a response or writes a journal entry, and when, for the
// translator: the dialogue's own description of the INFO.
std::vector<std::string> ResponseContext(const CatalogueEntry& c) {
    if (c.kind != TextKind::Response && c.kind != TextKind::Journal) return {};
    const InfoContext info = DescribeInfo(c.block);
    if (info.kind < 0) return {};
    std::vector<std::string> out{c.kind == TextKind::Journal
                                     ? "quest \"" + info.topic + "\""
                                     : "topic \"" + info.topic + "\", speaker " +
                                           (info.speaker.empty() ? "anyone" : info.speaker)};
    if (!info.conditions.empty()) out.push_back("conditions: " + info.conditions);
    return out;
}

bool EndsWithFeed(std::string_view s) { return !s.empty() && s.back() == '\n'; }
bool StartsWithFeed(std::string_view s) { return !s.empty() && s.front() == '\n'; }

std::string Now() {
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char out[32];
    std::strftime(out, sizeof out, "%Y-%m-%d %H:%M+0000", &utc);
    return out;
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::vector<std::string> Placeholders(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '%' && c != '^') continue;
        size_t j = i + 1;
        if (c == '%') {
            if (j < text.size() && text[j] == '%') {  // a percent sign
                i = j;
                continue;
            }
            // A printf code: flags, width, precision, one conversion letter
            // that no other letter follows.
            size_t k = j;
            while (k < text.size() && std::string_view("-+#0123456789.").find(text[k]) != std::string_view::npos) ++k;
            if (k < text.size() && std::string_view("dicsfgeExXu").find(text[k]) != std::string_view::npos &&
                (k + 1 >= text.size() || !IsWordChar(text[k + 1]) || k > j)) {
                out.push_back(text.substr(i, k + 1 - i));
                i = k;
                continue;
            }
        }
        while (j < text.size() && IsWordChar(text[j])) ++j;
        if (j == i + 1) continue;
        std::string name = text.substr(i, j - i);
        for (char& ch : name)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        out.push_back(std::move(name));
        i = j - 1;
    }
    std::sort(out.begin(), out.end());
    return out;
}

PoExportResult ExportTranslation(int codePage, const std::vector<TextKind>& kinds) {
    PoExportResult result;
    const std::string plugin = FileNamePart(gWs.fileInUse);
    PoEntry header = PoHeader({{"Project-Id-Version", plugin},
                               {"Report-Msgid-Bugs-To", ""},
                               {"POT-Creation-Date", Now()},
                               {"PO-Revision-Date", "YEAR-MO-DA HO:MI+ZONE"},
                               {"Last-Translator", "FULL NAME <EMAIL@ADDRESS>"},
                               {"Language-Team", "LANGUAGE <LL@li.org>"},
                               {"Language", ""},
                               {"MIME-Version", "1.0"},
                               {"Content-Type", "text/plain; charset=UTF-8"},
                               {"Content-Transfer-Encoding", "8bit"},
                               {"X-Generator", "Quillane " QUILLANE_VERSION},
                               {"X-Quillane-Code-Page", std::to_string(codePage)}});
    header.comments = {"Strings of " + ToUtf8(codePage, plugin) + " for translation, by Quillane.",
                       "Texts are in code page " + std::to_string(codePage) + " (" + CodePageName(codePage) +
                           ") inside the plugin."};
    const std::string cp = " in code page " + std::to_string(codePage);
    AppendPo(result.text, header);
    const Catalogue catalogue = CatalogueLoadedPlugin();
    const int last = static_cast<int>(catalogue.entries.size()) - 1;
    // Pages reserved and never written cost nothing.
    result.text.reserve(result.text.size() + catalogue.entries.size() * 640);
    // The offers' files, opened once each.
    std::map<const char*, std::shared_ptr<const TripleFile>> offers;
    const bool memory = DictionaryPresent(kMemoryTextFile);
    for (const CatalogueEntry& c : catalogue.entries) {
        ShowBlockProgress("Export : ", static_cast<int>(&c - catalogue.entries.data()), last);
        const Translatable* f = c.field;
        if (!Writable(f) || c.before.empty() || c.flag == "N") continue;
        if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), c.kind) == kinds.end()) continue;
        PoEntry e;
        std::string what = std::string(TextKindWord(c.kind)) + ", " + (f->list ? "tab \"" : "\"Edit text\" item \"") +
                           f->title + "\"";
        if (f->limit > 0) what += ", at most " + std::to_string(f->limit) + " bytes" + cp;
        e.extracted.push_back(what);
        for (const std::string& line : ResponseContext(c)) e.extracted.push_back(ToUtf8(codePage, line));
        e.references.push_back(plugin + ":" + std::to_string(c.block));
        e.context = ToUtf8(codePage, c.identity);
        e.id = ToUtf8(codePage, c.before);
        if (c.after != c.before) {
            e.str = ToUtf8(codePage, c.after);
            if (const char* origin = Origin(c.flag)) e.extracted.push_back(std::string("translated by ") + origin);
            // gettext wants a translation to begin and end with a line feed
            // where its source does; one that does not is offered for review.
            if (EndsWithFeed(c.before) != EndsWithFeed(c.after) ||
                StartsWithFeed(c.before) != StartsWithFeed(c.after))
                e.flags.push_back("fuzzy");
        } else if (f->menu) {
            // What the text edit dialog offers and a load does not apply.
            std::optional<std::string> offer;
            std::string by;
            if (f->dictionary) {
                auto& texts = offers[f->dictionary];
                if (!texts) texts = OpenTripleFile(f->dictionary);
                const int t = FindTriple(*texts, ItemId(c));
                if (t >= 0) offer = texts->triples[static_cast<size_t>(t)][2], by = FileNamePart(f->dictionary);
            }
            if (!offer && memory) offer = RememberedText(f->title, c.before), by = "the memory of earlier saves";
            if (offer && !offer->empty() && *offer != c.before) {
                e.str = ToUtf8(codePage, *offer);
                e.flags.push_back("fuzzy");
                e.extracted.push_back("offered by " + by);
            }
        }
        ++result.counts[static_cast<size_t>(c.kind)];
        AppendPo(result.text, e);
    }
    return result;
}

PoImportResult ImportTranslation(const std::string& po, const std::string& name, int codePage, bool strict) {
    PoImportResult r;
    auto refuse = [&](int line, const std::string& why, int status = 2) {
        r.refused = name + (line ? ":" + std::to_string(line) : std::string()) + ": " + why;
        r.status = status;
        r.skipped.clear();
        r.warnings.clear();
        return r;
    };
    std::vector<PoEntry> entries;
    std::string error;
    if (!ReadPo(po, entries, error)) {
        const size_t colon = error.find(':');
        return refuse(std::atoi(error.c_str() + 5), "invalid PO syntax:" + error.substr(colon + 1));
    }
    for (const PoEntry& e : entries)
        if (!e.obsolete && !e.context && e.id.empty()) {
            // The header: its charset must be what the file is read as.
            const size_t at = e.str.find("charset=");
            if (at == std::string::npos) continue;
            std::string charset = e.str.substr(at + 8, e.str.find_first_of(" ;\n", at) - at - 8);
            for (char& ch : charset) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (charset != "utf-8" && charset != "utf8")
                return refuse(e.line, "the file is written in " + charset +
                                          "; Quillane reads UTF-8 (msgconv --to-code=UTF-8 converts it)");
        }
    if (auto refused = NameEditRefusal(0, -1)) return refuse(0, "a master file cannot be changed");

    BeginDictionaryCommand();
    const Catalogue catalogue = CatalogueLoadedPlugin();
    EndDictionaryCommand();
    std::unordered_map<std::string_view, const CatalogueEntry*> byIdentity;
    byIdentity.reserve(catalogue.entries.size());
    for (const CatalogueEntry& c : catalogue.entries) byIdentity.emplace(c.identity, &c);
    // Each list's rows by block: a name's entry names its record.
    std::map<int, std::unordered_map<int32_t, int>> rows;
    auto rowOf = [&](int g, int32_t block) {
        auto [it, fresh] = rows.try_emplace(g);
        if (fresh)
            for (size_t i = 0; i < gWs.nameLists[g].size(); ++i)
                it->second.emplace(gWs.nameLists[g][i].block, static_cast<int>(i));
        const auto found = it->second.find(block);
        return found == it->second.end() ? -1 : found->second;
    };

    // Every entry checked before any is applied: a refusal leaves the plugin
    // as it was.
    struct Planned {
        const CatalogueEntry* entry;
        int row;
        std::string text;
    };
    std::vector<Planned> plan;
    std::unordered_map<std::string_view, int> seen;  // identities of the catalogue
    for (const PoEntry& e : entries) {
        if (e.obsolete) {
            ++r.obsolete;
            continue;
        }
        if (!e.context && e.id.empty()) continue;  // the header
        const std::string shown = e.context.value_or("");
        auto skip = [&](const std::string& why) { r.skipped.push_back({e.line, shown, why}); };
        if (e.str.empty()) {
            ++r.untranslated;
            continue;
        }
        if (e.Fuzzy()) {
            ++r.fuzzy;
            skip("fuzzy (to be reviewed)");
            continue;
        }
        std::string identity, source, text;
        char32_t missing = 0;
        for (auto [from, to] : {std::pair{&shown, &identity}, {&e.id, &source}, {&e.str, &text}})
            if (!FromUtf8(codePage, *from, *to, &missing))
                return refuse(e.line, missing == 0xFFFD ? "not UTF-8 text"
                                                        : "code page " + std::to_string(codePage) +
                                                              " has no character " + DescribeChar(missing),
                              1);
        const auto found = e.context ? byIdentity.find(identity) : byIdentity.end();
        if (found == byIdentity.end()) {
            skip(e.context ? "no string of the plugin has this identity" : "no msgctxt: no identity");
            continue;
        }
        const CatalogueEntry& c = *found->second;
        if (!Writable(c.field)) {
            skip("a string of this kind cannot be written back");
            continue;
        }
        if (auto [at, fresh] = seen.emplace(c.identity, e.line); !fresh) {
            skip("the same identity came before, at line " + std::to_string(at->second));
            continue;
        }
        if (source != c.before) {
            skip("the plugin's text is not the msgid any more (the mod changed since the export)");
            continue;
        }
        if (text == c.after) {  // the plugin carries it already
            ++r.applied;
            continue;
        }
        const Translatable& f = *c.field;
        int row = -1;
        if (f.list) {
            row = rowOf(f.list, c.block);
            if (row < 0 || !NameEditAllowsOk(f.list, row)) {
                skip("flagged L: its name comes from a dictionary file");
                continue;
            }
            if (NameEditRefusal(f.list, row)) {
                skip("a row without a usable name");
                continue;
            }
            if (text == c.before) {
                skip("the translation is its FV name; the row is left as it was");
                continue;
            }
            if (text.size() > static_cast<size_t>(ListNameLimit(f.list)))
                return refuse(e.line, shown + ": the name has more than " + std::to_string(ListNameLimit(f.list)) +
                                          " characters (" + std::to_string(text.size()) + " bytes)");
        } else if (f.limit > 0 && text.size() > static_cast<size_t>(f.limit)) {
            return refuse(e.line, shown + ": the text has more than " + std::to_string(f.limit) + " characters (" +
                                      std::to_string(text.size()) + " bytes)");
        } else if (text.find('\0') != std::string::npos) {
            return refuse(e.line, shown + ": the text holds a zero byte");
        }
        const auto marked = [](const std::string& t) { return t.find_first_of("%^") != std::string::npos; };
        const std::vector<std::string> was = marked(source) ? Placeholders(source) : std::vector<std::string>(),
                                       now = marked(text) ? Placeholders(text) : std::vector<std::string>();
        if (was != now) {
            std::vector<std::string> dropped, added;
            std::set_difference(was.begin(), was.end(), now.begin(), now.end(), std::back_inserter(dropped));
            std::set_difference(now.begin(), now.end(), was.begin(), was.end(), std::back_inserter(added));
            std::string why;
            for (const auto& [list, verb] : {std::pair{&dropped, "drops"}, {&added, "adds"}}) {
                if (list->empty()) continue;
                why += std::string(why.empty() ? "the translation " : " and ") + verb;
                for (const std::string& p : *list) why += " " + p;
            }
            if (strict) return refuse(e.line, shown + ": " + why + " (--strict)");
            r.warnings.push_back(name + ":" + std::to_string(e.line) + ": " + shown + ": " + why);
        }
        plan.push_back({&c, row, std::move(text)});
    }
    for (const Planned& p : plan) {
        ShowBlockProgress("Import : ", static_cast<int>(&p - plan.data()), static_cast<int>(plan.size()) - 1);
        const Translatable& f = *p.entry->field;
        std::optional<Notice> failed =
            f.list ? CommitNameEdit(f.list, p.row, p.text, p.entry->before) : WriteLongText(f, p.entry->block, p.text);
        if (failed) {
            r.skipped.push_back({0, ToUtf8(codePage, p.entry->identity), failed->text});
            continue;
        }
        ++r.applied;
    }
    return r;
}

namespace {

// A PO file's name from the requester's answer: ".po" appended when missing.
std::string PoPath(const std::string& chosen) {
    if (chosen.empty()) return chosen;
    const std::string name = FileNamePart(chosen);
    return name.size() > 3 && name.compare(name.size() - 3, 3, ".po") == 0 ? chosen : chosen + ".po";
}

// The folder of the plugin in use, where its translation goes best.
std::string PoFolder() { return StartFolder(FolderPart(gWs.fileInUse)); }

void EndPoCommand() {
    Plat().SetStatusText(kStatusProgress, "");
    EndDictionaryCommand();
    EndBackgroundCommand();
}

}  // namespace

void ExportPoCommand() {
    BeginDictionaryCommand();
    if (!gWs.table.loaded) return EndPoCommand();
    std::string name = FileNamePart(gWs.fileInUse);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".esp") == 0) name.resize(name.size() - 4);
    const std::string path =
        PoPath(Plat().SaveFileRequester("PO file to save", PoFolder(), "PO (*.po)", "*.po", name + ".po"));
    if (path.empty()) return EndPoCommand();
    MenuLock();
    const PoExportResult out = ExportTranslation(gWs.codePage, {});
    std::string err;
    int entries = 0;
    for (int n : out.counts) entries += n;
    if (!WriteFileAtomic(path, out.text, &err))
        Message("INFORMATION", "THE PO FILE WAS NOT WRITTEN.\r" + path + "\r" + err, Icon::Stop);
    else
        Message("INFORMATION",
                std::to_string(entries) + " STRINGS EXPORTED FOR TRANSLATION (UTF-8 FROM CODE PAGE " +
                    std::to_string(gWs.codePage) + ") TO\r" + path,
                Icon::Information);
    MenuUnlock();
    EndPoCommand();
}

void ImportPoCommand() {
    BeginDictionaryCommand();
    if (!gWs.table.loaded) return EndPoCommand();
    const std::string path = Plat().OpenFileRequester("PO file to import", PoFolder(), "PO (*.po)", "*.po");
    if (path.empty()) return EndPoCommand();
    MenuLock();
    std::string po, err;
    if (!ReadWholeFile(path, po, &err)) {
        Message("INFORMATION", "CANNOT READ " + path + "\r" + err, Icon::Stop);
        MenuUnlock();
        return EndPoCommand();
    }
    const int codePage = gWs.codePage;
    const PoImportResult r = ImportTranslation(po, FileNamePart(path), codePage, false);
    if (!r.refused.empty()) {
        Message("INFORMATION", "THE TRANSLATION WAS NOT IMPORTED; NOTHING CHANGED.\r" + r.refused, Icon::Stop);
        MenuUnlock();
        return EndPoCommand();
    }
    const std::string summary = std::to_string(r.applied) + " applied, " + std::to_string(r.skipped.size()) +
                                " not applied (" + std::to_string(r.fuzzy) + " fuzzy), " +
                                std::to_string(r.untranslated) + " untranslated, " + std::to_string(r.obsolete) +
                                " obsolete skipped; " + std::to_string(r.warnings.size()) +
                                " placeholder warnings. Save to keep the changes.";
    if (r.skipped.empty() && r.warnings.empty()) {
        Message("INFORMATION", summary, Icon::Information);
        MenuUnlock();
        return EndPoCommand();
    }
    // What was not applied, as the batch tool lists it, in the check dialog;
    // the menus stay locked until it closes.
    auto bytes = [codePage](const std::string& utf8) {
        std::string out;
        return FromUtf8(codePage, utf8, out) ? out : utf8;
    };
    std::vector<Row> rows;
    std::string text;
    for (const PoSkipped& k : r.skipped) {
        rows.push_back({k.line ? std::to_string(k.line) : "", bytes(k.identity), k.why, ""});
        text += FileNamePart(path) + ":" + std::to_string(k.line) + ": " + bytes(k.identity) + ": not applied: " +
                k.why + "\r\n";
    }
    for (const std::string& w : r.warnings) {
        rows.push_back({"", "", bytes(w), ""});
        text += "warning: " + bytes(w) + "\r\n";
    }
    gWs.dialogOpen = 1;
    gWs.checkText = text;
    int mx = 0, my = 0, w = 0, h = 0;
    Plat().GetMainWindowPosition(mx, my);
    Plat().GetMainWindowSize(w, h);
    Platform& p = Plat();
    p.OpenDialog(kWindowCheck, "Import translation", {mx + w / 2 - 380, my + h / 2 - 240, 760, 480});
    p.AddLabel(kWindowCheck, kCtlCheckSummary, {8, 6, 740, 20}, summary, false);
    p.AddDialogTable(kWindowCheck, kCtlCheckList, {5, 28, 745, 386},
                     {{"Line", 60}, {"Identity", 260}, {"Not applied, or warned about", 400}});
    p.DialogTableAddRows(kCtlCheckList, std::move(rows));
    p.AddButton(kWindowCheck, kCtlCheckCopy, {560, 422, 90, 24}, "Copy");
    p.AddButton(kWindowCheck, kCtlCheckClose, {660, 422, 90, 24}, "Close");
    EndPoCommand();
}

}  // namespace qp

#include "convert/refcheck.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "base/bytes.h"
#include "base/fields.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

// The game finds a cell whatever the letter case of the name a script or a
// package gives. Only ASCII letters are folded: the code page is not known
// here, and a wrong fold would hide a real difference.
std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A name subrecord's text: all but its terminator, zero bytes dropped, as the
// conversion reads the names it changes.
std::string NameData(std::string_view data) {
    return ReadRecordString(data, 0, static_cast<int>(data.size()) - 1);
}

// Visits (name, data) of each subrecord while visit returns true; stops at a
// header or a data size that does not fit inside the record.
template <typename F>
void ForEachSubrecord(std::string_view record, F&& visit) {
    WalkRecordSubrecords(record, [&](int o, std::string_view name, int n) {
        return visit(name, record.substr(static_cast<size_t>(o) + 8, static_cast<size_t>(n)));
    });
}

struct CellFunction {
    std::string_view folded;
    std::string_view spelling;
    size_t cellArgument;  // 1-based position of the cell among the arguments
    bool prefix;
};

// GetPCCell and ShowMap take their name as the start of a cell name
// (GetPCCell "Balmora" is true in "Balmora, Guild of Mages").
constexpr CellFunction kCellFunctions[] = {
    {"getpccell", "GetPCCell", 1, true},           // "cell"
    {"positioncell", "PositionCell", 5, false},    // x, y, z, zRot, "cell"
    {"placeitemcell", "PlaceItemCell", 2, false},  // "object", "cell", x, y, z, zRot
    {"aiescortcell", "AIEscortCell", 2, false},    // "actor", "cell", duration, x, y, z [, reset]
    {"aifollowcell", "AIFollowCell", 2, false},    // likewise
    {"centeroncell", "CenterOnCell", 1, false},    // "cell"
    {"coc", "COC", 1, false},
    {"showmap", "ShowMap", 1, true},  // "cell"
};

const CellFunction* FindCellFunction(std::string_view word) {
    if (word.size() < 3 || word.size() > 13) return nullptr;
    const std::string folded = Fold(word);
    for (const CellFunction& f : kCellFunctions)
        if (f.folded == folded) return &f;
    return nullptr;
}

enum class Tok { Word, Quoted, Stop };
struct Token {
    Tok kind;
    std::string_view text;
};

// Arguments are separated by blanks and/or commas.
bool Separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\0'; }

// An unquoted word ends at a separator, a comment, a quote, a parenthesis, a
// comparison or the '>' of "->"; a '-' stays inside it ("Ald-ruhn", "-680").
bool EndsWord(char c) {
    return Separator(c) || c == ';' || c == '"' || c == '(' || c == ')' || c == '=' || c == '<' ||
           c == '>' || c == '!';
}

// The tokens of one line up to its comment. A quote left open runs to the end
// of the line.
void Tokenize(std::string_view line, std::vector<Token>& out) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ';') return;
        if (Separator(c)) {
            ++i;
        } else if (c == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) end = line.size();
            out.push_back({Tok::Quoted, line.substr(i + 1, end - i - 1)});
            i = end + 1;
        } else if (EndsWord(c)) {
            out.push_back({Tok::Stop, line.substr(i, 1)});
            ++i;
        } else {
            size_t j = i;
            while (j < line.size() && !EndsWord(line[j])) ++j;
            out.push_back({Tok::Word, line.substr(i, j - i)});
            i = j;
        }
    }
}

void ScanLine(const std::vector<Token>& tokens, int line, std::vector<ScriptCellName>& found) {
    for (size_t t = 0; t < tokens.size(); ++t) {
        if (tokens[t].kind != Tok::Word) continue;
        const CellFunction* f = FindCellFunction(tokens[t].text);
        if (!f) continue;
        // The arguments run to the end of the line or to an operator or a
        // parenthesis; a call that stops before its cell names none.
        size_t k = t + 1, argument = 0;
        for (; k < tokens.size() && tokens[k].kind != Tok::Stop; ++k) {
            if (++argument == f->cellArgument) {
                found.push_back({line, f->spelling, std::string(tokens[k].text), f->prefix});
                break;
            }
        }
        t = k;  // an argument is never read as a call
    }
}

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<ScriptCellName> ScanScriptCellNames(std::string_view text) {
    std::vector<ScriptCellName> found;
    std::vector<Token> tokens;
    int line = 1;
    size_t start = 0;
    for (;;) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        Tokenize(text.substr(start, end - start), tokens);
        ScanLine(tokens, line, found);
        if (end == text.size()) break;
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        ++line;
    }
    return found;
}

std::vector<CellNamePlace> CellNamePlaces(std::string_view record) {
    std::vector<CellNamePlace> places;
    if (record.size() < 16) return places;
    const std::string_view type = record.substr(0, 4);
    const bool actor = type == "NPC_" || type == "CREA";
    const bool cell = type == "CELL";
    const std::string_view script = type == "SCPT" ? "SCTX" : type == "INFO" ? "BNAM" : "";
    if (!actor && !cell && script.empty()) return places;
    // A package's cell and a moved reference's cell stand right after the
    // package and the MVRF; a CNAM elsewhere in a cell is a reference's owner.
    std::string_view previous;
    ForEachSubrecord(record, [&](std::string_view name, std::string_view data) {
        if (actor && name == "CNDT" && (previous == "AI_E" || previous == "AI_F")) {
            const std::string_view via = previous == "AI_E" ? "AI_E" : "AI_F";
            places.push_back({via, std::string(via) + " CNDT", NameData(data), false});
        } else if (cell && name == "CNAM" && previous == "MVRF") {
            places.push_back({"MVRF", "MVRF CNAM", NameData(data), false});
        } else if (name == script) {
            for (ScriptCellName& c : ScanScriptCellNames(data))
                places.push_back({c.function,
                                  std::string(script) + " line " + std::to_string(c.line),
                                  std::move(c.name), c.prefix});
        }
        previous = name;
        return true;
    });
    return places;
}

std::string RecordId(std::string_view record) {
    if (record.size() < 16) return {};
    return RecordIdNamed(record, ReadRecordId(record));
}

std::string RecordIdNamed(std::string_view record, std::string id) {
    if (record.substr(0, 4) != "CELL") return id;
    bool placed = false;
    int32_t flags = 0, x = 0, y = 0;
    ForEachSubrecord(record, [&](std::string_view name, std::string_view data) {
        if (name == "DATA" && data.size() >= 12) {
            placed = true;
            flags = GetLe32(data.data());
            x = GetLe32(data.data() + 4);
            y = GetLe32(data.data() + 8);
        }
        // The cell's own DATA comes before its references, which have theirs.
        return !placed && name != "FRMR";
    });
    if (placed && !(flags & 1))  // exterior
        id += (id.empty() ? "(" : " (") + std::to_string(x) + ", " + std::to_string(y) + ")";
    return id;
}

CellNameIndex::CellNameIndex(const PairFile& links, const std::vector<std::string_view>& known) {
    entries_.reserve(links.pairs.size());
    for (const auto& [a, b] : links.pairs)
        entries_.push_back({std::string(a), std::string(b), Fold(a), Fold(b)});
    // Only the first pair of an A ever converts it.
    byA_.resize(entries_.size());
    std::iota(byA_.begin(), byA_.end(), size_t{0});
    std::stable_sort(byA_.begin(), byA_.end(),
                     [&](size_t l, size_t r) { return entries_[l].a < entries_[r].a; });
    byA_.erase(std::unique(byA_.begin(), byA_.end(),
                           [&](size_t l, size_t r) { return entries_[l].a == entries_[r].a; }),
               byA_.end());
    byFoldedA_ = byA_;
    std::sort(byFoldedA_.begin(), byFoldedA_.end(), [&](size_t l, size_t r) {
        const int c = entries_[l].foldedA.compare(entries_[r].foldedA);
        return c != 0 ? c < 0 : l < r;
    });
    known_.reserve(2 * entries_.size() + known.size());
    for (const Entry& e : entries_) {
        known_.push_back(e.foldedA);
        known_.push_back(e.foldedB);
    }
    for (std::string_view name : known) known_.push_back(Fold(name));
    std::sort(known_.begin(), known_.end());
    known_.erase(std::unique(known_.begin(), known_.end()), known_.end());
}

bool CellNameIndex::Classify(std::string_view name, bool prefix, RefKind& kind,
                             std::string& counterpart) const {
    counterpart.clear();
    if (name.empty()) return false;
    const std::string folded = Fold(name);
    // The pair a save would take for this name, else the first pair of the
    // name in another letter case: the game takes both for the same cell.
    const Entry* pair = nullptr;
    auto exact = std::lower_bound(byA_.begin(), byA_.end(), name,
                                  [&](size_t i, std::string_view n) { return entries_[i].a < n; });
    if (exact != byA_.end() && entries_[*exact].a == name) pair = &entries_[*exact];
    auto byFolded = [&](size_t i, const std::string& n) { return entries_[i].foldedA < n; };
    auto first = std::lower_bound(byFoldedA_.begin(), byFoldedA_.end(), folded, byFolded);
    if (!pair && first != byFoldedA_.end() && entries_[*first].foldedA == folded)
        pair = &entries_[*first];
    if (pair) {
        if (pair->foldedA == pair->foldedB) return false;  // the pair keeps the name
        kind = RefKind::Counterpart;
        counterpart = pair->b;
        return true;
    }
    if (std::binary_search(known_.begin(), known_.end(), folded)) return false;
    if (prefix) {
        // A name that only starts cell names: the renamed cells it stops
        // matching after the conversion (their new name does not start with
        // it). A new name that starts with another of them is matched by that
        // one and left out. One new name left is the one meant; several are
        // listed, since the start they share is the translator's call.
        std::vector<size_t> lost;
        for (auto i = first; i != byFoldedA_.end() && entries_[*i].foldedA.starts_with(folded); ++i)
            if (!entries_[*i].foldedB.starts_with(folded)) lost.push_back(*i);
        std::sort(lost.begin(), lost.end(), [&](size_t l, size_t r) {
            const int c = entries_[l].foldedB.compare(entries_[r].foldedB);
            return c != 0 ? c < 0 : l < r;
        });
        std::vector<size_t> meant;
        for (size_t i : lost)
            if (meant.empty() || !entries_[i].foldedB.starts_with(entries_[meant.back()].foldedB))
                meant.push_back(i);
        std::sort(meant.begin(), meant.end());  // link order
        for (size_t n = 0; n < meant.size() && n < 3; ++n)
            counterpart += (n > 0 ? " | " : "") + entries_[meant[n]].b;
        if (meant.size() > 3) counterpart += " | ...";
        if (!meant.empty()) {
            kind = meant.size() == 1 ? RefKind::Counterpart : RefKind::Several;
            return true;
        }
        auto k = std::lower_bound(known_.begin(), known_.end(), folded);
        if (k != known_.end() && k->starts_with(folded)) return false;
    }
    kind = RefKind::Unknown;
    return true;
}

void CheckRecord(std::string_view record, const CellNameIndex& names,
                 std::vector<RefFinding>& out) {
    std::vector<CellNamePlace> places = CellNamePlaces(record);
    if (places.empty()) return;
    const std::string type = RecordType(record), id = RecordId(record);
    for (CellNamePlace& p : places) {
        RefFinding f;
        if (!names.Classify(p.name, p.prefix, f.kind, f.counterpart)) continue;
        f.type = type;
        f.id = id;
        f.where = std::move(p.where);
        f.name = std::move(p.name);
        out.push_back(std::move(f));
    }
}

void CheckScriptTopics(std::string_view record, const TopicRenames& topics, std::vector<RefFinding>& out) {
    if (topics.Empty() || record.size() < 16 || record.substr(0, 4) != "SCPT") return;
    ForEachSubrecord(record, [&](std::string_view name, std::string_view data) {
        if (name != "SCTX") return true;
        for (const TopicCall& c : FindAddTopicCalls(data)) {
            const std::string_view old = data.substr(c.at, c.size);
            if (const std::string* now = topics.Find(old))
                out.push_back({RefKind::ScriptTopic, "SCPT", RecordId(record),
                               "SCTX line " + std::to_string(c.line) + " AddTopic", std::string(old), *now});
        }
        return true;
    });
}

void CheckTopicLinks(const std::string& id, std::string_view before, std::string_view after,
                     const TopicRenames& topics, std::vector<RefFinding>& out) {
    for (size_t i : topics.LinksIn(before)) {
        const auto& [old, now] = topics.Pairs()[i];
        if (!HoldsTopicLink(after, now)) out.push_back({RefKind::TopicLink, "INFO", id, "NAME link", old, now});
    }
}

std::string FormatFinding(const RefFinding& f) {
    return EscapeField(f.type) + '\t' + EscapeField(f.id) + '\t' + EscapeField(f.where) + '\t' + EscapeField(f.name) +
           '\t' + EscapeField(f.counterpart);
}

std::string CountFindings(const std::vector<RefFinding>& findings) {
    size_t counterpart = 0, unknown = 0, several = 0, links = 0, calls = 0;
    for (const RefFinding& f : findings) {
        if (f.kind == RefKind::Counterpart) ++counterpart;
        else if (f.kind == RefKind::Unknown) ++unknown;
        else if (f.kind == RefKind::TopicLink) ++links;
        else if (f.kind == RefKind::ScriptTopic) ++calls;
        else ++several;
    }
    std::string counts =
        Counted(counterpart, "name with a known counterpart", "names with a known counterpart") + ", " +
        Counted(unknown, "unknown name", "unknown names") + ", " +
        Counted(several, "name with several counterparts", "names with several counterparts");
    // A plugin without dialogue keeps the line it always had.
    if (links) counts += ", " + Counted(links, "topic link lost", "topic links lost");
    if (calls) counts += ", " + Counted(calls, "script AddTopic with an old topic", "script AddTopics with an old topic");
    return counts;
}

std::string FormatFindingCounts(const std::vector<RefFinding>& findings) {
    return "check: " + CountFindings(findings);
}

}  // namespace qp

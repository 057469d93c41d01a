#include "convert/catalogue.h"

#include <array>
#include <map>
#include <memory>
#include <unordered_map>

#include "base/bytes.h"
#include "base/lists.h"
#include "base/workspace.h"
#include "convert/blockconv.h"
#include "convert/refcheck.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "plugin/responses.h"

namespace qp {

namespace {

bool WordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

// The rows of each record type, in table order.
const std::map<std::string, std::vector<const Translatable*>, std::less<>>& RowsByType() {
    static const auto rows = [] {
        std::map<std::string, std::vector<const Translatable*>, std::less<>> m;
        for (const Translatable& f : TranslatableFields()) m[f.type].push_back(&f);
        return m;
    }();
    return rows;
}

bool DialogueFits(Dialogue d, int type) {
    switch (d) {
    case Dialogue::Topic: return type == 0;
    case Dialogue::Journal: return type == 4;
    case Dialogue::NotJournal: return type != 4;
    case Dialogue::Any: break;
    }
    return true;
}

// A path grid of an exterior cell carries its grid, as an exterior cell does:
// many share one name.
std::string PathGridId(std::string_view record, const std::string& name) {
    const int p = FindRecordSubrecord(record, "DATA");
    if (p < 0 || ReadRecordInt(record, p + 4) < 8) return name;
    const int32_t x = ReadRecordInt(record, p + 8), y = ReadRecordInt(record, p + 12);
    if (x == 0 && y == 0) return name;
    return name + (name.empty() ? "(" : " (") + std::to_string(x) + ", " + std::to_string(y) + ")";
}

class Walk {
public:
    Catalogue Run() {
        cursor_.fill(0);
        int dialogue = -1;
        const int last = LastBlock();
        for (int n = 1; n <= last; ++n) {
            const std::string_view b = BlockBytes(n);
            const std::string type = RecordType(b);
            if (type == "DIAL") dialogue = DialogueKindOfRecord(b);
            const auto rows = RowsByType().find(type);
            if (rows == RowsByType().end()) continue;
            // An INFO that no list holds (bad input) is left out.
            info_ = type == "INFO" ? Info(n) : nullptr;
            if (type == "INFO" && !info_) continue;
            const NameEntry* named = Named(type, n);
            std::string id;
            if (type == "CELL")
                id = named ? RecordIdNamed(b, named->fv) : std::string();
            else if (type == "PGRD")
                id = named ? PathGridId(b, named->fv) : std::string();
            else if (type == "DIAL" && named)  // a topic is known by its name before conversion
                id = named->fv;
            else
                id = ReadRecordId(b);
            for (const Translatable* f : rows->second) {
                if (!DialogueFits(f->dialogue, dialogue)) continue;
                if (f->list) {  // a tab's row: what the load made of it
                    if (named && named->flag != "N")
                        Add(*f, id, "", n, FindSubrecord(n, f->sub), named->flag, named->fv, named->ov);
                } else {
                    Fields(*f, id, n, b);
                }
            }
        }
        return std::move(out_);
    }

private:
    // The row of the block's tab, if it has one: the lists hold their rows
    // in block order.
    const NameEntry* Named(const std::string& type, int n) {
        const int g = ListOfRecordType(type);
        if (!g) return nullptr;
        const auto& rows = gWs.nameLists[g];
        size_t& at = cursor_[static_cast<size_t>(g)];
        while (at < rows.size() && rows[at].block < n) ++at;
        return at < rows.size() && rows[at].block == n ? &rows[at] : nullptr;
    }

    // What a response converted at load held before, read for all of them
    // at the first one asked.
    std::string ConvertedBefore(int n) {
        if (!beforeRead_) before_ = TextsBeforeConversion();
        beforeRead_ = true;
        const auto it = before_.find(n);
        return it == before_.end() ? std::string() : it->second;
    }

    // The INFO of a block as the load listed it: gWs.infos is in block order.
    const InfoEntry* Info(int n) {
        const auto& v = gWs.infos;
        while (infoAt_ < v.size() && v[infoAt_].block < n) ++infoAt_;
        return infoAt_ < v.size() && v[infoAt_].block == n ? &v[infoAt_] : nullptr;
    }

    void Fields(const Translatable& f, const std::string& id, int n, std::string_view b) {
        int nth = 0;
        WalkRecordSubrecords(b, [&](int o, std::string_view name, int32_t size) {
            if (name != f.sub) return true;
            ++nth;
            const std::string_view data = b.substr(static_cast<size_t>(o) + 8, static_cast<size_t>(size));
            const std::string suffix = f.repeats ? "#" + std::to_string(nth) : "";
            if (f.kind == TextKind::ScriptMessage) {
                int m = 0;
                for (const std::string& text : ScriptMessages(data))
                    Add(f, id, "#" + std::to_string(++m), n, o, "R", text, text);
                return f.repeats;
            }
            // A fixed-size field (a rank name) ends at its first zero.
            const std::string text = f.repeats ? std::string(data.substr(0, data.find('\0')))
                                               : ReadRecordString(data, 0, size - (f.zeroEnd ? 1 : 0));
            if (text.empty()) return f.repeats;
            // A response converted at load: the game's own text before.
            if (info_ && info_->converted && (f.kind == TextKind::Response || f.kind == TextKind::Journal))
                Add(f, id, suffix, n, o, "L", ConvertedBefore(n), text);
            else
                Add(f, id, suffix, n, o, "", text, After(f, text));
            return f.repeats;
        });
    }

    std::string After(const Translatable& f, const std::string& text) {
        if (f.kind != TextKind::GameSetting) return text;
        if (!settings_) settings_ = OpenPairFile(f.dictionary);
        const auto second = PairSecond(text, "", *settings_);
        return second ? std::string(*second) : text;
    }

    void Add(const Translatable& f, const std::string& id, const std::string& suffix, int n, int offset,
             std::string flag, std::string before, std::string after) {
        CatalogueEntry e;
        e.identity = std::string(f.type) + "|" + id + "|" + f.sub + suffix;
        const int seen = ++seen_[e.identity];
        if (seen > 1) {
            e.identity += "@" + std::to_string(seen);
            // Told once a record.
            if (noted_ != n) out_.repeated.emplace_back(std::string(f.type) + "|" + id, "@" + std::to_string(seen));
            noted_ = n;
        }
        e.kind = f.kind;
        e.field = &f;
        e.flag = std::move(flag);
        e.before = std::move(before);
        e.after = std::move(after);
        e.block = n;
        e.offset = offset;
        out_.entries.push_back(std::move(e));
    }

    Catalogue out_;
    std::array<size_t, kLastList + 1> cursor_{};
    std::unordered_map<std::string, int> seen_;
    std::shared_ptr<const PairFile> settings_;
    int noted_ = -1;
    size_t infoAt_ = 0;
    bool beforeRead_ = false;
    std::unordered_map<int32_t, std::string> before_;
    const InfoEntry* info_ = nullptr;
};

}  // namespace

Catalogue CatalogueLoadedPlugin() { return Walk().Run(); }

std::vector<std::string> ScriptMessages(std::string_view script) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < script.size()) {
        // One line: its words and quoted texts, up to a comment.
        const size_t end = std::min(script.find_first_of("\r\n", i), script.size());
        int shows = 0;  // 1: MessageBox or Choice, 2: Say (its first text is the sound file)
        int quoted = 0;
        while (i < end) {
            const char c = script[i];
            if (c == ';') break;
            if (c == '"') {
                const size_t close = std::min(script.find('"', i + 1), end);
                if (shows && !(shows == 2 && quoted == 0))
                    out.emplace_back(script.substr(i + 1, close - i - 1));
                ++quoted;
                i = close + 1;
            } else if (WordChar(c)) {
                size_t j = i;
                while (j < end && WordChar(script[j])) ++j;
                const std::string_view word = script.substr(i, j - i);
                if (!shows) {
                    if (SameWord(word, "MessageBox") || SameWord(word, "Choice")) shows = 1, quoted = 0;
                    else if (SameWord(word, "Say")) shows = 2, quoted = 0;
                }
                i = j;
            } else {
                ++i;
            }
        }
        i = std::min(script.find_first_of("\r\n", i), script.size());
        while (i < script.size() && (script[i] == '\r' || script[i] == '\n')) ++i;
    }
    return out;
}

}  // namespace qp

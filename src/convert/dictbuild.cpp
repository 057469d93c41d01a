#include "convert/dictbuild.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "base/lists.h"
#include "base/translatable.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

// ---- reading records ----------------------------------------------------

using Records = std::vector<std::string_view>;

int32_t Int(std::string_view r, int64_t off) { return ReadRecordInt(r, static_cast<int>(off)); }
std::string Type(std::string_view r) { return RecordType(r); }
int64_t FindSub(std::string_view r, const char* name) { return FindRecordSubrecord(r, name); }
int32_t SubSize(std::string_view r, int64_t p) { return p < 0 ? 0 : Int(r, p + 4); }
// The bytes [off, off + len) inside the record, zero bytes dropped, as the
// loader reads names and texts.
std::string Str(std::string_view r, int64_t off, int64_t len) {
    return off < 0 || len <= 0 ? std::string() : ReadRecordString(r, static_cast<int>(off), static_cast<int>(len));
}

std::string Identifier(std::string_view r) { return ReadRecordId(r); }

// A zero-terminated name; empty when the subrecord is missing or holds one
// byte or less, as the loader treats it.
std::string NameOf(std::string_view r, const char* sub) {
    int64_t p = FindSub(r, sub);
    if (p < 0 || SubSize(r, p) <= 1) return {};
    return Str(r, p + 8, SubSize(r, p) - 1);
}

// A long text or setting value: the whole data.
std::string DataOf(std::string_view r, const char* sub, bool* present = nullptr) {
    int64_t p = FindSub(r, sub);
    if (present) *present = p >= 0;
    if (p < 0) return {};
    return Str(r, p + 8, SubSize(r, p));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const int kGameSkills = static_cast<int>(GameSkillNames().size());
// A damaged index must not blow the skill dictionary up.
constexpr int kMaxSkillIndex = 255;

// The game setting that carries a skill's display name: "sSkill" and the
// skill's name without blanks or hyphens ("sSkillMediumarmor").
std::string SkillSetting(int index) {
    std::string s = "sSkill";
    if (index < 0 || index >= kGameSkills) return {};
    for (const char* c = GameSkillNames()[static_cast<size_t>(index)]; *c; ++c)
        if (std::isalpha(static_cast<unsigned char>(*c))) s += *c;
    return s;
}

// The table's row for a kind of dialogue text.
const Translatable& DialogueField(TextKind kind) {
    for (const Translatable& f : TranslatableFields())
        if (f.kind == kind) return f;
    return GameSettingField();  // every kind has its row; never reached
}

// ---- what identifies a record in both versions ------------------------

struct Keyed {
    std::string kind;   // record type
    std::string key;    // readable: an ID, a grid, a position
    size_t record = 0;  // index into the plugin's records
};

// Object types and regions by ID; exterior cells by grid, interior cells by
// their position among the interior cells; path grids by their grid and,
// among path grids of the same grid (the interior ones all carry one), by
// position; game settings by NAME; skills by skill index.
std::vector<Keyed> KeyRecords(const Records& records) {
    std::vector<Keyed> out;
    std::set<std::string> named;
    // Topics are not paired by ID here: a topic's ID is its name.
    for (int g = kFirstList; g <= kLastList; ++g)
        if (g != kListTopic) named.insert(ListRecordType(g));
    int interior = 0;
    std::map<std::pair<int32_t, int32_t>, int> gridSeen;
    // Topics are paired by the responses they hold (PairDialogues), not by
    // their names, which differ between the versions.
    const std::string dialogue = DialogueField(TextKind::Topic).type;
    for (size_t i = 1; i < records.size(); ++i) {
        const std::string_view r = records[i];
        const std::string type = Type(r);
        if (type == dialogue) continue;
        Keyed k{type, {}, i};
        if (type == "CELL") {
            int64_t d = FindSub(r, "DATA");
            bool exterior = d >= 0 && SubSize(r, d) >= 12 && (Int(r, d + 8) & 1) == 0;
            if (exterior)
                k.key = "grid " + std::to_string(Int(r, d + 12)) + "," + std::to_string(Int(r, d + 16));
            else
                k.key = "interior #" + std::to_string(interior++);
        } else if (type == "PGRD") {
            int64_t d = FindSub(r, "DATA");
            int32_t x = d >= 0 && SubSize(r, d) >= 8 ? Int(r, d + 8) : 0;
            int32_t y = d >= 0 && SubSize(r, d) >= 8 ? Int(r, d + 12) : 0;
            int nth = gridSeen[{x, y}]++;
            k.key = "grid " + std::to_string(x) + "," + std::to_string(y) + " #" + std::to_string(nth);
        } else if (type == "SKIL") {
            k.key = "index " + std::to_string(ReadRecordIndex(r));
        } else if (type == "GMST" || named.count(type)) {
            k.key = Identifier(r);
        } else {
            continue;
        }
        out.push_back(std::move(k));
    }
    return out;
}

// ---- collecting pairs and triples --------------------------------------

std::string Quote(const std::string& s) {
    const size_t limit = 60;
    std::string t = s.size() > limit ? s.substr(0, limit) + "..." : s;
    for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
    return "\"" + t + "\"";
}

struct Sink {
    std::string name;
    bool triples = false;
    std::string bytes;
    int entries = 0;
    std::unordered_map<std::string, std::string> first;  // key -> counterpart kept
    std::unordered_map<std::string, std::string> second;  // counterpart -> its first name
};

struct Builder {
    std::map<std::string, Sink> sinks;
    DictionaryBuild result;
    int source = -1;  // the pair whose record is being written

    void Counted(Sink& s) {
        ++s.entries;
        if (source >= 0) ++result.pairs[static_cast<size_t>(source)].entries;
    }

    Sink& At(const std::string& name, bool triples) {
        Sink& s = sinks[name];
        s.name = name;
        s.triples = triples;
        return s;
    }

    // A pair (a, b) unless equal, one-sided, or a repeat of a known name.
    void Pair(const std::string& file, const std::string& a, const std::string& b,
              const std::string& where) {
        Sink& s = At(file, false);
        CountTypicalLetters(a, result.fvLetters);
        CountTypicalLetters(b, result.ovLetters);
        if (a.empty() != b.empty()) ++result.oneSided;
        if (a.empty() || b.empty() || a == b) return;
        auto [it, fresh] = s.first.emplace(a, b);
        if (!fresh) {
            if (it->second != b)
                result.conflicts.push_back(FileNamePart(file) + ": " + Quote(a) + " -> " +
                                           Quote(it->second) + " kept, " + Quote(b) + " (" +
                                           where + ") left out");
            return;
        }
        // A lookup meets the earlier pair first and takes the name as already
        // converted, so this pair would never apply.
        if (auto seen = s.second.find(a); seen != s.second.end()) {
            result.conflicts.push_back(FileNamePart(file) + ": " + Quote(a) + " -> " + Quote(b) + " (" +
                                       where + ") left out: " + Quote(a) + " is the converted form of " +
                                       Quote(seen->second));
            return;
        }
        s.second.emplace(b, a);
        s.bytes += EncodePair(a, b);
        Counted(s);
    }

    // A long-text triple (id, FV text, OV text) under the same rules.
    void Triple(const std::string& file, const std::string& id, const std::string& a,
                const std::string& b) {
        Sink& s = At(file, true);
        CountTypicalLetters(a, result.fvLetters);
        CountTypicalLetters(b, result.ovLetters);
        if (a.empty() != b.empty()) ++result.oneSided;
        if (id.empty() || a.empty() || b.empty() || a == b) return;
        auto [it, fresh] = s.first.emplace(id, b);
        if (!fresh) {
            if (it->second != b)
                result.conflicts.push_back(FileNamePart(file) + ": ID " + Quote(id) +
                                           " has two texts, the first kept");
            return;
        }
        WriteCountedString(s.bytes, id);
        WriteCountedString(s.bytes, a);
        WriteCountedString(s.bytes, b);
        Counted(s);
    }
};

// The type's display name, or nullptr.
const Translatable* NameField(const std::string& type) {
    const int g = ListOfRecordType(type);
    return g ? qp::NameField(g) : nullptr;
}

// The type's long text, or nullptr.
const Translatable* LongTextField(const std::string& type) {
    for (const Translatable* t : TextItemFields())
        if (type == t->type) return t;
    return nullptr;
}

// Skill names, long texts, responses and journal entries are triples keyed by ID.
bool IsTripleFile(const std::string& name) {
    if (name == kSkillDictionary) return true;
    for (const Translatable& f : TranslatableFields())
        if ((f.kind == TextKind::Response || f.kind == TextKind::Journal) && name == f.dictionary) return true;
    for (const Translatable* t : TextItemFields())
        if (name == t->dictionary) return true;
    return false;
}

// The STRV value of the game setting with this NAME (compared as the game
// does, ignoring case) in the last of the plugins that holds it, or empty.
std::string SettingValue(const std::vector<const Records*>& plugins, const std::string& name) {
    if (name.empty()) return {};
    for (auto p = plugins.rbegin(); p != plugins.rend(); ++p) {
        const Records& records = **p;
        for (size_t i = 1; i < records.size(); ++i)
            if (Type(records[i]) == "GMST" && EqualNoCase(Identifier(records[i]), name))
                return DataOf(records[i], "STRV");
    }
    return {};
}

// ---- dialogue -------------------------------------------------------------

// The dialogue kinds of a DIAL's DATA byte.
constexpr int kTopicKind = 0, kJournalKind = 4;

// The DIAL's kind, -1 without DATA or for a kind the game does not know.
int DialogueKind(std::string_view r) {
    int64_t p = FindSub(r, "DATA");
    if (p < 0 || SubSize(r, p) < 1) return -1;
    const int kind = static_cast<unsigned char>(r[static_cast<size_t>(p) + 8]);
    return kind <= kJournalKind ? kind : -1;
}

// One version's dialogue: its DIALs of a known kind and the INFOs that follow
// them. An INFO before any DIAL, under a DIAL of no known kind or without
// INAM belongs to no dialogue and is left out. An INFO ID is unique only
// within its DIAL: the game's masters give one ID to responses of several
// topics.
struct Dialogues {
    struct Dial {
        std::string name;
        int kind = -1;
    };
    struct Info {
        std::string id, text;
        size_t dial = 0;
    };
    std::vector<Dial> dials;
    std::vector<Info> infos;
    std::unordered_map<std::string, std::vector<size_t>> byId;  // into infos, in file order

    // The names of the topics that hold a response of this ID.
    std::set<std::string> TopicsOf(const std::string& id) const {
        std::set<std::string> out;
        if (auto it = byId.find(id); it != byId.end())
            for (size_t i : it->second)
                if (dials[infos[i].dial].kind == kTopicKind) out.insert(dials[infos[i].dial].name);
        return out;
    }
};

Dialogues ReadDialogues(const Records& records) {
    Dialogues d;
    bool inDialogue = false;
    for (size_t i = 1; i < records.size(); ++i) {
        const std::string_view r = records[i];
        const std::string type = Type(r);
        if (type == "DIAL") {
            const int kind = DialogueKind(r);
            inDialogue = kind >= 0;
            if (inDialogue) d.dials.push_back({NameOf(r, "NAME"), kind});
        } else if (type == "INFO" && inDialogue) {
            std::string id = Identifier(r);
            if (id.empty()) continue;
            d.byId[id].push_back(d.infos.size());
            d.infos.push_back({std::move(id), DataOf(r, "NAME"), d.dials.size() - 1});
        }
    }
    return d;
}

// What one pair's dialogue gives: topic pairs and response triples, in the
// first version's order, and what the report says about the rest.
struct DialogueEntry {
    bool topic = false;
    std::string file, key, a, b;  // key: the INFO ID of a triple
};

struct PairDialogue {
    std::vector<DialogueEntry> entries;
    std::map<std::string, std::vector<std::string>> fvOnly, ovOnly;
    std::vector<std::string> ambiguous, repeats;
    int fvRecords = 0, ovRecords = 0, matched = 0;
};

// "rumors": 1 response under "rykter", 1 under "sladder"
std::string AmbiguousLine(const std::string& file, const std::string& name, const std::map<std::string, int>& to) {
    std::string line = FileNamePart(file) + ": " + Quote(name) + ":";
    const size_t shown = 4;
    size_t n = 0;
    for (const auto& [ov, count] : to) {
        if (n == shown) {
            line += ", ... (" + std::to_string(to.size()) + " topics)";
            break;
        }
        line += (n ? ", " : " ") + std::to_string(count) + (n ? "" : count == 1 ? " response" : " responses") +
                " under " + Quote(ov);
        ++n;
    }
    return line;
}

PairDialogue PairDialogues(const Records& fvRecords, const Records& ovRecords) {
    const Dialogues fv = ReadDialogues(fvRecords), ov = ReadDialogues(ovRecords);
    PairDialogue out;
    const std::string topics = DialogueField(TextKind::Topic).dictionary;
    const std::string responses = DialogueField(TextKind::Response).dictionary;
    const std::string journal = DialogueField(TextKind::Journal).dictionary;

    // Topics. A response whose ID one topic holds in each version ties the
    // two; an ID several topics hold only narrows the choice: the topics
    // that hold all such IDs of the topic, less those already tied.
    std::vector<std::string> order;
    std::map<std::string, std::map<std::string, int>> tied, shared;  // FV topic -> OV topic -> responses
    std::map<std::string, std::set<std::string>> narrowed;
    for (const Dialogues::Dial& dial : fv.dials)
        if (dial.kind == kTopicKind && !tied.count(dial.name)) {
            order.push_back(dial.name);
            tied[dial.name];
        }
    for (const Dialogues::Info& info : fv.infos) {
        const std::string& name = fv.dials[info.dial].name;
        if (fv.dials[info.dial].kind != kTopicKind) continue;
        const std::set<std::string> to = ov.TopicsOf(info.id);
        if (to.empty()) continue;
        if (to.size() == 1 && fv.TopicsOf(info.id).size() == 1) {
            ++tied[name][*to.begin()];
            continue;
        }
        for (const std::string& t : to) ++shared[name][t];
        auto [it, first] = narrowed.emplace(name, to);
        if (!first)
            std::erase_if(it->second, [&](const std::string& t) { return !to.count(t); });
    }
    std::set<std::string> taken;
    for (const auto& [name, to] : tied)
        if (to.size() == 1) taken.insert(to.begin()->first);
    std::map<std::string, std::string> paired;  // FV topic -> OV topic
    std::set<std::string> reached;
    for (const std::string& name : order) {
        std::map<std::string, int> to = tied[name];
        if (to.empty() && narrowed.count(name))
            for (const std::string& t : narrowed[name])
                if (!taken.count(t)) to[t] = shared[name][t];
        ++out.fvRecords;
        if (to.empty()) {
            out.fvOnly["DIAL"].push_back(name);
            continue;
        }
        ++out.matched;
        for (const auto& [t, n] : to) reached.insert(t);
        if (to.size() == 1) {
            paired[name] = to.begin()->first;
            out.entries.push_back({true, topics, {}, name, to.begin()->first});
        } else {
            out.ambiguous.push_back(AmbiguousLine(topics, name, to));
        }
    }
    std::set<std::string> ovTopics;
    for (const Dialogues::Dial& dial : ov.dials)
        if (dial.kind == kTopicKind && !reached.count(dial.name) && ovTopics.insert(dial.name).second) {
            ++out.ovRecords;
            out.ovOnly["DIAL"].push_back(dial.name);
        }
    out.ovRecords += static_cast<int>(reached.size());

    // Responses and journal entries by ID, filed by the first version's
    // kind. An ID that the other version gives several responses is found
    // under the counterpart of the response's dialogue: the paired topic, or
    // the dialogue of the same name (greetings and journals keep theirs).
    std::map<std::string, std::pair<std::string, std::string>> kept;  // ID -> texts, the first wins
    for (const Dialogues::Info& info : fv.infos) {
        auto it = ov.byId.find(info.id);
        if (it == ov.byId.end()) continue;
        const Dialogues::Dial& dial = fv.dials[info.dial];
        const Dialogues::Info* other = nullptr;
        if (it->second.size() == 1) {
            other = &ov.infos[it->second.front()];
        } else {
            auto p = paired.find(dial.name);
            const std::string& counterpart = dial.kind != kTopicKind ? dial.name : p != paired.end() ? p->second : "";
            for (size_t i : it->second) {
                const Dialogues::Dial& under = ov.dials[ov.infos[i].dial];
                if (!other && under.kind == dial.kind && under.name == counterpart) other = &ov.infos[i];
            }
        }
        if (!other) continue;
        const std::string& file = dial.kind == kJournalKind ? journal : responses;
        auto [first, fresh] = kept.emplace(info.id, std::pair{info.text, other->text});
        if (fresh)
            out.entries.push_back({false, file, info.id, info.text, other->text});
        else if (first->second != std::pair{info.text, other->text})
            out.repeats.push_back(FileNamePart(file) + ": ID " + Quote(info.id) + " has two texts, the first kept");
    }
    for (const auto* side : {&fv, &ov}) {
        const Dialogues& other = side == &fv ? ov : fv;
        std::vector<std::string>& only = (side == &fv ? out.fvOnly : out.ovOnly)["INFO"];
        for (const Dialogues::Info& info : side->infos)
            if (side->byId.at(info.id).front() == static_cast<size_t>(&info - side->infos.data()) &&
                !other.byId.count(info.id))
                only.push_back(info.id);
    }
    out.fvRecords += static_cast<int>(fv.byId.size());
    out.ovRecords += static_cast<int>(ov.byId.size());
    for (const auto& [id, at] : fv.byId) out.matched += ov.byId.count(id) ? 1 : 0;
    for (auto* only : {&out.fvOnly, &out.ovOnly})
        if (auto it = only->find("INFO"); it != only->end() && it->second.empty()) only->erase(it);
    return out;
}

// A record found in both versions of one pair.
struct Match {
    std::string kind, key;
    std::string_view fv, ov;
    int pair = 0;
};

std::string Percent(int part, int whole) { return std::to_string(whole ? part * 100 / whole : 0) + " %"; }

// Why a pair does not look like two versions of one file, or empty.
std::string PairWarning(const PluginPair& p, const PairFigures& f) {
    if (p.fv == p.ov)
        return FileNamePart(p.fvName) + " and " + FileNamePart(p.ovName) + " hold the same " +
               std::to_string(p.fv.size()) + " records: the same file twice";
    const int most = std::max(f.fvRecords, f.ovRecords);
    if (most > 0 && f.matched * 100 < most * kLeastCommonPercent)
        return "only " + std::to_string(f.matched) + " of " + std::to_string(f.fvRecords) + " records of " +
               FileNamePart(p.fvName) + " and of " + std::to_string(f.ovRecords) + " of " +
               FileNamePart(p.ovName) + " are found in both (" + Percent(f.matched, most) +
               "): two versions of one file have nearly all in common";
    return {};
}

}  // namespace

std::vector<std::string_view> RecordsOf(const BlockTable& table) {
    std::vector<std::string_view> out;
    out.reserve(table.blocks.size());
    for (size_t i = 0; i < table.blocks.size(); ++i) out.push_back(table.blocks[i]);
    return out;
}

std::vector<std::string> DictionaryFileNames() {
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (int g = kFirstList; g <= kLastList; ++g) add(ListDictionary(g));
    add(GameSettingField().dictionary);
    add(kSkillDictionary);
    for (const Translatable* t : TextItemFields()) add(t->dictionary);
    for (TextKind k : {TextKind::Topic, TextKind::Response, TextKind::Journal}) add(DialogueField(k).dictionary);
    return names;
}

std::string SkillId(int index) {
    if (index >= 0 && index < kGameSkills) return GameSkillNames()[static_cast<size_t>(index)];
    return "Skill " + std::to_string(index);
}

DictionaryBuild BuildDictionaries(const std::vector<std::string_view>& fv,
                                  const std::vector<std::string_view>& ov) {
    return BuildDictionaries(std::vector<PluginPair>{{"", "", fv, ov}});
}

DictionaryBuild BuildDictionaries(const std::vector<PluginPair>& pairs) {
    Builder b;
    const bool several = pairs.size() > 1;
    // The records of every pair in load order; a later pair's record with the
    // same identity takes the place of the earlier one's.
    std::vector<Match> matches;
    // Looked up by kind and key joined with a zero byte (keys hold none).
    auto joined = [](const std::string& kind, const std::string& key) { return kind + '\0' + key; };
    std::unordered_map<std::string, size_t> placed;
    std::vector<std::string> unmatchedKinds;
    std::set<int> skills;
    std::vector<std::pair<DialogueEntry, int>> dialogueEntries;  // with the pair it comes from
    std::unordered_map<std::string, size_t> dialoguePlaced;

    for (size_t pi = 0; pi < pairs.size(); ++pi) {
        const PluginPair& pair = pairs[pi];
        const Records& fv = pair.fv;
        const Records& ov = pair.ov;
        b.result.pairs.emplace_back();
        b.result.pairs.back().fvName = pair.fvName;
        b.result.pairs.back().ovName = pair.ovName;
        const std::vector<Keyed> fvKeys = KeyRecords(fv);
        const std::vector<Keyed> ovKeys = KeyRecords(ov);

        std::unordered_map<std::string, size_t> ovIndex;  // first occurrence wins
        ovIndex.reserve(ovKeys.size());
        for (const Keyed& k : ovKeys) ovIndex.emplace(joined(k.kind, k.key), k.record);

        std::map<std::string, std::vector<std::string>> fvOnly, ovOnly;
        std::unordered_set<std::string> matched;
        std::unordered_map<std::string, size_t> placedNow;
        PairDialogue dialogue = PairDialogues(fv, ov);

        for (const Keyed& k : fvKeys) {
            std::string id = joined(k.kind, k.key);
            auto it = ovIndex.find(id);
            if (it == ovIndex.end() || !matched.insert(id).second) {
                fvOnly[k.kind].push_back(k.key);
                continue;
            }
            Match m{k.kind, k.key, fv[k.record], ov[it->second], static_cast<int>(pi)};
            // Across pairs, what has no identity but its place goes by its name.
            std::string across = k.key;
            if (k.kind == "PGRD" || (k.kind == "CELL" && k.key.rfind("interior", 0) == 0))
                across = "name " + NameOf(m.fv, "NAME");
            const std::string acrossId = joined(k.kind, across);
            auto at = placed.find(acrossId);
            if (at != placed.end()) {
                ++b.result.pairs[static_cast<size_t>(matches[at->second].pair)].replaced;
                matches[at->second] = std::move(m);
            } else {
                placedNow.emplace(acrossId, matches.size());
                matches.push_back(std::move(m));
            }
        }
        placed.insert(placedNow.begin(), placedNow.end());
        for (const Keyed& k : ovKeys)
            if (!matched.count(joined(k.kind, k.key))) ovOnly[k.kind].push_back(k.key);

        // Topics go by their FV name across pairs, responses by their ID.
        for (DialogueEntry& e : dialogue.entries) {
            const std::string acrossId = joined(e.topic ? "DIAL" : "INFO", e.topic ? e.a : e.key);
            auto at = dialoguePlaced.find(acrossId);
            if (at != dialoguePlaced.end()) {
                ++b.result.pairs[static_cast<size_t>(dialogueEntries[at->second].second)].replaced;
                dialogueEntries[at->second] = {std::move(e), static_cast<int>(pi)};
            } else {
                dialoguePlaced.emplace(acrossId, dialogueEntries.size());
                dialogueEntries.emplace_back(std::move(e), static_cast<int>(pi));
            }
        }
        for (auto& [kind, keys] : dialogue.fvOnly) fvOnly[kind].insert(fvOnly[kind].end(), keys.begin(), keys.end());
        for (auto& [kind, keys] : dialogue.ovOnly) ovOnly[kind].insert(ovOnly[kind].end(), keys.begin(), keys.end());

        PairFigures& figures = b.result.pairs.back();
        figures.fvRecords = static_cast<int>(fvKeys.size()) + dialogue.fvRecords;
        figures.ovRecords = static_cast<int>(ovKeys.size()) + dialogue.ovRecords;
        figures.matched = static_cast<int>(matched.size()) + dialogue.matched;
        figures.warning = PairWarning(pair, figures);

        // A skill dictionary entry for every skill either version defines, so
        // positions stay right.
        for (const auto* side : {&fv, &ov})
            for (size_t i = 1; i < side->size(); ++i)
                if (Type((*side)[i]) == "SKIL") {
                    int32_t k = ReadRecordIndex((*side)[i]);
                    if (k >= 0 && k <= kMaxSkillIndex)
                        skills.insert(k);
                    else
                        b.result.unmatched.push_back("SKIL: skill index " + std::to_string(k) +
                                                     " is out of range and left out");
                }

        std::set<std::string> kinds;
        for (const auto& [kind, keys] : fvOnly) kinds.insert(kind);
        for (const auto& [kind, keys] : ovOnly) kinds.insert(kind);
        const std::string from = several ? FileNamePart(pair.fvName) + " / " + FileNamePart(pair.ovName) + ": " : "";
        const std::string in = several ? " (in " + FileNamePart(pair.fvName) + ")" : "";
        for (const std::string& line : dialogue.ambiguous) b.result.ambiguousTopics.push_back(line + in);
        for (const std::string& line : dialogue.repeats) b.result.conflicts.push_back(line + in);
        for (const std::string& kind : kinds) {
            auto list = [](const std::vector<std::string>& keys) {
                std::string s = std::to_string(keys.size());
                const size_t shown = 5;
                for (size_t i = 0; i < keys.size() && i < shown; ++i) s += (i ? ", " : " (") + keys[i];
                if (!keys.empty()) s += keys.size() > shown ? ", ...)" : ")";
                return s;
            };
            unmatchedKinds.push_back(from + kind + ": only in FV " + list(fvOnly[kind]) + "; only in OV " +
                                     list(ovOnly[kind]));
        }
    }

    for (const Match& m : matches) {
        b.source = m.pair;
        const std::string where =
            m.kind + " " + m.key + (several ? " in " + FileNamePart(pairs[static_cast<size_t>(m.pair)].fvName) : "");
        if (const Translatable* name = NameField(m.kind))
            b.Pair(name->dictionary, NameOf(m.fv, name->sub), NameOf(m.ov, name->sub), where);
        const Translatable& setting = GameSettingField();
        if (m.kind == setting.type) {
            bool fvStr = false, ovStr = false;
            std::string va = DataOf(m.fv, setting.sub, &fvStr), vb = DataOf(m.ov, setting.sub, &ovStr);
            if (fvStr && ovStr) b.Pair(setting.dictionary, va, vb, where);
        } else if (const Translatable* txt = LongTextField(m.kind)) {
            std::string textId = txt->id == IdFrom::Index ? SkillId(ReadRecordIndex(m.fv)) : Identifier(m.fv);
            b.Triple(txt->dictionary, textId, DataOf(m.fv, txt->sub), DataOf(m.ov, txt->sub));
        }
    }
    for (const auto& [e, pi] : dialogueEntries) {
        b.source = pi;
        if (e.topic)
            b.Pair(e.file, e.a, e.b,
                   "DIAL " + e.a + (several ? " in " + FileNamePart(pairs[static_cast<size_t>(pi)].fvName) : ""));
        else
            b.Triple(e.file, e.key, e.a, e.b);
    }
    b.source = -1;

    // Skills: one triple per index from 0 to the highest, in index order:
    // the skill's ID and its display names, which the game keeps in the
    // sSkill... settings.
    {
        std::vector<const Records*> fvs, ovs;
        for (const PluginPair& p : pairs) {
            fvs.push_back(&p.fv);
            ovs.push_back(&p.ov);
        }
        Sink& s = b.At(kSkillDictionary, true);
        int top = skills.empty() ? -1 : *skills.rbegin();
        for (int k = 0; k <= top; ++k) {
            std::string id, a, o;
            if (skills.count(k)) {
                id = SkillId(k);
                a = SettingValue(fvs, SkillSetting(k));
                o = SettingValue(ovs, SkillSetting(k));
            }
            WriteCountedString(s.bytes, id);
            WriteCountedString(s.bytes, a);
            WriteCountedString(s.bytes, o);
            ++s.entries;
        }
    }

    for (const std::string& name : DictionaryFileNames()) {
        Sink& s = b.At(name, IsTripleFile(name));
        b.result.files.push_back({s.name, s.bytes, s.entries, s.triples});
    }
    b.result.unmatched.insert(b.result.unmatched.end(), unmatchedKinds.begin(), unmatchedKinds.end());
    return b.result;
}

}  // namespace qp

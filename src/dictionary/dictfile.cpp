#include "dictionary/dictfile.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "base/bytes.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/files.h"

namespace qp {

bool ReadCountedString(const std::string& buffer, size_t& pos, std::string& text) {
    text.clear();
    if (pos > buffer.size() || buffer.size() - pos < 4) return false;
    int32_t len = GetLe32(buffer.data() + pos);
    if (len < 0 || static_cast<uint64_t>(len) > buffer.size() - pos - 4) return false;
    const char* start = buffer.data() + pos + 4;
    const void* zero = std::memchr(start, 0, static_cast<size_t>(len));
    size_t textLen = zero ? static_cast<size_t>(static_cast<const char*>(zero) - start)
                          : static_cast<size_t>(len);
    text.assign(start, textLen);
    pos += 4 + static_cast<size_t>(len);
    return true;
}

void WriteCountedString(std::string& out, std::string_view text) {
    size_t zero = text.find('\0');
    size_t len = zero == std::string::npos ? text.size() : zero;
    AppendLe32(out, static_cast<int32_t>(len));
    out.append(text.substr(0, len));
}

std::string EncodePair(std::string_view a, std::string_view b) {
    std::string out;
    WriteCountedString(out, a);
    WriteCountedString(out, b);
    return out;
}

void FirstIndex::Reserve(size_t entries) {
    size_t want = 16;
    while (want < entries * 2) want *= 2;
    entries_.reserve(entries);
    if (want <= slots_.size()) return;
    slots_.assign(want, Slot{});
    // The keys are distinct already: each keeps its position.
    for (size_t j = 0; j < entries_.size(); ++j) Place(entries_[j].hash, static_cast<uint32_t>(j));
}

void FirstIndex::Grow() { Reserve(slots_.empty() ? 8 : slots_.size()); }

void FirstIndex::Place(uint32_t hash, uint32_t entry) {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask)
        if (slots_[at].entry == kEmpty) {
            slots_[at] = {hash, entry};
            return;
        }
}

void FirstIndex::Add(std::string_view key, uint32_t i) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const uint32_t h = Hash(key);
    const size_t mask = slots_.size() - 1;
    for (size_t at = h & mask;; at = (at + 1) & mask) {
        Slot& s = slots_[at];
        if (s.entry == kEmpty) {
            s = {h, static_cast<uint32_t>(entries_.size())};
            entries_.push_back({key, i, h});
            return;
        }
        if (s.hash == h && entries_[s.entry].key == key) return;  // the first occurrence stays
    }
}

int FirstIndex::Find(std::string_view key, uint32_t h) const {
    if (slots_.empty()) return -1;
    const size_t mask = slots_.size() - 1;
    for (size_t at = h & mask;; at = (at + 1) & mask) {
        const Slot& s = slots_[at];
        if (s.entry == kEmpty) return -1;
        if (s.hash == h && entries_[s.entry].key == key) return static_cast<int>(entries_[s.entry].index);
    }
}

namespace {

// ReadCountedString without a copy: the text as a view of the buffer.
bool ReadCountedView(std::string_view buffer, size_t& pos, std::string_view& text) {
    if (pos > buffer.size() || buffer.size() - pos < 4) return false;
    int32_t len = GetLe32(buffer.data() + pos);
    if (len < 0 || static_cast<uint64_t>(len) > buffer.size() - pos - 4) return false;
    const char* start = buffer.data() + pos + 4;
    const void* zero = std::memchr(start, 0, static_cast<size_t>(len));
    text = std::string_view(start, zero ? static_cast<size_t>(static_cast<const char*>(zero) - start)
                                        : static_cast<size_t>(len));
    pos += 4 + static_cast<size_t>(len);
    return true;
}

}  // namespace

namespace {

// The names asked of a memory file, in an open-addressing table whose hash
// reads eight bytes at a time and notes a zero byte on the way; the rare
// first name holding a zero (its text ends there) is cut and hashed again.
// Before that, a bit per name's first eight bytes turns most first names of
// the file away at the cost of one load: a text whose first eight bytes hold
// no zero begins with them, so no shorter name and no other beginning can be
// it.
class AskedNames {
public:
    struct Entry {
        std::string_view name;
        std::string_view answer;
        bool met = false;
    };

    explicit AskedNames(const std::vector<std::string_view>& names) {
        size_t want = 16;
        while (want < names.size() * 2) want *= 2;
        slots_.assign(want, Slot{});
        // Eight bits a name: a few in a hundred of the others get past.
        headBits_ = 12;
        while ((size_t{1} << headBits_) < names.size() * 8) ++headBits_;
        heads_.assign((size_t{1} << headBits_) / 64, 0);
        entries_.reserve(names.size());
        of_.reserve(names.size());
        for (std::string_view n : names) {
            bool zero;
            const uint64_t h = Hash(n.data(), n.size(), zero);
            // A text ends at its first zero: no text equals such a name.
            of_.push_back(zero ? kNone : Place(n, h));
            if (!zero && n.size() >= 8) {
                const uint64_t bit = Head(Load<uint64_t>(n.data()));
                heads_[bit / 64] |= uint64_t{1} << (bit % 64);
            }
        }
    }
    size_t Distinct() const { return entries_.size(); }
    size_t IndexOf(const Entry* e) const { return static_cast<size_t>(e - entries_.data()); }
    // The entry of names[i], or nullptr.
    const Entry* Of(size_t i) const { return of_[i] == kNone ? nullptr : &entries_[of_[i]]; }
    // The entry whose name is the text of these counted-string bytes, or nullptr.
    Entry* Find(const char* bytes, size_t size) {
        if (size >= 8) {
            const uint64_t w = Load<uint64_t>(bytes), bit = Head(w);
            if (!ZeroBytes(w) && !(heads_[bit / 64] >> (bit % 64) & 1)) return nullptr;
        }
        bool zero;
        uint64_t h = Hash(bytes, size, zero);
        if (zero) {
            size = static_cast<size_t>(static_cast<const char*>(std::memchr(bytes, 0, size)) - bytes);
            h = Hash(bytes, size, zero);
        }
        const std::string_view text(bytes, size);
        const size_t mask = slots_.size() - 1;
        for (size_t at = h & mask;; at = (at + 1) & mask) {
            const Slot& s = slots_[at];
            if (s.entry == kNone) return nullptr;
            if (s.tag == static_cast<uint32_t>(h >> 32) && entries_[s.entry].name == text) return &entries_[s.entry];
        }
    }

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Slot {
        uint32_t tag = 0;
        uint32_t entry = kNone;
    };

    template <typename Word>
    static uint64_t Load(const char* p) {
        Word w;
        std::memcpy(&w, p, sizeof w);
        return w;
    }
    size_t Head(uint64_t word) const { return (word * 0x9E3779B97F4A7C15ull) >> (64 - headBits_); }
    static uint64_t Mix(uint64_t h, uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 32);
    }
    // Nonzero when one of the word's bytes is zero.
    static uint64_t ZeroBytes(uint64_t w) { return (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull; }
    // Reads only the n bytes at s; the loads of a short tail overlap.
    static uint64_t Hash(const char* s, size_t n, bool& zero) {
        uint64_t h = n, w = 0, zeros = 0;
        if (n >= 8) {
            for (size_t i = 0; i + 8 < n; i += 8) {
                w = Load<uint64_t>(s + i);
                zeros |= ZeroBytes(w);
                h = Mix(h, w);
            }
            w = Load<uint64_t>(s + n - 8);
            zeros |= ZeroBytes(w);
        } else if (n >= 4) {
            w = Load<uint32_t>(s) | Load<uint32_t>(s + n - 4) << 32;
            zeros = ZeroBytes(w);
        } else if (n > 0) {
            const uint64_t a = static_cast<unsigned char>(s[0]), b = static_cast<unsigned char>(s[n / 2]),
                           c = static_cast<unsigned char>(s[n - 1]);
            w = a | b << 8 | c << 16;
            zeros = !a || !b || !c;
        }
        zero = zeros != 0;
        return Mix(h, w);
    }

    uint32_t Place(std::string_view name, uint64_t h) {
        const size_t mask = slots_.size() - 1;
        for (size_t at = h & mask;; at = (at + 1) & mask) {
            Slot& s = slots_[at];
            if (s.entry == kNone) {
                s = {static_cast<uint32_t>(h >> 32), static_cast<uint32_t>(entries_.size())};
                entries_.push_back({name, {}, false});
                return s.entry;
            }
            if (s.tag == static_cast<uint32_t>(h >> 32) && entries_[s.entry].name == name) return s.entry;
        }
    }

    std::vector<Slot> slots_;
    std::vector<uint64_t> heads_;  // a bit per first eight bytes of a name
    int headBits_ = 0;
    std::vector<Entry> entries_;
    std::vector<uint32_t> of_;  // names[i] -> its entry
};

}  // namespace

std::vector<std::optional<std::string>> FirstNamesIn(std::string_view content,
                                                     const std::vector<std::string_view>& names,
                                                     int64_t& damagedAt) {
    damagedAt = -1;
    AskedNames asked(names);
    const char* const data = content.data();
    const size_t size = content.size();
    // The length field of the counted string at this offset, or -1 when the
    // field or the string runs past the end.
    auto counted = [&](size_t at) -> int64_t {
        if (size - at < 4) return -1;
        const int32_t len = GetLe32(data + at);
        return len < 0 || static_cast<uint64_t>(len) > size - at - 4 ? -1 : len;
    };
    // Once every name is met the rest is only walked, for its damage.
    size_t left = asked.Distinct();
    for (size_t pos = 0; pos < size;) {
        const int64_t la = counted(pos);
        const size_t b = la < 0 ? pos : pos + 4 + static_cast<size_t>(la);
        const int64_t lb = la < 0 ? -1 : counted(b);
        if (lb < 0) {
            damagedAt = static_cast<int64_t>(pos);
            break;
        }
        if (left)
            if (auto* e = asked.Find(data + pos + 4, static_cast<size_t>(la)); e && !e->met) {
                const char* s = data + b + 4;
                const void* zero = std::memchr(s, 0, static_cast<size_t>(lb));
                e->answer = std::string_view(s, zero ? static_cast<size_t>(static_cast<const char*>(zero) - s)
                                                     : static_cast<size_t>(lb));
                e->met = true;
                --left;
            }
        pos = b + 4 + static_cast<size_t>(lb);
    }
    std::vector<std::optional<std::string>> found(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        if (const auto* e = asked.Of(i); e && e->met) found[i] = std::string(e->answer);
    return found;
}

PairFile ParsePairFile(std::string content) {
    PairFile f;
    auto bytes = std::make_shared<const std::string>(std::move(content));
    f.storage.push_back(bytes);
    const std::string_view buffer = *bytes;
    // Names are seldom shorter than a dozen bytes: this sizes the indexes
    // once for the whole file.
    f.pairs.reserve(buffer.size() / 40);
    f.firstA.Reserve(buffer.size() / 40);
    f.firstB.Reserve(buffer.size() / 40);
    size_t pos = 0;
    while (pos < buffer.size()) {
        size_t start = pos;
        std::string_view a, b;
        if (!ReadCountedView(buffer, pos, a) || !ReadCountedView(buffer, pos, b)) {
            f.damagedAt = static_cast<int64_t>(start);
            break;
        }
        uint32_t i = static_cast<uint32_t>(f.pairs.size());
        f.firstA.Add(a, i);
        f.firstB.Add(b, i);
        f.pairs.emplace_back(a, b);
    }
    return f;
}

TripleFile ParseTripleFile(const std::string& content) {
    TripleFile f;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t start = pos;
        std::array<std::string, 3> t;
        if (!ReadCountedString(content, pos, t[0]) || !ReadCountedString(content, pos, t[1]) ||
            !ReadCountedString(content, pos, t[2])) {
            f.damagedAt = static_cast<int64_t>(start);
            break;
        }
        f.firstKey.emplace(t[0], static_cast<uint32_t>(f.triples.size()));
        f.triples.push_back(std::move(t));
    }
    return f;
}

int FindPairAOrB(const PairFile& f, std::string_view name, bool& secondMatched) {
    secondMatched = false;
    const uint32_t h = FirstIndex::Hash(name);
    int ia = f.firstA.Find(name, h);
    int ib = f.firstB.Find(name, h);
    if (ia < 0 && ib < 0) return -1;
    int i = (ia < 0) ? ib : (ib < 0 ? ia : std::min(ia, ib));
    secondMatched = (i == ib);
    return i;
}

int FindPairA(const PairFile& f, std::string_view text) { return f.firstA.Find(text); }

int FindTriple(const TripleFile& f, const std::string& key) {
    auto k = f.firstKey.find(key);
    return k == f.firstKey.end() ? -1 : static_cast<int>(k->second);
}

struct DictionaryCache {
    // Looked up by the names the callers hold, without making strings of them.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    bool inCommand = false;
    std::unordered_map<std::string, std::shared_ptr<const PairFile>, NameHash, std::equal_to<>> pairs;
    std::unordered_map<std::string, std::shared_ptr<const TripleFile>> triples;
    std::vector<DictionaryProblem> problems;
};

namespace {

// Either thread opens dictionaries (Load and Save on the worker, the text
// edit dialog on the main thread).
std::mutex gCacheMutex;

// The cache, made on first use; the caller holds gCacheMutex.
DictionaryCache& Cache() {
    if (!gWs.dictionaries) gWs.dictionaries = std::make_shared<DictionaryCache>();
    return *gWs.dictionaries;
}

// Only a name with nothing behind it (not even a link to nothing) is a
// missing dictionary.
bool NothingAt(const std::string& path) { return KindOfPath(path) == PathKind::Nothing; }

// Reads the file, creating it empty when missing; records problems.
std::string LoadContent(const std::string& name, int64_t& size, bool createMissing) {
    std::string path = ResolvePath(name);
    std::string content, err;
    size = 0;
    // Only a name with nothing behind it is a missing dictionary; a folder,
    // a pipe or a loop of links in its place is one that cannot be read.
    std::string why;
    const PathKind kind = KindOfPath(path, &why);
    if (kind == PathKind::Nothing) {
        if (createMissing && gWs.env.createMissingDictionaries) CreateIfMissing(path);
        return content;
    }
    if (kind == PathKind::Unknown)
        err = "cannot open for reading (" + why + ")";
    else if (kind != PathKind::File)
        err = kind == PathKind::Folder ? "cannot open for reading (it is a folder)"
                                       : "cannot open for reading (not a regular file)";
    if (!err.empty() || !ReadWholeFile(path, content, &err)) {
        DictionaryProblem p;
        p.name = name;
        p.unreadable = true;
        p.reason = err;
        Cache().problems.push_back(p);
        content.clear();
    }
    size = static_cast<int64_t>(content.size());
    return content;
}

void NoteDamage(const std::string& name, int64_t at) {
    if (at < 0) return;
    for (const auto& p : Cache().problems)
        if (p.name == name && !p.unreadable) return;
    DictionaryProblem p;
    p.name = name;
    p.damagedAt = at;
    p.reason = "damaged at byte " + std::to_string(at);
    Cache().problems.push_back(p);
}

}  // namespace

bool DictionaryPresent(const std::string& name) { return !NothingAt(ResolvePath(name)); }

std::vector<std::optional<std::string>> FindFirstNames(const std::string& name,
                                                       const std::vector<std::string_view>& names) {
    if (names.empty() || NothingAt(ResolvePath(name))) return std::vector<std::optional<std::string>>(names.size());
    std::string content;
    {
        std::lock_guard<std::mutex> lock(gCacheMutex);
        int64_t size;
        content = LoadContent(name, size, false);
    }
    int64_t damagedAt = -1;
    auto found = FirstNamesIn(content, names, damagedAt);
    if (damagedAt >= 0) {
        std::lock_guard<std::mutex> lock(gCacheMutex);
        NoteDamage(name, damagedAt);
    }
    return found;
}

void FindFirstTriples(const std::string& name, const std::vector<std::string_view>& keys,
                      const std::function<void(size_t, std::string_view, std::string_view)>& found,
                      bool createMissing) {
    if (keys.empty()) return;
    FileReader in;
    {
        // Missing, unreadable or not a file: as a whole read would find it.
        std::lock_guard<std::mutex> lock(gCacheMutex);
        const std::string path = ResolvePath(name);
        if (KindOfPath(path) != PathKind::File) {
            int64_t size;
            LoadContent(name, size, createMissing);
            return;
        }
        std::string err;
        if (!in.Open(path, &err)) {
            Cache().problems.push_back({name, true, -1, err});
            return;
        }
    }
    AskedNames asked(keys);
    // The keys of each asked text, in a chain: a plugin may hold an ID twice.
    std::vector<uint32_t> firstKey(asked.Distinct(), UINT32_MAX), nextKey(keys.size(), UINT32_MAX);
    for (size_t i = keys.size(); i-- > 0;)
        if (const auto* e = asked.Of(i)) {
            const size_t x = asked.IndexOf(e);
            nextKey[i] = firstKey[x];
            firstKey[x] = static_cast<uint32_t>(i);
        }
    // The file goes through one piece of memory, a triple at a time handed
    // over while its bytes are there: a large file is not held whole.
    const int64_t total = in.Size();
    std::string piece;
    size_t at = 0;       // the next triple's offset in piece
    int64_t base = 0;    // piece[0]'s offset in the file
    int64_t read = 0;
    std::string err;
    bool failed = false;
    auto have = [&](size_t need) {
        if (piece.size() - at >= need) return true;
        piece.erase(0, at);
        base += static_cast<int64_t>(at);
        at = 0;
        while (piece.size() < need && read < total && !failed) {
            const size_t chunk = static_cast<size_t>(
                std::min<int64_t>(total - read, std::max<int64_t>(static_cast<int64_t>(need - piece.size()), 1 << 20)));
            const size_t old = piece.size();
            piece.resize(old + chunk);
            failed = !in.Read(piece.data() + old, chunk, &err);
            read += static_cast<int64_t>(chunk);
        }
        return !failed && piece.size() - at >= need;
    };
    // The length of the counted string at offset o of the triple, or -1
    // when it or its text runs past the end of the file.
    auto counted = [&](size_t o) -> int64_t {
        if (!have(o + 4)) return -1;
        const int32_t len = GetLe32(piece.data() + at + o);
        const int64_t left = total - base - static_cast<int64_t>(at + o) - 4;
        return len < 0 || len > left || !have(o + 4 + static_cast<size_t>(len)) ? -1 : len;
    };
    int64_t damagedAt = -1;
    size_t left = asked.Distinct();
    // Walked to its end, for its damage, as a whole read would be.
    while (have(1)) {
        const int64_t la = counted(0);
        const size_t b = la < 0 ? 0 : 4 + static_cast<size_t>(la);
        const int64_t lb = la < 0 ? -1 : counted(b);
        const size_t c = lb < 0 ? b : b + 4 + static_cast<size_t>(lb);
        const int64_t lc = lb < 0 ? -1 : counted(c);
        if (lc < 0) {
            damagedAt = base + static_cast<int64_t>(at);
            break;
        }
        const char* t = piece.data() + at;
        if (auto* e = left ? asked.Find(t + 4, static_cast<size_t>(la)) : nullptr; e && !e->met) {
            e->met = true;
            --left;
            for (uint32_t k = firstKey[asked.IndexOf(e)]; k != UINT32_MAX; k = nextKey[k])
                found(k, std::string_view(t + b + 4, static_cast<size_t>(lb)),
                      std::string_view(t + c + 4, static_cast<size_t>(lc)));
        }
        at += c + 4 + static_cast<size_t>(lc);
    }
    std::lock_guard<std::mutex> lock(gCacheMutex);
    if (failed) Cache().problems.push_back({name, true, -1, err});
    else NoteDamage(name, damagedAt);
}


std::shared_ptr<const PairFile> OpenPairFile(std::string_view name, bool createMissing) {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    if (Cache().inCommand) {
        auto it = Cache().pairs.find(name);
        if (it != Cache().pairs.end()) return it->second;
    }
    const std::string key(name);
    int64_t size;
    auto f = std::make_shared<PairFile>(ParsePairFile(LoadContent(key, size, createMissing)));
    NoteDamage(key, f->damagedAt);
    if (Cache().inCommand) Cache().pairs[key] = f;
    return f;
}

std::shared_ptr<const TripleFile> OpenTripleFile(const std::string& name, bool createMissing) {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    if (Cache().inCommand) {
        auto it = Cache().triples.find(name);
        if (it != Cache().triples.end()) return it->second;
    }
    int64_t size;
    auto f = std::make_shared<TripleFile>(ParseTripleFile(LoadContent(name, size, createMissing)));
    NoteDamage(name, f->damagedAt);
    if (Cache().inCommand) Cache().triples[name] = f;
    return f;
}

void BeginDictionaryCommand() {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    Cache().inCommand = true;
    Cache().pairs.clear();
    Cache().triples.clear();
    Cache().problems.clear();
}

void EndDictionaryCommand() {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    Cache().inCommand = false;
    Cache().pairs.clear();
    Cache().triples.clear();
}

void ForgetDictionaryFile(const std::string& name) {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    Cache().pairs.erase(name);
    Cache().triples.erase(name);
}

std::vector<DictionaryProblem> TakeDictionaryProblems() {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    std::vector<DictionaryProblem> out;
    out.swap(Cache().problems);
    return out;
}

Notice DamagedDictionaryNotice(const DictionaryProblem& p) {
    if (p.name == kMemoryFile || p.name == kMemoryTextFile)
        return {"INFORMATION",
                "THE MEMORY FILE " + p.name + " IS DAMAGED AT BYTE " + std::to_string(p.damagedAt) +
                    ".\rWHAT CAME BEFORE WAS USED; THE NEXT SAVE WRITES IT WHOLE AGAIN.",
                Icon::Information};
    return {"INFORMATION",
            "THE DICTIONARY FILE " + p.name + " IS DAMAGED AT BYTE " + std::to_string(p.damagedAt) +
                ".\rTHE REST OF IT WAS IGNORED.",
            Icon::Information};
}

}  // namespace qp

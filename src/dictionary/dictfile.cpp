#include "dictionary/dictfile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
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
bool NothingAt(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    return link.type() == fs::file_type::not_found ||
           (fs::is_symlink(link) && fs::status(path, ec).type() == fs::file_type::not_found);
}

// Reads the file, creating it empty when missing; records problems.
std::string LoadContent(const std::string& name, int64_t& size, bool createMissing) {
    std::string path = ResolvePath(name);
    std::string content, err;
    size = 0;
    // Only a name with nothing behind it is a missing dictionary; a folder,
    // a pipe or a loop of links in its place is one that cannot be read.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status target = fs::status(path, ec);
    if (NothingAt(path)) {
        if (createMissing && gWs.env.createMissingDictionaries) CreateIfMissing(path);
        return content;
    }
    if (ec)
        err = "cannot open for reading (" + ec.message() + ")";
    else if (!fs::is_regular_file(target))
        err = fs::is_directory(target) ? "cannot open for reading (it is a folder)"
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
    std::vector<std::optional<std::string>> found(names.size());
    if (names.empty() || NothingAt(ResolvePath(name))) return found;
    std::string content;
    {
        std::lock_guard<std::mutex> lock(gCacheMutex);
        int64_t size;
        content = LoadContent(name, size, false);
    }
    // name -> the second name of its first pair, once met
    std::unordered_map<std::string_view, std::optional<std::string_view>> wanted;
    wanted.reserve(names.size());
    for (std::string_view n : names) wanted.emplace(n, std::nullopt);
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t start = pos;
        std::string_view a, b;
        if (!ReadCountedView(content, pos, a) || !ReadCountedView(content, pos, b)) {
            std::lock_guard<std::mutex> lock(gCacheMutex);
            NoteDamage(name, static_cast<int64_t>(start));
            break;
        }
        auto it = wanted.find(a);
        if (it != wanted.end() && !it->second) it->second = b;
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (const auto& b = wanted[names[i]]) found[i] = std::string(*b);
    return found;
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

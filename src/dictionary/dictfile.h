// Dictionary files: counted strings arranged as pairs (name before, name
// after) or triples (ID, text, translated text). A search always answers as a
// read from the first record would: the first match wins and replacements
// never chain. While a command runs, each file is parsed once and indexed;
// the index is dropped when the command ends or the file is written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/notice.h"

namespace qp {

// Reads one counted string at pos: an int32 length and that many bytes; the
// text ends at its first zero byte. Returns false, leaving text empty, when
// the length is negative or runs past the end of the buffer.
bool ReadCountedString(const std::string& buffer, size_t& pos, std::string& text);
// Appends the text's length (up to its first zero byte) and those bytes.
void WriteCountedString(std::string& out, std::string_view text);
// A pair as its file bytes.
std::string EncodePair(std::string_view a, std::string_view b);

// The first position of every key among a list of strings: what a scan from
// the first entry would meet first. Open addressing over one array; the keys
// are views of strings kept elsewhere.
class FirstIndex {
public:
    // Records key at index i unless an earlier entry already holds it.
    void Add(std::string_view key, uint32_t i);
    // The first index of key, or -1.
    int Find(std::string_view key) const { return Find(key, Hash(key)); }
    int Find(std::string_view key, uint32_t hash) const;
    static uint32_t Hash(std::string_view key) {
        return static_cast<uint32_t>(std::hash<std::string_view>{}(key));
    }
    void Reserve(size_t entries);

private:
    // The table holds small slots; the keys lie in entries_, in the order
    // they came, so that a large file's index costs little to make.
    struct Slot {
        uint32_t hash = 0;
        uint32_t entry = kEmpty;
    };
    struct Entry {
        std::string_view key;
        uint32_t index;
        uint32_t hash;
    };
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    void Grow();
    void Place(uint32_t hash, uint32_t entry);
    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
};

// The strings of a pair file are views of the file's bytes, which the
// PairFile keeps (a chained dictionary keeps those of every part).
struct PairFile {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    FirstIndex firstA;  // first pair whose A is the key
    FirstIndex firstB;  // first pair whose B is the key
    int64_t damagedAt = -1;  // offset where the content stopped parsing, or -1
    std::vector<std::shared_ptr<const std::string>> storage;
};

struct TripleFile {
    std::vector<std::array<std::string, 3>> triples;
    std::unordered_map<std::string, uint32_t> firstKey;  // by string 1
    int64_t damagedAt = -1;
};

// Parses a whole file's content; everything from the first record that does
// not parse onwards is left out.
PairFile ParsePairFile(std::string content);
TripleFile ParseTripleFile(const std::string& content);

// The first pair whose A or whose B equals name, as a scan from the start
// meets it; -1 when none. secondMatched tells that B equals name.
int FindPairAOrB(const PairFile& f, std::string_view name, bool& secondMatched);
// The first pair whose A equals text; -1 when none.
int FindPairA(const PairFile& f, std::string_view text);
// The first triple whose string 1 equals key; -1 when none.
int FindTriple(const TripleFile& f, const std::string& key);

// Opens a dictionary file by its program-relative name ("data\Celldata.dat"),
// creating it empty when missing (unless the environment says to leave the
// program directory as it is). A file that exists but cannot be read (a
// folder, a pipe, a link that leads nowhere but round) is reported through
// DictionaryProblems and behaves as empty.
// With createMissing false a missing file stays missing (the memory files).
std::shared_ptr<const PairFile> OpenPairFile(std::string_view name, bool createMissing = true);
std::shared_ptr<const TripleFile> OpenTripleFile(const std::string& name, bool createMissing = true);
// For each name, the second name of the first pair whose first name it is,
// or nothing: one pass over the file however many names are asked, and no
// index kept (the memory, large, is asked only what nothing else knew). A
// missing file is not made; damage is noted as in the files above.
std::vector<std::optional<std::string>> FindFirstNames(const std::string& name,
                                                       const std::vector<std::string_view>& names);
// The same over a file's content, read in place: only the asked names are
// indexed, and the file's strings are neither copied nor indexed. damagedAt
// is the offset where the pairs stopped parsing, or -1.
std::vector<std::optional<std::string>> FirstNamesIn(std::string_view content,
                                                     const std::vector<std::string_view>& names,
                                                     int64_t& damagedAt);
// For each key, the second and third strings of the first triple whose
// first string it is, handed to found(key index, second, third) while the
// file is read: one pass, no index kept, nothing copied (the long-text files
// of responses are large and a load asks them every INFO at once). A key
// holding a zero byte finds nothing. A missing file is created empty as by
// OpenTripleFile; damage and unreadable files are noted as there.
void FindFirstTriples(const std::string& name, const std::vector<std::string_view>& keys,
                      const std::function<void(size_t, std::string_view, std::string_view)>& found,
                      bool createMissing = true);
// Whether something stands at a dictionary's name, a file or what cannot be
// read as one: what the two above read instead of creating it.
bool DictionaryPresent(const std::string& name);

// A command's lifetime for the indexes (Load, Save, Save as, the batch tool).
void BeginDictionaryCommand();
void EndDictionaryCommand();
// Drops the parsed copy of a file that has just been written.
void ForgetDictionaryFile(const std::string& name);

struct DictionaryProblem {
    std::string name;    // program-relative name
    bool unreadable = false;
    int64_t damagedAt = -1;
    std::string reason;
};
// Problems met since the last call; clears the list.
std::vector<DictionaryProblem> TakeDictionaryProblems();
// What the user is told of a file read only up to its damage.
Notice DamagedDictionaryNotice(const DictionaryProblem& p);

}  // namespace qp

// Dictionary files: counted strings arranged as pairs (name before, name
// after) or triples (ID, text, translated text). A search always answers as a
// read from the first record would: the first match wins and replacements
// never chain. While a command runs, each file is parsed once and indexed;
// the index is dropped when the command ends or the file is written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qp {

// Reads one counted string at pos: an int32 length and that many bytes; the
// text ends at its first zero byte. Returns false, leaving text empty, when
// the length is negative or runs past the end of the buffer.
bool ReadCountedString(const std::string& buffer, size_t& pos, std::string& text);
// Appends the text's length (up to its first zero byte) and those bytes.
void WriteCountedString(std::string& out, const std::string& text);
// A pair as its file bytes.
std::string EncodePair(const std::string& a, const std::string& b);

struct PairFile {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::unordered_map<std::string, uint32_t> firstA;  // first pair whose A is the key
    std::unordered_map<std::string, uint32_t> firstB;  // first pair whose B is the key
    int64_t damagedAt = -1;  // offset where the content stopped parsing, or -1
};

struct TripleFile {
    std::vector<std::array<std::string, 3>> triples;
    std::unordered_map<std::string, uint32_t> firstKey;  // by string 1
    int64_t damagedAt = -1;
};

// Parses a whole file's content; everything from the first record that does
// not parse onwards is left out.
PairFile ParsePairFile(const std::string& content);
TripleFile ParseTripleFile(const std::string& content);

// The first pair whose A or whose B equals name, as a scan from the start
// meets it; -1 when none. secondMatched tells that B equals name.
int FindPairAOrB(const PairFile& f, const std::string& name, bool& secondMatched);
// The first pair whose A equals text; -1 when none.
int FindPairA(const PairFile& f, const std::string& text);
// The first triple whose string 1 equals key; -1 when none.
int FindTriple(const TripleFile& f, const std::string& key);

// Opens a dictionary file by its program-relative name ("data\Celldata.dat"),
// creating it empty when missing. A file that exists but cannot be read is
// reported through DictionaryProblems and behaves as empty.
std::shared_ptr<const PairFile> OpenPairFile(const std::string& name);
std::shared_ptr<const TripleFile> OpenTripleFile(const std::string& name);

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

}  // namespace qp

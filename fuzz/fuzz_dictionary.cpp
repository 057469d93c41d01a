// Pair and triple files from arbitrary bytes, and the searches on them. The
// indexed searches must answer exactly as a scan from the first record would,
// and whatever was parsed must survive being written and read again.
#include <string>
#include <string_view>

#include "dictionary/dictfile.h"
#include "fuzz_support.h"

namespace {

// A pair whose two names are equal counts as matched in its second name.
int ScanAOrB(const qp::PairFile& f, std::string_view name, bool& second) {
    second = false;
    for (size_t i = 0; i < f.pairs.size(); ++i) {
        second = f.pairs[i].second == name;
        if (second || f.pairs[i].first == name) return static_cast<int>(i);
    }
    return -1;
}

int ScanA(const qp::PairFile& f, std::string_view name) {
    for (size_t i = 0; i < f.pairs.size(); ++i)
        if (f.pairs[i].first == name) return static_cast<int>(i);
    return -1;
}

int ScanTriple(const qp::TripleFile& f, const std::string& key) {
    for (size_t i = 0; i < f.triples.size(); ++i)
        if (f.triples[i][0] == key) return static_cast<int>(i);
    return -1;
}

void CheckPairSearch(const qp::PairFile& f, std::string_view name) {
    bool second = false, expectedSecond = false;
    int i = qp::FindPairAOrB(f, name, second);
    QFUZZ_CHECK(i == ScanAOrB(f, name, expectedSecond));
    QFUZZ_CHECK(i < 0 || second == expectedSecond);
    QFUZZ_CHECK(qp::FindPairA(f, name) == ScanA(f, name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    qp::PairFile pairs = qp::ParsePairFile(input);
    QFUZZ_CHECK(pairs.damagedAt < static_cast<int64_t>(input.size()));
    std::string rewritten;
    for (const auto& [a, b] : pairs.pairs) rewritten += qp::EncodePair(a, b);
    qp::PairFile again = qp::ParsePairFile(rewritten);
    QFUZZ_CHECK(again.damagedAt == -1 && again.pairs == pairs.pairs);

    // Every name the file holds, a slice of the input and a name never there.
    const size_t limit = 64;
    for (size_t i = 0; i < pairs.pairs.size() && i < limit; ++i) {
        CheckPairSearch(pairs, pairs.pairs[i].first);
        CheckPairSearch(pairs, pairs.pairs[i].second);
    }
    CheckPairSearch(pairs, input.substr(size / 3, size / 4));
    CheckPairSearch(pairs, std::string("\xff never a name", 15));

    qp::TripleFile triples = qp::ParseTripleFile(input);
    QFUZZ_CHECK(triples.damagedAt < static_cast<int64_t>(input.size()));
    std::string tripleBytes;
    for (const auto& t : triples.triples)
        for (const auto& s : t) qp::WriteCountedString(tripleBytes, s);
    qp::TripleFile triplesAgain = qp::ParseTripleFile(tripleBytes);
    QFUZZ_CHECK(triplesAgain.damagedAt == -1 && triplesAgain.triples == triples.triples);
    for (size_t i = 0; i < triples.triples.size() && i < limit; ++i)
        QFUZZ_CHECK(qp::FindTriple(triples, triples.triples[i][0]) ==
                    ScanTriple(triples, triples.triples[i][0]));
    QFUZZ_CHECK(qp::FindTriple(triples, input.substr(size / 2)) ==
                ScanTriple(triples, input.substr(size / 2)));

    // A counted string read from any offset stays inside the buffer.
    for (size_t pos = 0; pos <= size && pos < 32; ++pos) {
        size_t p = pos;
        std::string text;
        if (qp::ReadCountedString(input, p, text)) {
            QFUZZ_CHECK(p <= input.size() && p >= pos + 4 + text.size());
        } else {
            QFUZZ_CHECK(p == pos && text.empty());
        }
    }
    return 0;
}

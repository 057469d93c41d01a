#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "dictionary/dictfile.h"
#include "test_support.h"

using namespace qt_test;

namespace {

std::string Counted(int32_t length, const std::string& bytes) { return Int32(length) + bytes; }

}  // namespace

TEST(CountedString, TextEndsAtTheFirstZeroAndTheReadConsumesTheRest) {
    // what, buffer, ok, text, position after the read
    const std::tuple<const char*, std::string, bool, std::string, size_t> cases[] = {
        {"plain", Counted(3, "abc") + "next", true, "abc", 7},
        {"zero inside", Counted(5, std::string("ab\0cd", 5)) + "next", true, "ab", 9},
        {"zero first", Counted(2, std::string("\0x", 2)), true, "", 6},
        {"empty", Counted(0, ""), true, "", 4},
        {"negative length", Counted(-1, "abcd"), false, "", 0},
        {"length past the end", Counted(5, "abcd"), false, "", 0},
        {"length field cut", std::string("\3\0", 2), false, "", 0},
        {"nothing left", "", false, "", 0},
        {"huge length", Counted(INT32_MAX, "abc"), false, "", 0},
    };
    for (const auto& [what, buffer, ok, expected, after] : cases) {
        size_t pos = 0;
        std::string text = "left over";
        const bool read = qp::ReadCountedString(buffer, pos, text);
        EXPECT_EQ(std::tie(read, text, pos), std::tie(ok, expected, after)) << what;
    }
    size_t pos = 100;
    std::string text;
    EXPECT_FALSE(qp::ReadCountedString("abc", pos, text)) << "position past the end";
    // Writing stops at the first zero too.
    const std::pair<std::string, std::string> writes[] = {
        {"abc", Counted(3, "abc")}, {std::string("ab\0cd", 5), Counted(2, "ab")},
        {std::string("\0", 1), Counted(0, "")}, {"\xE9t\xE9", Counted(3, "\xE9t\xE9")}};
    for (const auto& [text, bytes] : writes) {
        std::string out = "X";
        qp::WriteCountedString(out, text);
        EXPECT_EQ(out, "X" + bytes);
    }
    EXPECT_EQ(qp::EncodePair("P", "QR"), Pairs({{"P", "QR"}}));
}

TEST(PairFile, FirstMatchWinsAndDamageEndsTheSearch) {
    const std::string good = Pairs({{"X", "Y"}, {"X", "Z"}, {"Y", "W"}, {"K", "X"}});
    // How a string can be damaged is the counted-string test's: here, where.
    const std::pair<const char*, std::string> cases[] = {
        {"intact", good},
        {"damaged A", good + Counted(4, "MM")},
        {"ends after A", good + Counted(2, "MM")},
        {"damaged B", good + Counted(2, "MM") + Counted(-1, "V")},
        {"damage first", Counted(2, "MM") + Counted(-1, "") + good},
    };
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        const bool intact = content == good, first = content.rfind(good, 0) != 0;
        qp::PairFile f = qp::ParsePairFile(content);
        // Index of the first pair holding the name, and which half matched.
        auto find = [&](const std::string& n) {
            bool second = true;
            const int i = qp::FindPairAOrB(f, n, second);
            return std::to_string(i) + (second ? "B" : "A") + std::to_string(qp::FindPairA(f, n));
        };
        ASSERT_EQ(f.pairs.size(), first ? 0u : 4u);
        EXPECT_EQ(f.damagedAt, intact ? -1 : first ? 0 : static_cast<int64_t>(good.size()));
        // "MM" was never a complete pair: neither its A nor a stale B matches.
        EXPECT_EQ(find("MM"), "-1A-1");
        if (first) continue;
        // (X, Y) before (X, Z); the B of the first pair comes before a later A.
        EXPECT_EQ(find("X") + " " + find("Y"), "0A0 0B2");
        for (const char* miss : {"x", "X ", " X", "", "W "}) EXPECT_EQ(find(miss), "-1A-1") << miss;
    }
}

// The indexes must answer exactly what a scan from the first pair answers;
// a damaged entry ends a file of pairs or of triples.
TEST(DictionaryFiles, IndexedSearchesAgreeWithASequentialScan) {
    std::mt19937 rng(20240611);
    // A tiny alphabet, empty strings and a zero byte make duplicates,
    // A = B pairs and A-of-one = B-of-another the normal case.
    // Names of eight bytes and more, one with a zero past its eighth, for
    // the memory's search, which reads names eight bytes at a time.
    const std::vector<std::string> words = {"", "a", "b", "ab", "ba", "aa", "A",
                                            std::string("a\0b", 3), "abcdefgh", "abcdefghijklmnopq",
                                            std::string("abcdefghij\0kl", 13), "abcdefg"};
    auto cut = [](const std::string& s) { return s.substr(0, s.find('\0')); };
    auto pick = [&] { return words[rng() % words.size()]; };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<std::string, std::string>> pairs;
        std::vector<std::vector<std::string>> triples;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            std::string a = pick(), b = rng() % 4 == 0 ? a : pick();
            pairs.emplace_back(a, b);
            triples.push_back({a, b, pick()});
        }
        std::string tail;
        if (round % 3 == 0) tail = Counted(1, "a") + Counted(round % 2 ? -1 : 99, "b");
        qp::PairFile pf = qp::ParsePairFile(Pairs(pairs) + tail);
        const std::string triplesBytes = Triples(triples);
        qp::TripleFile tf = qp::ParseTripleFile(triplesBytes + tail);
        ASSERT_EQ(pf.pairs.size(), pairs.size());
        ASSERT_EQ(tf.triples.size(), triples.size());
        ASSERT_EQ(tf.damagedAt, tail.empty() ? -1 : static_cast<int64_t>(triplesBytes.size()));
        std::vector<std::string_view> asked(words.begin(), words.end());
        int64_t damagedAt = 0;
        const auto firstNames = qp::FirstNamesIn(Pairs(pairs) + tail, asked, damagedAt);
        ASSERT_EQ(damagedAt, pf.damagedAt);
        for (size_t w = 0; w < words.size(); ++w) {
            // A name holding a zero is no text; the others get the B of their first A.
            const int i = words[w].find('\0') == std::string::npos ? qp::FindPairA(pf, words[w]) : -1;
            ASSERT_EQ(firstNames[w], i < 0 ? std::nullopt : std::optional<std::string>(pf.pairs[i].second))
                << round << " " << w;
        }
        for (const std::string& raw : words) {
            const std::string name = cut(raw);
            SCOPED_TRACE(std::to_string(round) + " '" + name + "'");
            int scanAOrB = -1, scanA = -1, scanTriple = -1;
            bool scanSecond = false;
            for (int i = n - 1; i >= 0; --i) {  // backwards: the first match stays
                const std::string a = cut(pairs[i].first), b = cut(pairs[i].second);
                if (a == name || b == name) { scanAOrB = i; scanSecond = b == name; }
                if (a == name) scanA = i;
                if (cut(triples[i][0]) == name) scanTriple = i;
            }
            bool second = false;
            const int aOrB = qp::FindPairAOrB(pf, name, second);
            ASSERT_EQ(std::tie(aOrB, second), std::tie(scanAOrB, scanSecond));
            ASSERT_EQ(qp::FindPairA(pf, name), scanA);
            ASSERT_EQ(qp::FindTriple(tf, name), scanTriple);
        }
    }
}

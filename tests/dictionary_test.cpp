#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "app/globals.h"
#include "dictionary/dictfile.h"
#include "test_support.h"

using namespace qt_test;

namespace {

std::string Counted(int32_t length, const std::string& bytes) { return Int32(length) + bytes; }

}  // namespace

TEST(CountedString, ReadTakesTextUpToFirstZeroAndConsumesTheRest) {
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
        EXPECT_EQ(qp::ReadCountedString(buffer, pos, text), ok) << what;
        EXPECT_EQ(text, expected) << what;
        EXPECT_EQ(pos, after) << what;
    }
    size_t pos = 100;
    std::string text;
    EXPECT_FALSE(qp::ReadCountedString("abc", pos, text)) << "position past the end";
}

TEST(CountedString, WriteStopsAtFirstZero) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc", Counted(3, "abc")}, {std::string("ab\0cd", 5), Counted(2, "ab")},
        {std::string("\0", 1), Counted(0, "")}, {"\xE9t\xE9", Counted(3, "\xE9t\xE9")}};
    for (const auto& [text, bytes] : cases) {
        std::string out = "X";
        qp::WriteCountedString(out, text);
        EXPECT_EQ(out, "X" + bytes);
    }
    EXPECT_EQ(qp::EncodePair("P", "QR"), Pairs({{"P", "QR"}}));
}

TEST(PairFile, FirstMatchWinsAndDamageEndsTheSearch) {
    const std::string good = Pairs({{"X", "Y"}, {"X", "Z"}, {"Y", "W"}, {"K", "X"}});
    const std::pair<const char*, std::string> cases[] = {
        {"intact", good},
        {"ends inside the length of A", good + std::string("\1\0", 2)},
        {"ends inside A", good + Counted(4, "MM")},
        {"ends after A", good + Counted(2, "MM")},
        {"ends inside B", good + Counted(2, "MM") + Counted(5, "abc")},
        {"negative length of A", good + Counted(-2, "") + Counted(1, "V")},
        {"negative length of B", good + Counted(2, "MM") + Counted(-1, "V")},
        {"B longer than the rest", good + Counted(2, "MM") + Counted(1000, "V")},
        {"damage first", Counted(2, "MM") + Counted(-1, "") + good},
    };
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        const bool intact = content == good, first = content.rfind(good, 0) != 0;
        qp::PairFile f = qp::ParsePairFile(content);
        ASSERT_EQ(f.pairs.size(), first ? 0u : 4u);
        EXPECT_EQ(f.damagedAt, intact ? -1 : first ? 0 : static_cast<int64_t>(good.size()));
        // "MM" was never a complete pair: neither its A nor a stale B matches.
        bool second = true;
        EXPECT_EQ(qp::FindPairAOrB(f, "MM", second), -1);
        EXPECT_FALSE(second);
        EXPECT_EQ(qp::FindPairA(f, "MM"), -1);
        if (first) continue;
        EXPECT_EQ(qp::FindPairA(f, "X"), 0) << "(X, Y) before (X, Z)";
        EXPECT_EQ(qp::FindPairA(f, "Y"), 2) << "an A that is a B elsewhere";
        EXPECT_EQ(qp::FindPairAOrB(f, "Y", second), 0) << "B of the first pair comes first";
        EXPECT_TRUE(second);
        EXPECT_EQ(qp::FindPairAOrB(f, "X", second), 0);
        EXPECT_FALSE(second);
        for (const char* miss : {"x", "X ", " X", "", "W "}) {
            EXPECT_EQ(qp::FindPairAOrB(f, miss, second), -1) << "'" << miss << "'";
            EXPECT_EQ(qp::FindPairA(f, miss), -1) << "'" << miss << "'";
        }
    }
}

TEST(TripleFile, FirstKeyWinsAndDamageEndsTheSearch) {
    const std::string good = Triples({{"id", "a", "first"}, {"id", "b", "second"}, {"x", "", ""}});
    qp::TripleFile f = qp::ParseTripleFile(good + Counted(2, "zz") + Counted(1, "q"));
    ASSERT_EQ(f.triples.size(), 3u);
    EXPECT_EQ(f.damagedAt, static_cast<int64_t>(good.size()));
    EXPECT_EQ(qp::FindTriple(f, "id"), 0);
    EXPECT_EQ(qp::FindTriple(f, "x"), 2);
    EXPECT_EQ(qp::FindTriple(f, "zz"), -1);
    EXPECT_EQ(qp::FindTriple(f, "a"), -1) << "only string 1 is a key";
}

TEST(DictionaryFiles, MissingFileAndFolderAreCreatedEmpty) {
    Env env;
    for (const char* d : {"data", "dataextra"}) std::filesystem::remove_all(env.dir / d);
    EXPECT_TRUE(qp::OpenPairFile("data\\Bookdata.dat")->pairs.empty());
    EXPECT_TRUE(qp::OpenPairFile(qp::kExternalDatabase)->pairs.empty());
    EXPECT_TRUE(qp::OpenTripleFile("data\\Txtbookdata.dat")->triples.empty());
    for (auto p : {env.Data("Bookdata.dat"), env.ExtDb(), env.Data("Txtbookdata.dat")}) {
        ASSERT_TRUE(std::filesystem::is_regular_file(p)) << p;
        EXPECT_EQ(std::filesystem::file_size(p), 0u) << p;
    }
    qp::TakeDictionaryProblems();
}

// The indexes must answer exactly what a scan from the first pair answers.
TEST(DictionaryFiles, IndexedSearchesAgreeWithASequentialScan) {
    std::mt19937 rng(20240611);
    // A tiny alphabet, empty strings and a zero byte make duplicates,
    // A = B pairs and A-of-one = B-of-another the normal case.
    const std::vector<std::string> words = {"", "a", "b", "ab", "ba", "aa", "A",
                                            std::string("a\0b", 3)};
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
        qp::TripleFile tf = qp::ParseTripleFile(Triples(triples) + tail);
        ASSERT_EQ(pf.pairs.size(), pairs.size());
        ASSERT_EQ(tf.triples.size(), triples.size());
        for (const std::string& raw : words) {
            const std::string name = cut(raw);
            SCOPED_TRACE(std::to_string(round) + " '" + name + "'");
            int scanAOrB = -1, scanA = -1, scanTriple = -1;
            bool scanSecond = false;
            for (int i = 0; i < n; ++i) {
                const std::string a = cut(pairs[i].first), b = cut(pairs[i].second);
                if (scanAOrB < 0 && (a == name || b == name)) {
                    scanAOrB = i;
                    scanSecond = b == name;  // A = B = name is already second
                }
                if (scanA < 0 && a == name) scanA = i;
                if (scanTriple < 0 && cut(triples[i][0]) == name) scanTriple = i;
            }
            bool second = false;
            ASSERT_EQ(qp::FindPairAOrB(pf, name, second), scanAOrB);
            ASSERT_EQ(second, scanSecond);
            ASSERT_EQ(qp::FindPairA(pf, name), scanA);
            ASSERT_EQ(qp::FindTriple(tf, name), scanTriple);
        }
    }
}

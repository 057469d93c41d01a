#include <gtest/gtest.h>

#include <random>

#include "app/globals.h"
#include "dictionary/dictfile.h"
#include "test_support.h"

using namespace qt_test;

namespace {

std::string Counted(int32_t length, const std::string& bytes) { return Int32(length) + bytes; }

}  // namespace

TEST(CountedString, ReadTakesTextUpToFirstZeroAndConsumesTheRest) {
    struct Case {
        const char* what;
        std::string buffer;
        bool ok;
        std::string text;
        size_t pos;  // after the read
    } cases[] = {
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
    for (const Case& c : cases) {
        size_t pos = 0;
        std::string text = "left over";
        EXPECT_EQ(qp::ReadCountedString(c.buffer, pos, text), c.ok) << c.what;
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(pos, c.pos) << c.what;
    }
    size_t pos = 100;
    std::string text;
    EXPECT_FALSE(qp::ReadCountedString("abc", pos, text)) << "position past the end";
}

TEST(CountedString, WriteStopsAtFirstZero) {
    struct Case {
        std::string text, bytes;
    } cases[] = {
        {"abc", Counted(3, "abc")},
        {std::string("ab\0cd", 5), Counted(2, "ab")},
        {"", Counted(0, "")},
        {std::string("\0", 1), Counted(0, "")},
        {"\xE9t\xE9", Counted(3, "\xE9t\xE9")},
    };
    for (const Case& c : cases) {
        std::string out = "X";
        qp::WriteCountedString(out, c.text);
        EXPECT_EQ(out, "X" + c.bytes);
    }
    EXPECT_EQ(qp::EncodePair("P", "QR"), Pairs({{"P", "QR"}}));
}

TEST(PairFile, FirstMatchWinsAndDamageEndsTheSearch) {
    const std::string good = Pairs({{"X", "Y"}, {"X", "Z"}, {"Y", "W"}, {"K", "X"}});
    struct Case {
        const char* what;
        std::string content;
        size_t pairs;
        bool damaged;
    } cases[] = {
        {"intact", good, 4, false},
        {"ends inside the length of A", good + std::string("\1\0", 2), 4, true},
        {"ends inside A", good + Counted(4, "MM"), 4, true},
        {"ends after A", good + Counted(2, "MM"), 4, true},
        {"ends inside B", good + Counted(2, "MM") + Counted(5, "abc"), 4, true},
        {"negative length of A", good + Counted(-2, "") + Counted(1, "V"), 4, true},
        {"negative length of B", good + Counted(2, "MM") + Counted(-1, "V"), 4, true},
        {"B longer than the rest", good + Counted(2, "MM") + Counted(1000, "V"), 4, true},
        {"damage first", Counted(2, "MM") + Counted(-1, "") + good, 0, true},
    };
    for (const Case& c : cases) {
        qp::PairFile f = qp::ParsePairFile(c.content);
        ASSERT_EQ(f.pairs.size(), c.pairs) << c.what;
        EXPECT_EQ(f.damagedAt, c.damaged ? static_cast<int64_t>(c.pairs ? good.size() : 0) : -1)
            << c.what;
        // "MM" was never a complete pair: neither its A nor a stale B matches.
        bool second = true;
        EXPECT_EQ(qp::FindPairAOrB(f, "MM", second), -1) << c.what;
        EXPECT_FALSE(second);
        EXPECT_EQ(qp::FindPairA(f, "MM"), -1) << c.what;
        if (c.pairs == 0) continue;
        EXPECT_EQ(qp::FindPairA(f, "X"), 0) << "(X, Y) before (X, Z)";
        EXPECT_EQ(f.pairs[0].second, "Y");
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
    EXPECT_EQ(f.triples[0][2], "first");
    EXPECT_EQ(qp::FindTriple(f, "x"), 2);
    EXPECT_EQ(qp::FindTriple(f, "zz"), -1);
    EXPECT_EQ(qp::FindTriple(f, "a"), -1) << "only string 1 is a key";
}

TEST(DictionaryFiles, MissingFileAndFolderAreCreatedEmpty) {
    Env env;
    std::filesystem::remove_all(env.dir / "data");
    std::filesystem::remove_all(env.dir / "dataextra");
    auto book = qp::OpenPairFile("data\\Bookdata.dat");
    auto ext = qp::OpenPairFile(qp::kExternalDatabase);
    auto txt = qp::OpenTripleFile("data\\Txtbookdata.dat");
    EXPECT_TRUE(book->pairs.empty());
    EXPECT_TRUE(ext->pairs.empty());
    EXPECT_TRUE(txt->triples.empty());
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
            std::string a = pick();
            std::string b = rng() % 4 == 0 ? a : pick();
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
            ASSERT_EQ(qp::FindPairAOrB(pf, name, second), scanAOrB) << round << " '" << name << "'";
            ASSERT_EQ(second, scanSecond) << round << " '" << name << "'";
            ASSERT_EQ(qp::FindPairA(pf, name), scanA) << round << " '" << name << "'";
            ASSERT_EQ(qp::FindTriple(tf, name), scanTriple) << round << " '" << name << "'";
        }
    }
}

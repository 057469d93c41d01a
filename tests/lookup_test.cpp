#include <gtest/gtest.h>

#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "plugin/lookup.h"
#include "test_support.h"

using namespace qt_test;

namespace {

using PairList = std::vector<std::pair<std::string, std::string>>;

std::string Book(const std::string& name) { return Object("BOOK", "b1", name, {{"TEXT", "t"}}); }
// FNAM sits at offset 27 of every book: the record header, then NAME "b1".
int Lookup(int block, std::string& other) {
    other = "stale";
    return qp::LookupName(block, 27, qp::ReadBlockInt(block, 31), "data\\Bookdata.dat", other);
}

}  // namespace

TEST(LookupName, ResultCodes) {
    struct Case {
        const char* what;
        PairList database, dictionary;
        std::string name;
        int code;
        std::string after, other = "";
    } cases[] = {
        {"nothing anywhere", {}, {}, "Pot", 0, "Pot"},
        {"database first name", {{"Pot", "Topf"}}, {{"Pot", "Kessel"}}, "Pot", 4, "Topf"},
        {"database second name", {{"Pot", "Topf"}}, {{"Topf", "Kessel"}}, "Topf", 2, "Topf", "Pot"},
        {"database B beats dictionary A", {{"Topf", "Pot"}}, {{"Pot", "Kessel"}}, "Pot", 2, "Pot",
         "Topf"},
        {"dictionary only", {{"Cup", "Tasse"}}, {{"Pot", "Topf"}}, "Pot", 1, "Topf"},
        {"duplicates: the first wins", {}, {{"Pot", "Topf"}, {"Pot", "Kessel"}}, "Pot", 1, "Topf"},
        {"dictionary second name", {}, {{"Pot", "Topf"}}, "Topf", 3, "Topf", "Pot"},
        {"no chaining", {}, {{"Pot", "Topf"}, {"Topf", "Kessel"}}, "Pot", 1, "Topf"},
        {"a B before an A wins", {}, {{"Kanne", "Pot"}, {"Pot", "Topf"}}, "Pot", 3, "Pot", "Kanne"},
        {"A = B in the database", {{"Pot", "Pot"}}, {{"Pot", "Topf"}}, "Pot", 2, "Pot", "Pot"},
        {"A = B in the dictionary", {}, {{"Pot", "Pot"}}, "Pot", 3, "Pot", "Pot"},
        {"the marker pair is a pair", {{"FFFF", "FFFF"}}, {}, "FFFF", 2, "FFFF", "FFFF"},
        {"letter case counts", {{"pot", "Topf"}}, {{"POT", "Topf"}}, "Pot", 0, "Pot"},
        {"blanks count", {}, {{"Pot ", "Topf"}, {" Pot", "Topf"}}, "Pot", 0, "Pot"},
        {"5 to 8 bytes", {}, {{"Abcde", "Abcdefgh"}}, "Abcde", 1, "Abcdefgh"},
        {"5 to 2 bytes", {{"Abcde", "Ab"}}, {}, "Abcde", 4, "Ab"},
        {"a zero byte inside: the whole name goes", {}, {{"PotLid", "Deckel"}}, std::string("Pot\0Lid", 7),
         1, "Deckel"},
    };
    Env env;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(env.ExtDb(), Pairs(c.database));
        WriteFile(env.Data("Bookdata.dat"), Pairs(c.dictionary));
        InstallBlocks({Book(c.name)});
        std::string other;
        EXPECT_EQ(Lookup(1, other), c.code);
        EXPECT_EQ(other, c.other);
        // Subrecord size, record size and the block-size entry all follow.
        EXPECT_EQ(qp::gWs.table.blocks[1], Book(c.after));
        EXPECT_EQ(qp::gWs.table.sizes[1], static_cast<int32_t>(Book(c.after).size()));
    }
}

// Within one command the files are read once; the answers stay those of a
// fresh read, also for names an earlier lookup changed.
TEST(LookupName, RepeatedLookupsInOneCommand) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"FFFF", "FFFF"}, {"Cup", "Tasse"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Pot", "Topf"}, {"Topf", "Kessel"}}));
    InstallBlocks({Book("Pot"), Book("Pot"), Book("Cup")});
    qp::BeginDictionaryCommand();
    std::string other;
    const int codes[] = {Lookup(1, other), Lookup(2, other), Lookup(3, other), Lookup(1, other)};
    EXPECT_EQ(std::vector<int>(codes, codes + 4), (std::vector<int>{1, 1, 4, 3}));
    EXPECT_EQ(other, "Pot") << "the converted name is now a second name";
    qp::EndDictionaryCommand();
    EXPECT_EQ(JoinedBlocks({1, 2, 3}),
              Book("Topf") + Book("Topf") + Book("Tasse"));
}

#include <gtest/gtest.h>

#include "app/globals.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "plugin/lookup.h"
#include "test_support.h"

using namespace qt_test;

namespace {

using PairList = std::vector<std::pair<std::string, std::string>>;

std::string Book(const std::string& name) {
    return Record("BOOK", {{"NAME", Z("book_01")}, {"FNAM", Z(name)}, {"TEXT", "Once upon"}});
}

}  // namespace

TEST(LookupName, ResultCodes) {
    struct Case {
        const char* what;
        PairList database, dictionary;
        std::string name;
        int code;
        std::string after, other;
    } cases[] = {
        {"nothing anywhere", {}, {}, "Pot", 0, "Pot", ""},
        {"database first name", {{"Pot", "Topf"}}, {{"Pot", "Kessel"}}, "Pot", 4, "Topf", ""},
        {"database second name", {{"Pot", "Topf"}}, {{"Topf", "Kessel"}}, "Topf", 2, "Topf",
         "Pot"},
        {"database B beats dictionary A", {{"Topf", "Pot"}}, {{"Pot", "Kessel"}}, "Pot", 2, "Pot",
         "Topf"},
        {"dictionary when the database has nothing", {{"Cup", "Tasse"}}, {{"Pot", "Topf"}},
         "Pot", 1, "Topf", ""},
        {"dictionary duplicates: the first wins", {}, {{"Pot", "Topf"}, {"Pot", "Kessel"}},
         "Pot", 1, "Topf", ""},
        {"dictionary second name", {}, {{"Pot", "Topf"}}, "Topf", 3, "Topf", "Pot"},
        {"no chaining", {}, {{"Pot", "Topf"}, {"Topf", "Kessel"}}, "Pot", 1, "Topf", ""},
        {"a B before an A wins", {}, {{"Kanne", "Pot"}, {"Pot", "Topf"}}, "Pot", 3, "Pot",
         "Kanne"},
        {"A = B in the database", {{"Pot", "Pot"}}, {{"Pot", "Topf"}}, "Pot", 2, "Pot", "Pot"},
        {"A = B in the dictionary", {}, {{"Pot", "Pot"}}, "Pot", 3, "Pot", "Pot"},
        {"the marker pair is a pair", {{"FFFF", "FFFF"}}, {}, "FFFF", 2, "FFFF", "FFFF"},
        {"letter case counts", {{"pot", "Topf"}}, {{"POT", "Topf"}}, "Pot", 0, "Pot", ""},
        {"trailing space counts", {}, {{"Pot ", "Topf"}, {" Pot", "Topf"}}, "Pot", 0, "Pot", ""},
        {"5 to 8 bytes", {}, {{"Abcde", "Abcdefgh"}}, "Abcde", 1, "Abcdefgh", ""},
        {"5 to 2 bytes", {{"Abcde", "Ab"}}, {}, "Abcde", 4, "Ab", ""},
    };
    Env env;
    for (const Case& c : cases) {
        WriteFile(env.ExtDb(), Pairs(c.database));
        WriteFile(env.Data("Bookdata.dat"), Pairs(c.dictionary));
        qp::InitBlockTable(50000);
        qp::gTable.blocks = {Header(1), Book(c.name)};
        qp::gTable.last = 1;
        qp::gTable.sizes[0] = static_cast<int32_t>(qp::gTable.blocks[0].size());
        qp::gTable.sizes[1] = static_cast<int32_t>(qp::gTable.blocks[1].size());
        qp::gTable.loaded = true;
        qp::gOtherVersionName = "stale";

        const int p = qp::FindSubrecord(1, "FNAM");
        ASSERT_GT(p, 0);
        EXPECT_EQ(qp::LookupName(1, p, qp::ReadBlockInt(1, p + 4), "data\\Bookdata.dat"), c.code)
            << c.what;
        EXPECT_EQ(qp::gOtherVersionName, c.other) << c.what;
        // The block reads exactly as if it had been built with the new name:
        // subrecord size, record size and the block-size entry all follow.
        EXPECT_EQ(qp::gTable.blocks[1], Book(c.after)) << c.what;
        EXPECT_EQ(qp::gTable.sizes[1], static_cast<int32_t>(Book(c.after).size())) << c.what;
    }
}

TEST(LookupName, MissingFilesAreCreatedEmpty) {
    Env env;
    std::filesystem::remove_all(env.dir / "dataextra");
    qp::InitBlockTable(50000);
    qp::gTable.blocks = {Header(1), Book("Pot")};
    qp::gTable.last = 1;
    qp::gTable.sizes[1] = static_cast<int32_t>(qp::gTable.blocks[1].size());
    const int p = qp::FindSubrecord(1, "FNAM");
    EXPECT_EQ(qp::LookupName(1, p, 4, "data\\Bookdata.dat"), 0);
    EXPECT_EQ(qp::gTable.blocks[1], Book("Pot"));
    for (auto f : {env.ExtDb(), env.Data("Bookdata.dat")}) {
        ASSERT_TRUE(std::filesystem::exists(f)) << f;
        EXPECT_EQ(std::filesystem::file_size(f), 0u) << f;
    }
}

// Within one command the files are read once; the answers stay those of a
// fresh read, lookup after lookup, also for names the first lookup changed.
TEST(LookupName, RepeatedLookupsInOneCommand) {
    Env env;
    WriteFile(env.ExtDb(), Pairs({{"FFFF", "FFFF"}, {"Cup", "Tasse"}}));
    WriteFile(env.Data("Bookdata.dat"), Pairs({{"Pot", "Topf"}, {"Topf", "Kessel"}}));
    qp::InitBlockTable(50000);
    qp::gTable.blocks = {Header(3), Book("Pot"), Book("Pot"), Book("Cup")};
    qp::gTable.last = 3;
    qp::BeginDictionaryCommand();
    const int p = qp::FindSubrecord(1, "FNAM");
    EXPECT_EQ(qp::LookupName(1, p, 4, "data\\Bookdata.dat"), 1);
    EXPECT_EQ(qp::LookupName(2, p, 4, "data\\Bookdata.dat"), 1);
    EXPECT_EQ(qp::LookupName(3, p, 4, "data\\Bookdata.dat"), 4);
    // Looking the converted name up again meets it as a second name.
    EXPECT_EQ(qp::LookupName(1, p, 5, "data\\Bookdata.dat"), 3);
    EXPECT_EQ(qp::gOtherVersionName, "Pot");
    qp::EndDictionaryCommand();
    EXPECT_EQ(qp::gTable.blocks[1], Book("Topf"));
    EXPECT_EQ(qp::gTable.blocks[2], Book("Topf"));
    EXPECT_EQ(qp::gTable.blocks[3], Book("Tasse"));
}

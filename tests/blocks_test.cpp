#include <gtest/gtest.h>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "plugin/load.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// Puts the header and the given records into the table as blocks 0..n.
void Install(const std::vector<std::string>& records) {
    qp::InitBlockTable(50000);
    qp::gTable.blocks.push_back(Header(static_cast<int32_t>(records.size())));
    for (const auto& r : records) qp::gTable.blocks.push_back(r);
    qp::gTable.last = static_cast<int32_t>(records.size());
    for (size_t i = 0; i < qp::gTable.blocks.size(); ++i)
        qp::gTable.sizes[i] = static_cast<int32_t>(qp::gTable.blocks[i].size());
    qp::gTable.loaded = true;
}

// A record whose bytes are given raw after the 16-byte header.
std::string RawRecord(const std::string& body) {
    return "BOOK" + Int32(static_cast<int32_t>(body.size())) + Int32(0) + Int32(0) + body;
}

}  // namespace

TEST(Blocks, ReadBlockStringDropsZeroBytesAndStaysInside) {
    Install({RawRecord(std::string("AB\0C\0\0\0\0xyz", 11))});
    struct Case {
        int offset, length;
        std::string expected;
    } cases[] = {
        {16, 4, "ABC"},  {20, 4, ""},     {16, 0, ""},     {16, -3, ""},
        {0, 4, "BOOK"},  {24, 100, "xyz"}, {27, 4, ""},    {1000, 4, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qp::ReadBlockString(1, c.offset, c.length), c.expected)
            << c.offset << "," << c.length;
    EXPECT_EQ(qp::ReadBlockString(2, 0, 4), "") << "no such block";
}

TEST(Blocks, FindSubrecord) {
    std::vector<Sub> many;
    for (int i = 0; i < 100; ++i) many.push_back({"DATA", "x"});
    std::vector<Sub> hundredth(many.begin(), many.end() - 1);
    hundredth.push_back({"FNAM", Z("late")});
    std::vector<Sub> past = many;
    past.push_back({"FNAM", Z("too late")});

    Install({
        Record("BOOK", {{"NAME", Z("id")}, {"FNAM", Z("one")}, {"FNAM", Z("two")}}),
        Record("BOOK", {{"NAME", Z("id")}, {"DATA", "abc"}, {"TEXT", "t"}}),
        Record("BOOK", hundredth),
        Record("BOOK", past),
        RawRecord(""),
        RawRecord("FNAM"),
        RawRecord(Subrecord("NAME", "ab") + Subrecord("FNAM", Z("x"))),
        // NAME claims -1 bytes: following it would step backwards.
        RawRecord("NAME" + Int32(-1) + Subrecord("FNAM", Z("x"))),
        // NAME claims more bytes than the block holds.
        RawRecord("NAME" + Int32(1000) + Subrecord("FNAM", Z("x"))),
        // The chain ends inside a subrecord header.
        RawRecord(Subrecord("NAME", Z("id")) + "FN"),
    });
    struct Case {
        int block;
        const char* name;
        int expected;
    } cases[] = {
        {1, "NAME", 16},  {1, "FNAM", 27}, {2, "TEXT", 38}, {2, "FNAM", -1},
        {3, "FNAM", 16 + 99 * 9}, {4, "FNAM", -1}, {5, "FNAM", -1}, {6, "FNAM", -1},
        {7, "FNAM", 26}, {8, "FNAM", -1}, {9, "FNAM", -1}, {10, "FNAM", -1},
        {11, "NAME", -1},  // no such block
    };
    for (const Case& c : cases)
        EXPECT_EQ(qp::FindSubrecord(c.block, c.name), c.expected) << "block " << c.block;
    EXPECT_EQ(qp::ReadBlockString(1, qp::FindSubrecord(1, "FNAM") + 8, 3), "one")
        << "the first of two wins";
}

TEST(Blocks, ReplaceKeepsEverySizeInStep) {
    struct Case {
        std::string oldName, newName;
    } cases[] = {
        {"abc", "abcdef"}, {"Abcde", "Abcdefgh"}, {"Abcde", "Ab"}, {"abc", ""}, {"same", "SAME"},
    };
    for (const Case& c : cases) {
        auto rec = [](const std::string& name) {
            return Record("BOOK", {{"NAME", Z("book_id")}, {"FNAM", Z(name)}, {"TEXT", "tail"}});
        };
        Install({rec(c.oldName)});
        const int p = qp::FindSubrecord(1, "FNAM");
        ASSERT_EQ(p, 32);
        const std::string before = qp::gTable.blocks[1];
        const int d = static_cast<int>(c.newName.size()) - static_cast<int>(c.oldName.size());

        // The bare replacement: bytes and the block-size entry, not the fields.
        qp::ReplaceBlockString(1, p + 8, c.oldName, c.newName);
        const std::string& b = qp::gTable.blocks[1];
        ASSERT_EQ(b.size(), before.size() + d) << c.newName;
        EXPECT_EQ(qp::gTable.sizes[1], static_cast<int32_t>(b.size()));
        EXPECT_EQ(b.substr(0, p + 8), before.substr(0, p + 8));
        EXPECT_EQ(b.substr(p + 8, c.newName.size()), c.newName);
        EXPECT_EQ(b.substr(p + 8 + c.newName.size()), before.substr(p + 8 + c.oldName.size()))
            << "the zero byte and the rest follow unchanged";

        // The whole step: the block reads as if built with the new name.
        Install({rec(c.oldName)});
        qp::ReplaceInSubrecord(1, p, c.oldName, c.newName);
        EXPECT_EQ(qp::gTable.blocks[1], rec(c.newName)) << c.newName;
        EXPECT_EQ(qp::gTable.sizes[1], static_cast<int32_t>(rec(c.newName).size()));
        EXPECT_EQ(qp::FindSubrecord(1, "TEXT"), p + 8 + static_cast<int>(c.newName.size()) + 1);
    }
}

TEST(Blocks, ReadPluginFileHoldsRecordsAsInTheFile) {
    Env env;
    std::vector<std::string> records = {
        Record("CELL", {{"NAME", Z("Cell A")}, {"DATA", std::string(12, '\1')}}, 0x400),
        Record("GMST", {}),
        Record("BOOK", {{"NAME", Z("b")}, {"TEXT", std::string(70000, 'x')}}),
    };
    std::string file = Header(0);  // the count is corrected at load
    for (const auto& r : records) file += r;
    qp::BlockTable t;
    std::string err;
    ASSERT_TRUE(qp::ReadPluginFile(env.PutPlugin("a.esp", file), t, err)) << err;
    ASSERT_EQ(t.last, 3);
    std::string joined;
    for (int n = 0; n <= t.last; ++n) {
        joined += t.blocks[n];
        EXPECT_EQ(t.blocks[n].substr(4, 4), Int32(t.sizes[n] - 16)) << n;
        EXPECT_EQ(t.sizes[n], static_cast<int32_t>(t.blocks[n].size())) << n;
    }
    EXPECT_EQ(joined.substr(0, 320), file.substr(0, 320));
    EXPECT_EQ(joined.substr(320, 4), Int32(3));
    EXPECT_EQ(joined.substr(324), file.substr(324));
}

TEST(Blocks, MasterFileStatusIsFileTypeOne) {
    Env env;
    EXPECT_FALSE(qp::IsMasterFile()) << "nothing loaded";
    for (int32_t type : {0, 1, 2, -1, 257, 1}) {
        env.Load(env.PutPlugin("p.esp", Plugin({Record("CELL", {{"NAME", Z("c")}})}, type)));
        ASSERT_TRUE(qp::gTable.loaded);
        EXPECT_EQ(qp::IsMasterFile(), type == 1) << type;
    }
}

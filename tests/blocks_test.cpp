#include <gtest/gtest.h>

#include "base/workspace.h"
#include "plugin/blocks.h"
#include "plugin/read.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// A record whose bytes are given raw after the 16-byte header.
std::string Raw(const std::string& body) {
    return "BOOK" + Int32(static_cast<int32_t>(body.size())) + Int32(0) + Int32(0) + body;
}

}  // namespace

TEST(Blocks, ReadBlockStringDropsZeroBytesAndStaysInside) {
    InstallBlocks({Raw(std::string("AB\0C\0\0\0\0xyz", 11))});
    const std::tuple<int, int, int, std::string> cases[] = {
        {1, 16, 4, "ABC"}, {1, 20, 4, ""}, {1, 16, 0, ""},   {1, 16, -3, ""},  {1, 0, 4, "BOOK"},
        {1, 24, 100, "xyz"}, {1, 27, 4, ""}, {1, 1000, 4, ""}, {2, 0, 4, ""},  // no block 2
    };
    for (const auto& [block, offset, length, expected] : cases)
        EXPECT_EQ(qp::ReadBlockString(block, offset, length), expected) << offset << "," << length;
}

TEST(Blocks, FindSubrecordStaysInsideTheBlock) {
    std::vector<Sub> many(100, Sub{"DATA", "x"});
    std::vector<Sub> hundredth(many.begin(), many.end() - 1), past = many;
    hundredth.push_back({"FNAM", Z("late")});
    past.push_back({"FNAM", Z("too late")});
    const std::string fnam = Subrecord("FNAM", Z("x"));
    InstallBlocks({
        Record("BOOK", {{"NAME", Z("id")}, {"FNAM", Z("one")}, {"FNAM", Z("two")}}),
        Record("BOOK", {{"NAME", Z("id")}, {"DATA", "abc"}, {"TEXT", "t"}}),
        Record("BOOK", hundredth), Record("BOOK", past), Raw(""), Raw("FNAM"),
        Raw(Subrecord("NAME", "ab") + fnam),
        Raw("NAME" + Int32(-1) + fnam),    // would step backwards
        Raw("NAME" + Int32(1000) + fnam),  // claims more than the block holds
        Raw(Subrecord("NAME", Z("id")) + "FN"),  // ends inside a subrecord header
    });
    const std::tuple<int, const char*, int> cases[] = {
        {1, "NAME", 16}, {1, "FNAM", 27}, {2, "TEXT", 38}, {2, "FNAM", -1},
        {3, "FNAM", 16 + 99 * 9}, {4, "FNAM", -1}, {5, "FNAM", -1}, {6, "FNAM", -1},
        {7, "FNAM", 26}, {8, "FNAM", -1}, {9, "FNAM", -1}, {10, "FNAM", -1}, {11, "NAME", -1},
    };
    for (const auto& [block, name, expected] : cases)
        EXPECT_EQ(qp::FindSubrecord(block, name), expected) << "block " << block;  // 27: the first FNAM
}

// Blocks come either as strings of their own or as read from a file, where
// they share memory with room to grow: both must behave the same, also when
// a name outgrows that room and when a save's changes are undone.
TEST(Blocks, ReplaceKeepsEverySizeInStepAndRollsBack) {
    Env env;
    auto rec = [](const std::string& name) {
        return Record("BOOK", {{"NAME", Z("book_id")}, {"FNAM", Z(name)}, {"TEXT", "tail"}});
    };
    const std::string neighbour = rec("next door");
    auto install = [&](bool fromFile, const std::string& block) {
        InstallBlocks({block, neighbour});
        if (!fromFile) return;
        std::string error;
        qp::gWs.table = qp::BlockTable{};
        ASSERT_TRUE(qp::ReadPluginFile(env.PutPlugin("in.esp", Plugin({block, neighbour})), qp::gWs.table, error))
            << error;
    };
    const std::string longName(300, 'L');
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "abcdef"}, {"Abcde", "Abcdefgh"}, {"Abcde", "Ab"}, {"abc", ""}, {"same", "SAME"},
        {"abc", std::string(40, 'M')}, {"abc", longName}, {longName, "x"}};
    for (bool fromFile : {false, true}) {
        for (const auto& [from, to] : cases) {
            SCOPED_TRACE((fromFile ? "read: " : "own: ") + from.substr(0, 8) + " -> " + to.substr(0, 8));
            const std::string before = rec(from);
            // The block reads as if built with the new name (FNAM at 32).
            install(fromFile, before);
            qp::OpenBlockJournal();
            qp::ReplaceInSubrecord(1, 32, from, to);
            qp::ReplaceInSubrecord(1, 32, to, to + "!");
            EXPECT_EQ(qp::gWs.table.blocks[1], rec(to + "!"));
            EXPECT_EQ(qp::gWs.table.sizes[1], static_cast<int32_t>(rec(to + "!").size()));
            EXPECT_EQ(qp::gWs.table.blocks[2], neighbour) << "the next block is left alone";
            const qp::BlockStore copy = qp::gWs.table.blocks;
            EXPECT_TRUE(copy == qp::gWs.table.blocks);
            qp::RollBackBlockJournal();
            EXPECT_EQ(JoinedBlocks({1, 2}), before + neighbour);
            EXPECT_EQ(qp::gWs.table.sizes[1], static_cast<int32_t>(before.size()));
            EXPECT_EQ(copy[1], rec(to + "!")) << "a copy has bytes of its own";
        }
    }
}

// Many edits of one record (a cell's doors): composed once, undone whole, in
// the room a read plugin leaves and past it.
TEST(Blocks, ManyEditsOfOneRecordKeepEverySizeAndRollBack) {
    Env env;
    auto cell = [](const std::string& a, const std::string& b, const std::string& c) {
        return Record("CELL", {{"NAME", Z("Hall")}, {"DNAM", Z(a)}, {"DATA", "xyz"}, {"DNAM", Z(b)},
                               {"DNAM", Z(c)}});
    };
    for (const std::string& grown : {std::string("Eastern Tower"), std::string(400, 'W')}) {
        SCOPED_TRACE(grown.size());
        std::string error;
        ASSERT_TRUE(qp::ReadPluginFile(env.PutPlugin("in.esp", Plugin({cell("Tower", "Gate", "Pit")})),
                                       qp::gWs.table, error)) << error;
        qp::OpenBlockJournal();
        qp::BlockEditor editor(1);
        for (const auto& [o, text] : {std::pair{29, std::string_view(grown)}, {54, ""}, {67, "Well"}})
            editor.Edit({o, static_cast<size_t>(qp::ReadBlockInt(1, o + 4) - 1), text});
        ASSERT_TRUE(editor.Finish());
        EXPECT_EQ(qp::gWs.table.blocks[1], cell(grown, "", "Well"));
        EXPECT_EQ(qp::gWs.table.sizes[1], qp::BlockSize(1));
        qp::RollBackBlockJournal();
        EXPECT_EQ(qp::gWs.table.blocks[1], cell("Tower", "Gate", "Pit"));
    }
    // Past a few edits the undo keeps the record whole.
    const std::vector<Sub> pits(70, {"DNAM", Z("Pit")});
    InstallBlocks({Record("CELL", pits)});
    qp::OpenBlockJournal();
    qp::BlockEditor editor(1);
    for (int i = 0; i < 70; ++i) editor.Edit({16 + 12 * i, 3, "Well"});
    ASSERT_TRUE(editor.Finish());
    EXPECT_EQ(qp::gWs.table.blocks[1], Record("CELL", std::vector<Sub>(70, {"DNAM", Z("Well")})));
    qp::RollBackBlockJournal();
    EXPECT_EQ(qp::gWs.table.blocks[1], Record("CELL", pits));
}

// Read from the header as the plugin loads; nothing loaded is no master.
TEST(Blocks, MasterFileStatusIsFileTypeOne) {
    Env env;
    EXPECT_FALSE(qp::IsMasterFile());
    for (int32_t type : {0, 1, 2, -1, 257}) {
        env.Load(env.PutPlugin("p.esp", Plugin({}, type)));
        EXPECT_EQ(qp::IsMasterFile(), type == 1) << type;
    }
}

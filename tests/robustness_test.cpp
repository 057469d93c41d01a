// Malformed plugins: each damage has one defined outcome. A refused file
// names itself and the offset and leaves the plugin loaded before in place;
// an accepted one loads, lists and saves without any read outside its data
// (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

std::string Misc(const std::string& id, const std::string& name) {
    return Record("MISC", {{"NAME", Z(id)}, {"FNAM", Z(name)}});
}

// A record header followed by raw subrecord bytes, with a correct record size.
std::string RawRecord(const std::string& type, const std::string& body) {
    return type + Int32(static_cast<int32_t>(body.size())) + Int32(0) + Int32(0) + body;
}

std::string RawSub(const std::string& name, int32_t declared, const std::string& data) {
    return name + Int32(declared) + data;
}

std::string WithSize(std::string record, int32_t size) {
    record.replace(4, 4, Int32(size));
    return record;
}

const std::string kGood = Plugin({Misc("gold", "Gold"), Misc("key", "Key")});

// Loads kGood, then the bad bytes; returns the path of the bad file.
std::string LoadGoodThenBad(Env& env, const std::string& bad) {
    env.Load(env.PutPlugin("good.esp", kGood));
    EXPECT_TRUE(env.ui.Messages().empty());
    return env.PutPlugin("bad.esp", bad);
}

}  // namespace

TEST(Robustness, DamagedPluginsAreRefusedByFileAndOffsetAndThePreviousPluginStays) {
    const std::string body = Misc("a", "Apple");
    const size_t first = Header(0).size();  // 324: where the first record starts
    const size_t second = first + body.size();
    std::string shortHeader = Record("TES3", {{"HEDR", std::string(8, '\0')}}) + body + body;
    shortHeader += std::string(324 - std::min<size_t>(324, shortHeader.size()) + 4, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        std::string says;  // part of the message, offset included
    };
    const Case cases[] = {
        {"truncated inside the header record", Header(0).substr(0, 200), "(200 BYTES)"},
        {"truncated one byte short of the header", Header(0).substr(0, 323), "(323 BYTES)"},
        {"header record shorter than its count field", shortHeader, "OFFSET 0"},
        {"truncated in a record header", Plugin({body, body}).substr(0, second + 10),
         "RECORD HEADER AT OFFSET " + std::to_string(second)},
        {"two stray bytes after the last record", Plugin({body}) + "MI",
         "RECORD HEADER AT OFFSET " + std::to_string(second)},
        {"truncated in a subrecord", Plugin({body, body}).substr(0, second + 20),
         "RECORD AT OFFSET " + std::to_string(second) + " RUNS PAST THE END"},
        {"negative record size", Plugin({body, WithSize(body, -1)}),
         "RECORD AT OFFSET " + std::to_string(second) + " HAS A NEGATIVE SIZE"},
        {"smallest negative record size", Plugin({WithSize(body, INT32_MIN)}),
         "RECORD AT OFFSET " + std::to_string(first) + " HAS A NEGATIVE SIZE"},
        {"huge record size", Plugin({body, WithSize(body, INT32_MAX)}),
         "RECORD AT OFFSET " + std::to_string(second) + " RUNS PAST THE END"},
        {"huge header size", WithSize(Header(0), INT32_MAX), "RECORD AT OFFSET 0 RUNS PAST"},
    };
    for (const Case& c : cases) {
        Env env;
        const std::string bad = LoadGoodThenBad(env, c.bytes);
        const auto tableBefore = qp::gTable.blocks;
        const auto rowsBefore = env.ui.Rows(19);
        env.Load(bad);
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 1u) << c.what;
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << c.what;
        EXPECT_NE(msgs[0].text.find(bad), std::string::npos) << c.what << ": " << msgs[0].text;
        EXPECT_NE(msgs[0].text.find(c.says), std::string::npos) << c.what << ": " << msgs[0].text;
        EXPECT_EQ(qp::gTable.blocks, tableBefore) << c.what;
        EXPECT_EQ(env.ui.Rows(19), rowsBefore) << c.what;
        EXPECT_EQ(qp::gFileInUse, (env.dir / "good.esp").string()) << c.what;
        EXPECT_EQ(ReadFile(bad), c.bytes) << c.what;
    }
}

TEST(Robustness, OddButReadablePluginsLoadAndSaveAsDefined) {
    const std::string a = Misc("a", "Apple"), b = Misc("b", "Bread"), c = Misc("c", "Cheese");
    struct Case {
        const char* what;
        std::string bytes;
        std::string saved;  // what Save as writes: the records read, count corrected
    };
    const Case cases[] = {
        // Every record to the end of the file is read whatever the count says.
        {"record count 0", Header(0) + a + b + c, Plugin({a, b, c})},
        {"count smaller than the records", Header(1) + a + b + c, Plugin({a, b, c})},
        {"count larger than the records", Header(10) + a + b, Plugin({a, b})},
        {"header record only", Header(5), Plugin({})},
        // Four zero bytes where a record type belongs end the records; what
        // follows is written back untouched.
        {"four zero bytes mid-file", Header(3) + a + b + std::string(4, '\0') + c,
         Plugin({a, b}) + std::string(4, '\0') + c},
        {"zero bytes after the header", Header(2) + std::string(16, '\0') + a,
         Plugin({}) + std::string(16, '\0') + a},
        {"a short zero tail", Header(1) + a + std::string(2, '\0'), Plugin({a}) + std::string(2, '\0')},
    };
    for (const Case& k : cases) {
        Env env;
        const std::string in = env.PutPlugin("in.esp", k.bytes);
        env.Load(in);
        EXPECT_TRUE(env.ui.Messages().empty()) << k.what;
        ASSERT_TRUE(qp::gTable.loaded) << k.what;
        const int32_t records = qp::LastBlock();
        EXPECT_EQ(qp::ReadBlockInt(0, 320), records) << k.what;
        EXPECT_EQ(env.ui.Rows(19).size(), static_cast<size_t>(records)) << k.what;
        EXPECT_EQ(env.ui.GetStatusText(1),
                  "Block conversion : " + std::to_string(records) + " / " + std::to_string(records))
            << k.what;
        env.SaveAs((env.dir / "out.esp").string());
        EXPECT_EQ(ReadFile(env.dir / "out.esp"), k.saved) << k.what;
        EXPECT_EQ(ReadFile(in), k.bytes) << k.what;
    }
}

TEST(Robustness, SubrecordChainsThatOverrunTheirRecordStayInsideTheBlock) {
    struct Case {
        const char* what;
        std::string record;
        qp::NameEntry row;  // flag, id, fv, ov (block is always 1)
        bool converted;     // the Miscdata pair Bucket -> Eimerchen applied
    };
    const std::string id = RawSub("NAME", 4, Z("bkt"));
    const Case cases[] = {
        // The name runs past the record: it is read up to the record's end.
        {"name overruns", RawRecord("MISC", id + RawSub("FNAM", 4000, Z("Bucket"))),
         {"L", "bkt", "Bucket", "Eimerchen", 1}, true},
        // Growing it wraps the size field round as a 32-bit field would; the
        // converted name then reads as empty, but the record's size is right.
        {"name size INT32_MAX", RawRecord("MISC", id + RawSub("FNAM", INT32_MAX, Z("Bucket"))),
         {"L", "bkt", "Bucket", "", 1}, true},
        // A subrecord before the name overruns: the name is never reached.
        {"chain overruns before the name",
         RawRecord("MISC", id + RawSub("MODL", 500, "x.nif") + RawSub("FNAM", 7, Z("Bucket"))),
         {"N", "bkt", "", "", 1}, false},
        {"negative size before the name",
         RawRecord("MISC", id + RawSub("MODL", -20, "x.nif") + RawSub("FNAM", 7, Z("Bucket"))),
         {"N", "bkt", "", "", 1}, false},
        {"identifier size INT32_MIN",
         RawRecord("MISC", RawSub("NAME", INT32_MIN, "bkt") + RawSub("FNAM", 7, Z("Bucket"))),
         {"N", "", "", "", 1}, false},
        {"name size INT32_MIN", RawRecord("MISC", id + RawSub("FNAM", INT32_MIN, Z("Bucket"))),
         {"N", "bkt", "", "", 1}, false},
        {"name header cut by the record end", RawRecord("MISC", id + "FNAM" + Int32(7).substr(0, 2)),
         {"N", "bkt", "", "", 1}, false},
    };
    for (const Case& k : cases) {
        Env env;
        WriteFile(env.Data("Miscdata.dat"), Pairs({{"Bucket", "Eimerchen"}}));
        const std::string bytes = Plugin({k.record});
        env.Load(env.PutPlugin("in.esp", bytes));
        EXPECT_TRUE(env.ui.Messages().empty()) << k.what;
        ASSERT_EQ(qp::gNameLists[19].size(), 1u) << k.what;
        const qp::NameEntry& e = qp::gNameLists[19][0];
        EXPECT_EQ(e.flag, k.row.flag) << k.what;
        EXPECT_EQ(e.id, k.row.id) << k.what;
        EXPECT_EQ(e.fv, k.row.fv) << k.what;
        EXPECT_EQ(e.ov, k.row.ov) << k.what;
        // The record's own size always matches its block, converted or not.
        EXPECT_EQ(qp::ReadBlockInt(1, 4) + 16, qp::BlockSize(1)) << k.what;
        EXPECT_EQ(qp::BlockSize(1), static_cast<int32_t>(k.record.size()) + (k.converted ? 3 : 0))
            << k.what;
        // What was saved loads again, to the same blocks.
        const auto blocks = qp::gTable.blocks;
        env.SaveAs((env.dir / "out.esp").string());
        Env again;
        again.Load((env.dir / "out.esp").string());
        EXPECT_TRUE(again.ui.Messages().empty()) << k.what;
        EXPECT_EQ(qp::gTable.blocks, blocks) << k.what;
    }
}

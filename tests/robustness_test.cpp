// Malformed plugins: each damage has one defined outcome. A refused file is
// named with the offset and the plugin loaded before stays; an accepted one
// loads, lists and saves without a read outside its data (the sanitizer build
// runs these too).
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

// A name and a size as record and subrecord headers start, then raw bytes.
std::string Raw(const std::string& name, int32_t size, const std::string& data) {
    return name + Int32(size) + data;
}
// A record with a correct size round raw subrecord bytes.
std::string RawRecord(const std::string& body) {
    return Raw("MISC", static_cast<int32_t>(body.size()), Int32(0) + Int32(0) + body);
}
std::string WithSize(std::string record, int32_t size) { return record.replace(4, 4, Int32(size)); }

const std::string kA = Object("MISC", "a", "Apple"), kB = Object("MISC", "b", "Bread");

}  // namespace

TEST(Robustness, DamagedPluginsAreRefusedByFileAndOffsetAndThePreviousPluginStays) {
    const std::string first = std::to_string(Header(0).size());  // 324
    const std::string second = std::to_string(Header(0).size() + kA.size());
    const size_t cut = Header(0).size() + kA.size();
    // A header record shorter than 324 bytes in a longer file.
    std::string shortHeader = Record("TES3", {{"HEDR", std::string(8, '\0')}}) + kA + kA;
    shortHeader += std::string(328 - shortHeader.size(), '\0');
    const std::vector<std::vector<std::string>> cases = {  // what, bytes, part of the message
        {"in the header", Header(0).substr(0, 200), "(200 BYTES)"},
        {"one byte short of the header", Header(0).substr(0, 323), "(323 BYTES)"},
        {"short header record", shortHeader, "OFFSET 0"},
        {"in a record header", Plugin({kA, kA}).substr(0, cut + 10),
         "RECORD HEADER AT OFFSET " + second},
        {"two stray bytes at the end", Plugin({kA}) + "MI", "RECORD HEADER AT OFFSET " + second},
        {"in a subrecord", Plugin({kA, kA}).substr(0, cut + 20),
         "RECORD AT OFFSET " + second + " RUNS PAST THE END"},
        {"negative size", Plugin({kA, WithSize(kA, -1)}),
         "RECORD AT OFFSET " + second + " HAS A NEGATIVE SIZE"},
        {"size INT32_MIN", Plugin({WithSize(kA, INT32_MIN)}),
         "RECORD AT OFFSET " + first + " HAS A NEGATIVE SIZE"},
        {"huge size", Plugin({kA, WithSize(kA, INT32_MAX)}),
         "RECORD AT OFFSET " + second + " RUNS PAST THE END"},
        {"huge header size", WithSize(Header(0), INT32_MAX), "RECORD AT OFFSET 0 RUNS PAST"},
    };
    for (const auto& c : cases) {
        Env env;
        env.Load(env.PutPlugin("good.esp", Plugin({kA, kB})));
        const std::string bad = env.PutPlugin("bad.esp", c[1]);
        ExpectRefused(env, [&] { env.Load(bad); }, {bad, c[2]}, c[0]);
    }
}

TEST(Robustness, OddButReadablePluginsLoadAndSaveAsDefined) {
    const std::string c = Object("MISC", "c", "Cheese"), zero4(4, '\0'), z16(16, '\0');
    // Every record up to the end or to four zero bytes is read, whatever the
    // count says; Save as corrects the count and writes what follows untouched.
    const std::vector<std::vector<std::string>> cases = {  // what, bytes, saved
        {"count 0", Header(0) + kA + kB + c, Plugin({kA, kB, c})},
        {"count too small", Header(1) + kA + kB + c, Plugin({kA, kB, c})},
        {"count too large", Header(10) + kA + kB, Plugin({kA, kB})},
        {"header only", Header(5), Plugin({})},
        {"four zero bytes mid-file", Header(3) + kA + kB + zero4 + c, Plugin({kA, kB}) + zero4 + c},
        {"zeros after the header", Header(2) + z16 + kA, Plugin({}) + z16 + kA},
        {"a short zero tail", Header(1) + kA + zero4.substr(2), Plugin({kA}) + zero4.substr(2)},
    };
    for (const auto& k : cases) {
        Env env;
        const std::string in = env.PutPlugin("in.esp", k[1]);
        env.Load(in);
        EXPECT_TRUE(env.ui.Messages().empty()) << k[0];
        ASSERT_TRUE(qp::gWs.table.loaded) << k[0];
        const std::string n = std::to_string(qp::LastBlock());
        EXPECT_EQ(std::to_string(qp::ReadBlockInt(0, 320)), n) << k[0];
        EXPECT_EQ(std::to_string(env.ui.Rows(qp::kListMisc).size()), n) << k[0];
        EXPECT_EQ(env.ui.GetStatusText(1), "Block conversion : " + n + " / " + n) << k[0];
        env.SaveAs((env.dir / "out.esp").string());
        EXPECT_EQ(ReadFile(env.dir / "out.esp"), k[2]) << k[0];
        EXPECT_EQ(ReadFile(in), k[1]) << k[0];
    }
}

TEST(Robustness, SubrecordChainsThatOverrunTheirRecordStayInsideTheBlock) {
    const std::string id = Raw("NAME", 4, Z("bkt")), name = Z("Bucket");
    const std::string fnam = Raw("FNAM", 7, name);
    struct Case {
        const char* what;
        std::string record;
        std::string row;  // flag|id|fv|ov; "L" rows took the pair Bucket -> Eimerchen
    };
    const Case cases[] = {
        // A name running past its record is read up to the record's end.
        {"name overruns", RawRecord(id + Raw("FNAM", 4000, name)), "L|bkt|Bucket|Eimerchen"},
        // Growing it wraps the size as a 32-bit field would: the name then
        // reads empty, but the record's size stays right.
        {"name size INT32_MAX", RawRecord(id + Raw("FNAM", INT32_MAX, name)), "L|bkt|Bucket|"},
        {"chain overruns", RawRecord(id + Raw("MODL", 500, "x.nif") + fnam), "N|bkt||"},
        {"negative size", RawRecord(id + Raw("MODL", -20, "x.nif") + fnam), "N|bkt||"},
        {"ID size INT32_MIN", RawRecord(Raw("NAME", INT32_MIN, "bkt") + fnam), "N|||"},
        {"name size INT32_MIN", RawRecord(id + Raw("FNAM", INT32_MIN, name)), "N|bkt||"},
        {"name header cut", RawRecord(id + "FNAM" + Int32(7).substr(0, 2)), "N|bkt||"},
    };
    for (const Case& k : cases) {
        Env env;
        WriteFile(env.Data("Miscdata.dat"), Pairs({{"Bucket", "Eimerchen"}}));
        env.Load(env.PutPlugin("in.esp", Plugin({k.record})));
        EXPECT_TRUE(env.ui.Messages().empty()) << k.what;
        ASSERT_EQ(qp::gWs.nameLists[qp::kListMisc].size(), 1u) << k.what;
        const qp::NameEntry& e = qp::gWs.nameLists[qp::kListMisc][0];
        EXPECT_EQ(e.flag + "|" + e.id + "|" + e.fv + "|" + e.ov, k.row) << k.what;
        EXPECT_EQ(e.block, 1) << k.what;
        EXPECT_EQ(qp::ReadBlockInt(1, 4) + 16, qp::BlockSize(1)) << k.what;
        const size_t grown = k.row[0] == 'L' ? 3 : 0;  // "Eimerchen" is 3 bytes longer
        EXPECT_EQ(static_cast<size_t>(qp::BlockSize(1)), k.record.size() + grown) << k.what;
        // What was saved loads again, to the same blocks.
        const auto blocks = qp::gWs.table.blocks;
        env.SaveAs((env.dir / "out.esp").string());
        Env again;
        again.Load((env.dir / "out.esp").string());
        EXPECT_TRUE(again.ui.Messages().empty()) << k.what;
        EXPECT_EQ(qp::gWs.table.blocks, blocks) << k.what;
    }
}

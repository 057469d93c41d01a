// Malformed plugins: each damage has one defined outcome. A refused file is
// named with the offset and the plugin loaded before stays (records and
// subrecords alike); an accepted one loads, lists and saves without a read
// outside its data (the sanitizer build runs these too).
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
    // A header record with a HEDR shorter than 300 bytes in a longer file.
    std::string shortHeader = Record("TES3", {{"HEDR", std::string(8, '\0')}}) + kA + kA;
    shortHeader += std::string(328 - shortHeader.size(), '\0');
    // Damage below the record layer, in a record after kA: the ID, then what follows it.
    const std::string id = Raw("NAME", 4, Z("bkt")), fnam = Raw("FNAM", 7, Z("Bucket"));
    const std::string sub2 = "SUBRECORD AT OFFSET " + std::to_string(cut + 16 + id.size());
    auto inB = [&](const std::string& rest) { return Plugin({kA, RawRecord(id + rest)}); };
    const std::vector<std::vector<std::string>> cases = {  // what, bytes, part of the message
        {"in the header", Header(0).substr(0, 200), "(200 BYTES)"},
        {"one byte short of the header", Header(0).substr(0, 323), "(323 BYTES)"},
        {"short HEDR", shortHeader, "HEDR SUBRECORD AT OFFSET 16 IS SHORTER THAN 300 BYTES"},
        {"no HEDR first", Header(0).replace(16, 4, "HEDX"), "OFFSET 0 DOES NOT BEGIN WITH ITS HEDR"},
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
        {"name overruns", inB(Raw("FNAM", 4000, Z("Bucket"))), sub2 + " RUNS PAST THE END OF ITS RECORD"},
        {"name size INT32_MAX", inB(Raw("FNAM", INT32_MAX, Z("Bucket"))), sub2 + " RUNS PAST"},
        {"chain overruns", inB(Raw("MODL", 500, "x.nif") + fnam), sub2 + " RUNS PAST"},
        {"negative subrecord size", inB(Raw("MODL", -20, "x.nif") + fnam), sub2 + " HAS A NEGATIVE SIZE"},
        {"ID size INT32_MIN", Plugin({kA, RawRecord(Raw("NAME", INT32_MIN, "bkt") + fnam)}),
         "SUBRECORD AT OFFSET " + std::to_string(cut + 16) + " HAS A NEGATIVE SIZE"},
        {"subrecord header cut", inB("FNAM" + Int32(7).substr(0, 2)), sub2 + " IS CUT SHORT"},
    };
    for (const auto& c : cases) {
        Env env;
        env.Load(env.PutPlugin("good.esp", Plugin({kA, kB})));
        const std::string bad = env.PutPlugin("bad.esp", c[1]);
        ExpectRefused(env, [&] { env.Load(bad); }, {bad, c[2]}, c[0]);
    }
}

TEST(Robustness, OddButReadablePluginsLoadAndSaveAsDefined) {
    const std::string c = Object("MISC", "c", "Cheese"), zero4(4, '\0'), z16(16, '\0'), z160(160, '\0');
    // Every record up to the end or to four zero bytes is read, whatever the
    // count says; Save as corrects the count and writes what follows untouched.
    // What follows is told, with where it starts: the usual damage of a crash.
    const std::vector<std::vector<std::string>> cases = {  // what, bytes, saved, tail at|bytes
        {"count 0", Header(0) + kA + kB + c, Plugin({kA, kB, c}), ""},
        {"count too small", Header(1) + kA + kB + c, Plugin({kA, kB, c}), ""},
        {"count too large", Header(10) + kA + kB, Plugin({kA, kB}), ""},
        {"header only", Header(5), Plugin({}), ""},
        {"four zero bytes mid-file", Header(3) + kA + kB + zero4 + c, Plugin({kA, kB}) + zero4 + c,
         std::to_string(Header(3).size() + kA.size() + kB.size()) + "|" + std::to_string(4 + c.size())},
        {"zeros after the header", Header(2) + z16 + kA, Plugin({}) + z16 + kA,
         std::to_string(Header(2).size()) + "|" + std::to_string(16 + kA.size())},
        {"a short zero tail", Header(1) + kA + zero4.substr(2), Plugin({kA}) + zero4.substr(2),
         std::to_string(Header(1).size() + kA.size()) + "|2"},
        {"a zero-filled tail", Header(1) + kA + z160, Plugin({kA}) + z160,
         std::to_string(Header(1).size() + kA.size()) + "|160"},
    };
    for (const auto& k : cases) {
        Env env;
        const std::string in = env.PutPlugin("in.esp", k[1]);
        env.Load(in);
        const size_t bar = k[3].find('|');
        EXPECT_EQ(Shown(env.ui), k[3].empty() ? std::vector<std::string>{} : std::vector<std::string>{
            "INFORMATION/1/THE FILE " + in + "\rENDS IN " + k[3].substr(bar + 1) + " BYTES FROM OFFSET " +
            k[3].substr(0, bar) + " THAT ARE NO RECORD\r(THE USUAL DAMAGE AFTER A CRASH).\r"
            "THEY ARE KEPT UNCHANGED, AND A SAVE WRITES THEM BACK AS THEY ARE."}) << k[0];
        ASSERT_TRUE(qp::gWs.table.loaded) << k[0];
        const std::string n = std::to_string(qp::LastBlock());
        EXPECT_EQ(std::to_string(env.ui.Rows(qp::kListMisc).size()), n) << k[0];
        EXPECT_EQ(env.ui.GetStatusText(1), "Block conversion : " + n + " / " + n) << k[0];
        env.SaveAs((env.dir / "out.esp").string());
        EXPECT_EQ(ReadFile(env.dir / "out.esp"), k[2]) << k[0];
        EXPECT_EQ(ReadFile(in), k[1]) << k[0];
    }
}

// Load's read and analysis passes on an arbitrary plugin file. Beyond "no
// crash, no read outside a block", a plugin that is accepted must come back
// as the file's own records, and every size field must still agree with its
// block after the names have been converted.
#include <string>

#include "base/lists.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "dictionary/dictfile.h"
#include "fuzz_support.h"
#include "platform/headless/headless.h"
#include "plugin/blocks.h"
#include "plugin/read.h"
#include "ui/objectwindow.h"

namespace {

using qfuzz::Le32;
using qfuzz::Pair;

struct Fixture {
    std::filesystem::path dir;
    qp::HeadlessPlatform ui;
    std::string plugin;

    Fixture() {
        dir = qfuzz::MakeProgramDirectory("load");
        qp::SetPlatform(&ui);
        qp::Startup();
        // Names that grow, shrink, stay the same and are already converted,
        // so that the in-place replacement runs on mutated records.
        std::string marker = Pair("FFFF", "FFFF");
        qfuzz::WriteBytes(dir / "dataextra" / "Extradata.dat",
                          marker + Pair("Balmora", "Balmora-Stadt") + Pair("Fork", "Gabel"));
        qfuzz::WriteBytes(dir / "data" / "Celldata.dat",
                          Pair("Seyda Neen", "Seyda Nin") + Pair("Vivec", "Vivec, Stadt der Magie") +
                              Pair("Ald-ruhn", "Ald-ruhn"));
        qfuzz::WriteBytes(dir / "data" / "Regndata.dat",
                          Pair("Bitter Coast Region", "Bittere Kueste"));
        qfuzz::WriteBytes(dir / "data" / "Miscdata.dat",
                          Pair("Bucket", "Eimer") + Pair("Silver Spoon", "Loeffel") +
                              Pair("Dwemer Coin", std::string(200, 'D')));
        qfuzz::WriteBytes(dir / "data" / "Npc_data.dat", Pair("Fargoth", "Fargot"));
        std::string skills;
        for (const char* s : {"Block", "Armorer", "Medium Armor"})
            skills += Le32(static_cast<int32_t>(std::strlen(s))) + s + Le32(3) + "abc" + Le32(2) + "xy";
        qfuzz::WriteBytes(dir / "data" / "Skildata.dat", skills);
        plugin = (dir / "in.esp").string();
    }
};

void CheckReadTable(const qp::BlockTable& t, const std::string& input) {
    QFUZZ_CHECK(!t.blocks.empty());
    QFUZZ_CHECK(t.last == static_cast<int32_t>(t.blocks.size()) - 1);
    QFUZZ_CHECK(t.blocks[0].compare(0, 4, "TES3") == 0);
    size_t pos = 0;
    for (size_t i = 0; i < t.blocks.size(); ++i) {
        const std::string_view b = t.blocks[i];
        QFUZZ_CHECK(b.size() >= 16);
        QFUZZ_CHECK(static_cast<int64_t>(qp::ReadRecordInt(b, 4)) + 16 == static_cast<int64_t>(b.size()));
        QFUZZ_CHECK(t.sizes.size() > i && t.sizes[i] == static_cast<int32_t>(b.size()));
        std::string original = input.substr(pos, b.size());
        std::string read(b);
        // The header's record count is the one field the read pass rewrites.
        if (i == 0 && read.size() >= 324) {
            QFUZZ_CHECK(qp::ReadRecordInt(read, 320) == t.last);
            read.replace(320, 4, original, 320, 4);
        }
        QFUZZ_CHECK(read == original);
        pos += b.size();
    }
    // Either every byte was read as records, or zero bytes ended them and the
    // rest is kept, byte for byte, to be written back.
    const size_t zeros = std::min<size_t>(4, input.size() - pos);
    QFUZZ_CHECK(pos == input.size() ||
                (input.compare(pos, zeros, std::string(zeros, '\0')) == 0 &&
                 t.trailer == input.substr(pos)));
    QFUZZ_CHECK(pos < input.size() || t.trailer.empty());
}

void CheckAnalysedTable() {
    const int last = qp::LastBlock();
    for (int b = 0; b <= last; ++b) {
        QFUZZ_CHECK(qp::gWs.table.sizes[static_cast<size_t>(b)] == qp::BlockSize(b));
        QFUZZ_CHECK(static_cast<int64_t>(qp::ReadBlockInt(b, 4)) + 16 == qp::BlockSize(b));
    }
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
        for (const auto& e : qp::gWs.nameLists[g]) {
            QFUZZ_CHECK(qp::ValidBlock(e.block));
            QFUZZ_CHECK(qp::ReadBlockString(e.block, 0, 4) == qp::ListRecordType(g));
        }
    for (const auto& s : qp::gWs.skills) QFUZZ_CHECK(qp::ReadBlockString(s.block, 0, 4) == "SKIL");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture* f = new Fixture;
    const std::string input(reinterpret_cast<const char*>(data), size);
    qfuzz::WriteBytes(f->plugin, input);

    qp::BlockTable table;
    std::string error;
    if (!qp::ReadPluginFile(f->plugin, table, error)) {
        QFUZZ_CHECK(!error.empty());
        return 0;
    }
    CheckReadTable(table, input);

    qp::gWs.table = std::move(table);
    qp::BeginDictionaryCommand();
    qp::AnalysePlugin();
    qp::FillTabs();
    QFUZZ_CHECK(qp::TakeDictionaryProblems().empty());
    qp::EndDictionaryCommand();
    CheckAnalysedTable();
    qp::gWs.table = qp::BlockTable{};
    for (auto& list : qp::gWs.nameLists) list.clear();
    qp::gWs.skills.clear();
    return 0;
}

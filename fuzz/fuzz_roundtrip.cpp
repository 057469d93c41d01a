// Load then Save as, through the real event loop, on an arbitrary plugin with
// an arbitrary external database and dictionary. The input is
//   plugin [ "@@DB" external database [ "@@DI" dictionary ] ]
// and the dictionary stands in for every name dictionary and the game
// settings. A save either writes a plugin that loads again, byte for byte
// what was in memory, with a well-formed external database, or changes no
// file at all.
#include <string>

#include "base/lists.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "dictionary/dictfile.h"
#include "fuzz_support.h"
#include "platform/headless/headless.h"
#include "plugin/blocks.h"
#include "plugin/read.h"

namespace {

struct Fixture {
    std::filesystem::path dir;
    Fixture() { dir = qfuzz::MakeProgramDirectory("roundtrip"); }
};

void RunScript() {
    qp::RunEventLoop();
    qp::gWs.quit = 0;
}

bool SawStop(qp::HeadlessPlatform& ui, size_t from) {
    auto messages = ui.Messages();
    for (size_t i = from; i < messages.size(); ++i)
        if (messages[i].icon == qp::Icon::Stop) return true;
    return false;
}

// Edits the first editable row of the first list that has one, as the name
// edit dialog would.
void EditOneRow(qp::HeadlessPlatform& ui, const std::string& name) {
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
        auto rows = ui.Rows(g);
        for (size_t r = 0; r < rows.size(); ++r) {
            if (rows[r][0] == "L" || rows[r][0] == "N") continue;
            ui.ListSelectRow(g, static_cast<int>(r));
            ui.PushControl(g, qp::ControlAction::Activate);
            RunScript();
            ui.TypeText(qp::kCtlOvField, name);
            ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
            RunScript();
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture* f = new Fixture;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string plugin = input, database, dictionary;
    bool haveDatabase = false;
    if (size_t at = plugin.find("@@DB"); at != std::string::npos) {
        database = plugin.substr(at + 4);
        plugin.resize(at);
        haveDatabase = true;
        if (size_t d = database.find("@@DI"); d != std::string::npos) {
            dictionary = database.substr(d + 4);
            database.resize(d);
        }
    }

    const auto in = f->dir / "in.esp";
    const auto out = f->dir / "out.esp";
    const auto ext = f->dir / "dataextra" / "Extradata.dat";
    qfuzz::WriteBytes(in, plugin);
    std::filesystem::remove(out);
    if (haveDatabase)
        qfuzz::WriteBytes(ext, database);
    else
        std::filesystem::remove(ext);
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g)
        qfuzz::WriteBytes(qp::ResolvePath(qp::ListDictionary(g)), dictionary);
    qfuzz::WriteBytes(f->dir / "data" / "Gmstdata.dat", dictionary);
    qfuzz::WriteBytes(f->dir / "data" / "Skildata.dat", dictionary);

    qp::HeadlessPlatform ui;
    qp::SetPlatform(&ui);
    qp::Startup();

    ui.PushOpenPath(in.string());
    ui.PushMenu(qp::kMenuLoad);
    RunScript();
    if (!qp::gWs.table.loaded) {
        QFUZZ_CHECK(SawStop(ui, 0));
        return 0;
    }

    // A name typed by the user: the input's last bytes, as typeable text.
    std::string typed;
    for (size_t i = size > 24 ? size - 24 : 0; i < size; ++i)
        if (input[i] != '\0' && input[i] != '\r' && input[i] != '\n') typed += input[i];
    if (!typed.empty()) EditOneRow(ui, typed);

    const std::string databaseBefore = qfuzz::ReadBytes(ext);
    const bool databaseExisted = std::filesystem::exists(ext);
    const size_t before = ui.Messages().size();
    ui.PushSavePath(out.string());
    ui.PushMenu(qp::kMenuSaveAs);
    RunScript();

    if (qp::IsMasterFile() || SawStop(ui, before)) {
        QFUZZ_CHECK(!std::filesystem::exists(out));
        QFUZZ_CHECK(std::filesystem::exists(ext) == databaseExisted);
        QFUZZ_CHECK(qfuzz::ReadBytes(ext) == databaseBefore);
        return 0;
    }
    std::string written;
    for (int b = 0; b <= qp::LastBlock(); ++b) written += qp::gWs.table.blocks[static_cast<size_t>(b)];
    written += qp::gWs.table.trailer;
    QFUZZ_CHECK(qfuzz::ReadBytes(out) == written);
    qp::BlockTable again;
    std::string error;
    const bool reloaded = qp::ReadPluginFile(out.string(), again, error);
    if (!reloaded) std::fprintf(stderr, "saved plugin does not load again: %s\n", error.c_str());
    QFUZZ_CHECK(reloaded);
    QFUZZ_CHECK(again.last == qp::LastBlock());
    QFUZZ_CHECK(again.trailer == qp::gWs.table.trailer);
    const std::string db = qfuzz::ReadBytes(ext);
    qp::PairFile parsed = qp::ParsePairFile(db);
    QFUZZ_CHECK(parsed.damagedAt == -1);
    QFUZZ_CHECK(!parsed.pairs.empty() && parsed.pairs[0].first == "FFFF");
    return 0;
}

// The configuration reader on an arbitrary Voskconv.ini. Whatever it makes of
// the file, writing those values out and reading them back must give the
// same values: start-up after a save of the configuration sees what the
// program had.
#include <string>

#include "base/config.h"
#include "base/workspace.h"
#include "fuzz_support.h"

namespace {

struct Fixture {
    std::filesystem::path dir;
    Fixture() { dir = qfuzz::MakeProgramDirectory("config"); }
};

bool Same(const qp::Configuration& a, const qp::Configuration& b) {
    return a.windowWidth == b.windowWidth && a.windowHeight == b.windowHeight &&
           a.bank == b.bank && a.plugPath == b.plugPath && a.savePath == b.savePath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture* f = new Fixture;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto ini = f->dir / "Voskconv.ini";
    qfuzz::WriteBytes(ini, input);

    // Groups and keys of every kind, including ones taken from the file.
    qp::OpenConfiguration(qp::kConfigurationFile);
    const std::string fromInput = input.substr(0, std::min<size_t>(size, 12));
    for (const std::string& group : {std::string("Window"), std::string("PLUGIN PATH"),
                                     std::string(""), fromInput}) {
        qp::SelectGroup(group);
        for (const std::string& key : {std::string("WindowWidth"), std::string("bank"),
                                       std::string(""), fromInput}) {
            QFUZZ_CHECK(qp::ReadInteger(key, 0) == qp::ReadInteger(key, 0));
            std::string s = qp::ReadString(key, "\x01");
            QFUZZ_CHECK(s.find('\n') == std::string::npos && s.find('\r') == std::string::npos);
        }
    }
    qp::CloseConfiguration();
    QFUZZ_CHECK(qp::ReadInteger("Bank", 7) == 7);

    qp::ReadStartupConfiguration();
    const qp::Configuration first = qp::gWs.config;
    QFUZZ_CHECK(qp::WriteConfiguration());
    qp::gWs.config = qp::Configuration{};
    qp::ReadStartupConfiguration();
    QFUZZ_CHECK(Same(first, qp::gWs.config));
    QFUZZ_CHECK(qfuzz::ReadBytes(ini) == qp::ConfigurationText());
    return 0;
}

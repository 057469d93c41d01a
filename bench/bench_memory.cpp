// bench_memory ROOT PLUGIN [RUNS]
//
// Two figures on the bench master (make_bench_data ROOT PLUGIN):
//   build: build-dictionaries of two pairs (the master and an other version
//          of it made here, given twice) against one pair; goal below 2
//   load:  a load with a memory of 100,000 pairs (none of them the plugin's
//          names, so every name without counterpart is looked for there)
//          against a load without; goal below 1.2
// Medians of RUNS (default 5) runs, in milliseconds, each in this process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/builddict.h"
#include "app/commands.h"
#include "app/shell.h"
#include "base/bytes.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "platform/headless/headless.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The other version: every display name and cell name in capitals, of the
// same length, so that every record keeps its size.
std::string OtherVersion(std::string p) {
    for (size_t pos = 0; pos + 16 <= p.size();) {
        const size_t size = static_cast<size_t>(qp::GetLe32(p.data() + pos + 4));
        const std::string type = p.substr(pos, 4);
        for (size_t s = pos + 16; s + 8 <= pos + 16 + size;) {
            const size_t n = static_cast<size_t>(qp::GetLe32(p.data() + s + 4));
            const std::string name = p.substr(s, 4);
            if (name == "FNAM" || (name == "NAME" && (type == "CELL" || type == "PGRD")))
                for (size_t i = s + 8; i < s + 8 + n; ++i)
                    if (p[i] >= 'a' && p[i] <= 'z') p[i] = static_cast<char>(p[i] - 'a' + 'A');
            s += 8 + n;
        }
        pos += 16 + size;
    }
    return p;
}

double TimeBuild(const std::vector<std::string>& args) {
    std::FILE* keep = std::freopen("/dev/null", "w", stdout);
    (void)keep;
    const auto t0 = Clock::now();
    std::vector<std::string> command{"build-dictionaries"};
    command.insert(command.end(), args.begin(), args.end());
    const int rc = qp::RunBatch(command, nullptr);
    const double ms = Ms(t0, Clock::now());
    if (rc != 0) {
        std::fprintf(stderr, "build-dictionaries failed (%d)\n", rc);
        std::exit(1);
    }
    return ms;
}

double TimeLoad(const std::string& plugin) {
    const auto t0 = Clock::now();
    qp::BeginDictionaryCommand();
    const bool loaded = qp::LoadChosenPlugin(plugin, false).loaded;
    qp::EndDictionaryCommand();
    if (!loaded) std::exit(1);
    return Ms(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_memory ROOT PLUGIN [RUNS]\n");
        return 2;
    }
    const std::string root = argv[1], plugin = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    std::string bytes;
    if (!qp::ReadWholeFile(plugin, bytes)) return 2;
    const fs::path work = fs::path(root) / "bench-memory";
    fs::create_directories(work / "data");
    fs::create_directories(work / "dataextra");
    const std::string ov = (work / "Bench_ov.esp").string();
    qp::WriteFileAtomic(ov, OtherVersion(bytes));

    qp::HeadlessPlatform ui;
    qp::SetPlatform(&ui);
    qp::SetProgramDirectory(work.string());
    qp::Startup();
    std::vector<double> one, two;
    for (int i = 0; i < runs; ++i) {
        one.push_back(TimeBuild({plugin, ov, "--root", work.string(), "--force"}));
        two.push_back(TimeBuild({plugin, ov, plugin, ov, "--root", work.string(), "--force"}));
    }

    // The shipped dictionaries of the bench directory, the memory beside them.
    qp::SetProgramDirectory(root);
    qp::Startup();
    const std::string memory = qp::ResolvePath(qp::kMemoryFile);
    std::string pairs;
    for (int i = 0; i < 100000; ++i)
        pairs += qp::EncodePair("Remembered name " + std::to_string(i), "Translated name " + std::to_string(i));
    std::vector<double> without, with;
    for (int i = 0; i < runs; ++i) {
        qp::RemoveFile(memory);
        without.push_back(TimeLoad(plugin));
        qp::WriteFileAtomic(memory, pairs);
        with.push_back(TimeLoad(plugin));
    }
    qp::RemoveFile(memory);
    std::fprintf(stderr, "build one pair %.1f ms  two pairs %.1f ms  ratio %.2f (goal < 2)\n", Median(one),
                 Median(two), Median(two) / Median(one));
    std::fprintf(stderr, "load without memory %.1f ms  with 100,000 pairs %.1f ms  ratio %.2f (goal < 1.2)\n",
                 Median(without), Median(with), Median(with) / Median(without));
    return 0;
}

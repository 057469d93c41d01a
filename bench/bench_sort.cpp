// bench_sort [ROWS] [REPEATS]
//
// Sorts a tab of ROWS rows (default 10,000) by each column in both
// directions, as header clicks do, on the in-memory window system, and prints
// the median time of one sort including the rebuilt view, in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/workspace.h"
#include "app/shell.h"
#include "base/paths.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "ui/objectwindow.h"

namespace {

std::mt19937 rng(7);

std::string RandomName() {
    static const char* const syl[] = {"ka", "vel", "dor", "mi", "ra", "thu", "sen", "ol",
                                      "bri", "qua", "zan", "eth", "lo", "ny", "pir", "gas"};
    std::string n;
    int k = 2 + static_cast<int>(rng() % 5);
    for (int i = 0; i < k; ++i) n += syl[rng() % 16];
    n[0] = static_cast<char>(n[0] - 'a' + 'A');
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    qp::HeadlessPlatform platform;
    qp::SetPlatform(&platform);
    // Start-up only reads the configuration; none there gives the defaults.
    qp::SetProgramDirectory("/nonexistent-bench-dir/");
    qp::Startup();

    const int list = 23;  // NPC, the largest tab of a master
    const char* const flags[] = {"", "L", "T", "N", "*"};
    // Many equal names, as a real tab has: stability matters.
    std::vector<std::string> names;
    for (int i = 0; i < rows / 3 + 1; ++i) names.push_back(RandomName());
    auto& entries = qp::gWs.nameLists[list];
    for (int i = 0; i < rows; ++i) {
        qp::NameEntry e;
        e.flag = flags[rng() % 5];
        char id[32];
        std::snprintf(id, sizeof id, "npc_%05u", static_cast<unsigned>(rng() % 100000));
        e.id = id;
        e.fv = names[rng() % names.size()];
        e.ov = rng() % 2 ? e.fv : names[rng() % names.size()];
        e.block = i + 1;
        entries.push_back(std::move(e));
    }
    qp::RebuildListView(list);

    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r)
        for (int c = 0; c < 4; ++c)
            for (int dir = 0; dir < 2; ++dir) {
                qp::Event ev;
                ev.kind = qp::EventKind::HeaderClick;
                ev.id = list;
                ev.column = c;
                auto t0 = Clock::now();
                qp::DispatchEvent(ev);
                times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            }
    if (platform.Rows(list).size() != static_cast<size_t>(rows)) {
        std::fprintf(stderr, "bench_sort: the view lost rows\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("%.2f\n", times[times.size() / 2]);
    return 0;
}

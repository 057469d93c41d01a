// bench_load_qt PLUGIN --root DIR [--sort ROWS]
//
// Loads PLUGIN into the real window (run with QT_QPA_PLATFORM=offscreen):
// from the "&Load" command to the tabs filled and the window painted. Prints
// "load MS". With --sort it then fills the NPC tab to ROWS rows and times one
// header click, the view repainted: "sort MS".
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qt_bench.h"
#include "ui/objectwindow.h"

using qt_bench::Settle;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string plugin, root;
    int sortRows = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc)
            root = argv[++i];
        else if (!std::strcmp(argv[i], "--sort") && i + 1 < argc)
            sortRows = std::atoi(argv[++i]);
        else
            plugin = argv[i];
    }
    if (plugin.empty() || root.empty()) {
        std::fprintf(stderr, "usage: bench_load_qt PLUGIN --root DIR [--sort ROWS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    qp::QtPlatform platform;
    const double loadMs = qt_bench::StartAndLoad(platform, plugin, root);
    if (loadMs < 0) {
        std::fprintf(stderr, "bench_load_qt: the plugin was not loaded\n");
        return 1;
    }
    std::printf("load %.1f\n", loadMs);

    if (sortRows > 0) {
        const int list = 23;  // NPC
        auto& entries = qp::gWs.nameLists[list];
        for (size_t i = 0; entries.size() < static_cast<size_t>(sortRows); ++i) {
            qp::NameEntry e = entries[i % entries.size()];
            e.id += "_" + std::to_string(i);
            entries.push_back(std::move(e));
        }
        qp::RebuildListView(list);
        Settle(platform);
        qp::Event click;
        click.kind = qp::EventKind::HeaderClick;
        click.id = list;
        click.column = 2;
        auto s0 = Clock::now();
        qp::DispatchEvent(click);
        Settle(platform);
        auto s1 = Clock::now();
        std::printf("sort %.1f\n", Ms(s0, s1));
    }
    return 0;
}

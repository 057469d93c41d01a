// bench_filter_qt PLUGIN --root DIR [--rows N] [--rounds N]
//
// Loads PLUGIN into the real window (run with QT_QPA_PLATFORM=offscreen) as
// bench_load_qt does; with --rows the tabs are then filled up to N named rows
// in all, each tab in proportion, with copies of its own rows. Then it uses
// the filter bar as a user would, N rounds (default 5) of: "d", "do", "dor",
// back to "do" and "d", each a keystroke; Escape (the filter off); the
// "Without counterpart" toggle on (a keystroke) and off (the filter off).
// Each step is timed from the event to the window painted anew: every tab
// filtered, the counts shown, the tab on view redrawn. Prints, in ms,
//   keystroke MEDIAN MAX CPU-MEDIAN
//   off       MEDIAN MAX CPU-MEDIAN
//   paint     MEDIAN MAX CPU-MEDIAN   (the same window repainted, nothing changed)
// CPU is the time the program's thread ran, apart from waiting for a core;
// then "rows N" (named rows in the tabs) and "shown N" (rows "d" lets through).
#include <QAbstractButton>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "qt_bench.h"
#include "ui/objectwindow.h"

namespace {

using Clock = std::chrono::steady_clock;
using qt_bench::Settle;

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> wall, cpu;
    void Take(const std::function<void()>& step, qp::QtPlatform& platform) {
        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        step();
        Settle(platform);
        cpu.push_back(CpuMs() - c0);
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    void Report(const char* what) {
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("%s %.2f %.2f %.2f\n", what, wall[wall.size() / 2], wall.back(), cpu[cpu.size() / 2]);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string plugin, root;
    int rounds = 5;
    size_t wanted = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc)
            root = argv[++i];
        else if (!std::strcmp(argv[i], "--rows") && i + 1 < argc)
            wanted = static_cast<size_t>(std::max(0, std::atoi(argv[++i])));
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            plugin = argv[i];
    }
    if (plugin.empty() || root.empty()) {
        std::fprintf(stderr, "usage: bench_filter_qt PLUGIN --root DIR [--rows N] [--rounds N]\n");
        return 2;
    }
    QApplication app(argc, argv);
    qp::QtPlatform platform;
    if (qt_bench::StartAndLoad(platform, plugin, root) < 0) {
        std::fprintf(stderr, "bench_filter_qt: the plugin was not loaded\n");
        return 1;
    }
    auto countRows = [] {
        size_t n = 0;
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) n += qp::gWs.nameLists[g].size();
        return n;
    };
    if (const size_t rows = countRows(); wanted > rows && rows > 0) {
        for (int g = qp::kFirstList; g <= qp::kLastList; ++g) {
            auto& list = qp::gWs.nameLists[g];
            const size_t own = list.size(), target = own * wanted / rows;
            for (size_t i = 0; own > 0 && list.size() < target; ++i) {
                qp::NameEntry e = list[i % own];
                e.id += "_" + std::to_string(i);
                list.push_back(std::move(e));
            }
        }
        qp::FillTabs();
        Settle(platform);
    }

    auto dispatch = [](int control) {
        qp::Event ev;
        ev.kind = qp::EventKind::Control;
        ev.id = control;
        ev.action = control == qp::kCtlFilterField ? qp::ControlAction::Change : qp::ControlAction::Press;
        qp::DispatchEvent(ev);
    };
    auto type = [&](const char* text) {
        return [&platform, &dispatch, text] {
            platform.SetControlText(qp::kCtlFilterField, text);
            dispatch(qp::kCtlFilterField);
        };
    };
    auto toggle = [&](bool on) {
        return [&platform, &dispatch, on] {
            if (auto* box = qobject_cast<QAbstractButton*>(platform.ControlWidget(qp::kCtlFilterToggle)))
                box->setChecked(on);
            dispatch(qp::kCtlFilterToggle);
        };
    };
    Times keystroke, off, paint;
    size_t shown = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const char* text : {"d", "do", "dor", "do", "d"}) {
            keystroke.Take(type(text), platform);
            if (keystroke.wall.size() == 1)
                for (int g = qp::kFirstList; g <= qp::kLastList; ++g) shown += qp::gWs.filter.shown[g].size();
        }
        off.Take(type(""), platform);
        keystroke.Take(toggle(true), platform);
        off.Take(toggle(false), platform);
        paint.Take([&] { platform.MainWidget()->update(); }, platform);
    }
    keystroke.Report("keystroke");
    off.Report("off");
    paint.Report("paint");
    std::printf("rows %zu\nshown %zu\n", countRows(), shown);
    return 0;
}

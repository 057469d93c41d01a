// bench_dialogue_qt PLUGIN --root DIR [--rounds N]
//
// Loads PLUGIN into the real window (run with QT_QPA_PLATFORM=offscreen) as
// bench_load_qt does, then opens "Edit text" > "Dialogue" and uses its
// filter as a translator would, N rounds (default 5) of: "k", "ka", "kav",
// back to "ka" and "k", each a keystroke; the field emptied; the "Without
// translation" toggle on and off. Each step is timed from the event to the
// dialog painted anew. Prints, in ms,
//   open      MEDIAN MAX CPU-MEDIAN   (the dialog opened, closed again each round)
//   keystroke MEDIAN MAX CPU-MEDIAN
// then "responses N" (the dialog's entries) and "shown N" (what "k" lets through).
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

namespace {

using Clock = std::chrono::steady_clock;

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Lets the dialog take in what is queued and paint itself.
void Settle(qp::QtPlatform& platform) {
    qt_bench::Settle(platform);
    if (QWidget* d = platform.DialogWidget(qp::kWindowTextEdit)) (void)d->grab();
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

void Dispatch(qp::EventKind kind, int id, qp::ControlAction action) {
    qp::Event ev;
    ev.kind = kind;
    ev.id = id;
    ev.action = action;
    qp::DispatchEvent(ev);
}

}  // namespace

int main(int argc, char** argv) {
    std::string plugin, root;
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc)
            root = argv[++i];
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            plugin = argv[i];
    }
    if (plugin.empty() || root.empty()) {
        std::fprintf(stderr, "usage: bench_dialogue_qt PLUGIN --root DIR [--rounds N]\n");
        return 2;
    }
    QApplication app(argc, argv);
    qp::QtPlatform platform;
    if (qt_bench::StartAndLoad(platform, plugin, root) < 0) {
        std::fprintf(stderr, "bench_dialogue_qt: the plugin was not loaded\n");
        return 1;
    }
    const auto type = [&](const char* text) {
        return [&platform, text] {
            platform.SetControlText(qp::kCtlTextFilter, text);
            Dispatch(qp::EventKind::Control, qp::kCtlTextFilter, qp::ControlAction::Change);
        };
    };
    const auto toggle = [&](bool on) {
        return [&platform, on] {
            if (auto* box = qobject_cast<QAbstractButton*>(platform.ControlWidget(qp::kCtlTextUntranslated)))
                box->setChecked(on);
            Dispatch(qp::EventKind::Control, qp::kCtlTextUntranslated, qp::ControlAction::Press);
        };
    };
    Times open, keystroke;
    size_t shown = 0;
    for (int round = 0; round < rounds; ++round) {
        open.Take([] { Dispatch(qp::EventKind::Menu, qp::kMenuTextDialogue, qp::ControlAction::Click); }, platform);
        if (!platform.IsDialogOpen(qp::kWindowTextEdit)) {
            std::fprintf(stderr, "bench_dialogue_qt: the dialog did not open\n");
            return 1;
        }
        for (const char* text : {"k", "ka", "kav", "ka", "k"}) {
            keystroke.Take(type(text), platform);
            if (keystroke.wall.size() == 1) shown = qp::gWs.textEditShown.size();
        }
        keystroke.Take(type(""), platform);
        keystroke.Take(toggle(true), platform);
        keystroke.Take(toggle(false), platform);
        Dispatch(qp::EventKind::Control, qp::kCtlTextCancel, qp::ControlAction::Press);
        Settle(platform);
    }
    open.Report("open");
    keystroke.Report("keystroke");
    std::printf("responses %zu\nshown %zu\n", qp::gWs.textEditList.size(), shown);
    return 0;
}

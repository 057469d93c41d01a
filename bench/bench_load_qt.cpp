// bench_load_qt PLUGIN --root DIR [--sort ROWS]
//
// Loads PLUGIN into the real window (run with QT_QPA_PLATFORM=offscreen):
// from the "&Load" command to the tabs filled and the window painted. Prints
// "load MS". With --sort it then fills the NPC tab to ROWS rows and times one
// header click, the view repainted: "sort MS".
#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/workspace.h"
#include "app/shell.h"
#include "base/paths.h"
#include "platform/files.h"
#include "platform/qt/qt_platform.h"
#include "plugin/blocks.h"
#include "ui/objectwindow.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Lets the window take in everything queued and paint itself.
void Settle(qp::QtPlatform& platform) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    if (QWidget* w = platform.MainWidget()) (void)w->grab();
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
    qp::SetPlatform(&platform);
    qp::SetProgramDirectory(root);
    int shown = 0;
    platform.messageHook = [&](const qp::MessageRequest& m) {
        ++shown;
        std::fprintf(stderr, "%s: %s\n", m.title.c_str(), m.text.c_str());
        return m.buttons == qp::Buttons::YesNo ? qp::Answer::Yes : qp::Answer::Ok;
    };
    platform.requesterHook = [&](const qp::RequesterRequest&) { return plugin; };
    qp::Startup();
    Settle(platform);

    qp::Event load;
    load.kind = qp::EventKind::Menu;
    load.id = qp::kMenuLoad;
    auto t0 = Clock::now();
    qp::DispatchEvent(load);
    qp::WaitForBackgroundCommand();
    Settle(platform);
    auto t1 = Clock::now();
    if (!qp::gWs.table.loaded || shown) {
        std::fprintf(stderr, "bench_load_qt: the plugin was not loaded\n");
        return 1;
    }
    std::printf("load %.1f\n", Ms(t0, t1));

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

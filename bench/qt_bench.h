// What the window benchmarks share: the real window (run them with
// QT_QPA_PLATFORM=offscreen) with a plugin loaded as "&Load" loads it.
#pragma once

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/shell.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/qt/qt_platform.h"
#include "plugin/blocks.h"

namespace qt_bench {

// Lets the window take in everything queued and paint itself.
inline void Settle(qp::QtPlatform& platform) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    if (QWidget* w = platform.MainWidget()) (void)w->grab();
}

// Starts the program on platform with root as its program directory and
// loads plugin through "&Load", the requester answered with it and every
// message told on standard error. Returns the milliseconds from the menu
// event to the tabs filled and the window painted, or -1 when the plugin
// was not loaded.
inline double StartAndLoad(qp::QtPlatform& platform, const std::string& plugin, const std::string& root) {
    qp::SetPlatform(&platform);
    qp::SetProgramDirectory(root);
    static int shown = 0;
    platform.messageHook = [](const qp::MessageRequest& m) {
        ++shown;
        std::fprintf(stderr, "%s: %s\n", m.title.c_str(), m.text.c_str());
        return m.buttons == qp::Buttons::YesNo ? qp::Answer::Yes : qp::Answer::Ok;
    };
    platform.requesterHook = [plugin](const qp::RequesterRequest&) { return plugin; };
    qp::Startup();
    Settle(platform);
    qp::Event load;
    load.kind = qp::EventKind::Menu;
    load.id = qp::kMenuLoad;
    const auto t0 = std::chrono::steady_clock::now();
    qp::DispatchEvent(load);
    qp::WaitForBackgroundCommand();
    Settle(platform);
    const auto t1 = std::chrono::steady_clock::now();
    if (!qp::gWs.table.loaded || shown) return -1;
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace qt_bench

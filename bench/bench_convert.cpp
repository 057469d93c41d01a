// bench_convert PLUGIN OUTPUT --root DIR [--phases]
//
// Load then Save as on the in-memory window system, as the batch tool does:
// the stand-in for `quillane-cli convert` and the target for the profiler.
// With --phases it also prints the time of the load and of the save.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/workspace.h"
#include "app/shell.h"
#include "base/paths.h"
#include "platform/files.h"
#include "platform/headless/headless.h"

int main(int argc, char** argv) {
    std::string plugin, output, root;
    bool phases = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc)
            root = argv[++i];
        else if (!std::strcmp(argv[i], "--phases"))
            phases = true;
        else if (plugin.empty())
            plugin = argv[i];
        else
            output = argv[i];
    }
    if (plugin.empty() || output.empty()) {
        std::fprintf(stderr, "usage: bench_convert PLUGIN OUTPUT --root DIR [--phases]\n");
        return 2;
    }
    qp::HeadlessPlatform platform;
    qp::SetPlatform(&platform);
    if (root.empty())
        qp::InitProgramDirectory(argv[0]);
    else
        qp::SetProgramDirectory(root);
    int shown = 0;
    platform.onMessage = [&](const qp::ShownMessage& m) {
        ++shown;
        std::fprintf(stderr, "%s: %s\n", m.title.c_str(), m.text.c_str());
        return m.buttons == qp::Buttons::YesNo ? qp::Answer::Yes : qp::Answer::Ok;
    };
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    auto t0 = Clock::now();
    qp::Startup();
    platform.PushOpenPath(plugin);
    platform.PushMenu(qp::kMenuLoad);
    qp::RunEventLoop();
    auto t1 = Clock::now();
    platform.PushSavePath(output);
    platform.PushMenu(qp::kMenuSaveAs);
    qp::RunEventLoop();
    auto t2 = Clock::now();
    if (phases) std::printf("load %.1f ms, save %.1f ms\n", ms(t1 - t0), ms(t2 - t1));
    return shown ? 1 : 0;
}

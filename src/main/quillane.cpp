// The quillane program: the Qt window system under the core.
//   quillane [PLUGIN]   PLUGIN (the file manager's "Open with") is loaded at once;
//   quillane --help     the usage.
#include <QApplication>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
    // The usage needs no window, nor a display to open one on.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return qp::TakeCommandLine({"--help"});
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    if (const int code = qp::TakeCommandLine(std::vector<std::string>(argv + 1, argv + argc)); code >= 0)
        return code;
    qp::QtPlatform platform;
    qp::SetPlatform(&platform);
    qp::InitProgramDirectory(argv[0]);
    return qp::RunQuillane();
}

// The quillane program: the Qt window system under the core.
//   quillane [PLUGIN]   PLUGIN (the file manager's "Open with") is loaded at once.
#include <QApplication>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    qp::QtPlatform platform;
    qp::SetPlatform(&platform);
    qp::InitProgramDirectory(argv[0]);
    if (argc > 1) qp::gWs.env.startupPlugin = argv[1];
    return qp::RunQuillane();
}

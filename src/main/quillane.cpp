// The quillane program: the Qt window system under the core.
#include <QApplication>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qp::QtPlatform platform;
    qp::SetPlatform(&platform);
    qp::InitProgramDirectory(argv[0]);
    return qp::RunQuillane();
}

// The quillane program on Windows: the Win32 window system under the core.
// The backend's header comes first: it keeps <windows.h> from renaming the
// window-system interface's MessageBox.
#include "platform/win32/win32_platform.h"

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qp::InitProgramDirectory(nullptr);
    qp::Win32Platform platform;
    qp::SetPlatform(&platform);
    const int code = qp::RunQuillane();
    qp::SetPlatform(nullptr);
    return code;
}

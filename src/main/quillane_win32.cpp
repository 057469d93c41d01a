// The quillane program on Windows: the Win32 window system under the core.
//   quillane.exe [PLUGIN]   PLUGIN (a file dropped on the program, "Open with")
//   is loaded at once.
// The backend's header comes first: it keeps <windows.h> from renaming the
// window-system interface's MessageBox.
#include "platform/win32/win32_platform.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The C runtime has split the command line already, quotes and all, into
    // arguments in the ANSI code page: the bytes file names are kept in.
    if (const int code = qp::TakeCommandLine(std::vector<std::string>(__argv + 1, __argv + __argc)); code >= 0)
        return code;
    qp::InitProgramDirectory(nullptr);
    qp::Win32Platform platform;
    qp::SetPlatform(&platform);
    const int code = qp::RunQuillane();
    qp::SetPlatform(nullptr);
    return code;
}

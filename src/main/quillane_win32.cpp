// The quillane program on Windows: the Win32 window system under the core.
//   quillane.exe [PLUGIN]   PLUGIN (a file dropped on the program, "Open with")
//   is loaded at once; quillane.exe --help prints the usage.
// The backend's header comes first: it keeps <windows.h> from renaming the
// window-system interface's MessageBox.
#include "platform/win32/win32_platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The C runtime has split the command line already, quotes and all, into
    // arguments in the ANSI code page: the bytes file names are kept in.
    const std::vector<std::string> args(__argv + 1, __argv + __argc);
    // A window program has no console of its own: an option's usage goes to
    // the console it was started from, when there is one.
    for (const std::string& a : args)
        if (a.size() > 1 && a[0] == '-' && AttachConsole(ATTACH_PARENT_PROCESS)) {
            std::freopen("CONOUT$", "w", stdout);
            std::freopen("CONOUT$", "w", stderr);
            break;
        }
    if (const int code = qp::TakeCommandLine(args); code >= 0) return code;
    qp::InitProgramDirectory(nullptr);
    qp::Win32Platform platform;
    qp::SetPlatform(&platform);
    const int code = qp::RunQuillane();
    qp::SetPlatform(nullptr);
    return code;
}

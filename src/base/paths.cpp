#include "base/paths.h"

#include "base/workspace.h"
#include "platform/files.h"

namespace qp {

namespace {

// The installed demo's folders a per-user program directory gets, laid out as
// the build lays out its own program directory (prepare_program_dir.cmake):
// the Cyrillic demo's dictionaries too, so that what the manual says about
// trying it holds wherever the program runs from.
struct SeededFolder {
    const char* demo;
    const char* own;
};
const SeededFolder kSeeded[] = {{"data", "data"},
                                {"dataextra", "dataextra"},
                                {"plugins", "plugins"},
                                {"cyrillic\\data", "demo-cyrillic\\data"}};

std::optional<Notice> PreparationFailure(const std::string& folder, const std::string& why) {
    return Notice{"INFORMATION", "THE PROGRAM DIRECTORY COULD NOT BE PREPARED:\r" + folder + "\r" + why,
                  Icon::Stop};
}

// Makes the per-user program directory, and copies in each folder of the demo
// it lacks. Nothing already there is touched: a folder the user has, even
// emptied, stays as it is.
std::optional<Notice> PrepareUserDirectory(const std::string& dir, const std::string& demo) {
    std::string why;
    if (!MakeFolder(dir, &why)) return PreparationFailure(dir, why);
    for (const SeededFolder& f : kSeeded) {
        const std::string own = NativePath(dir, f.own);
        const std::string from = NativePath(demo, f.demo);
        if (DirectoryExists(own) || !DirectoryExists(from)) continue;
        // Another first start may put its copy in place meanwhile: the
        // folder is there, which is all this one wanted.
        if ((!MakeFolder(FolderPart(own), &why) || !CopyNewFolder(from, own, &why)) && !DirectoryExists(own))
            return PreparationFailure(own, why);
    }
    return std::nullopt;
}

}  // namespace

std::string ProgramDirectory() { return gWs.env.programDir; }
void SetProgramDirectory(const std::string& dir) { gWs.env.programDir = AbsoluteFolder(dir); }
std::string InstalledDataDirectory() { return gWs.env.installedData; }
std::string ResolvePath(const std::string& name) { return NativePath(gWs.env.programDir, name); }

std::optional<Notice> InitProgramDirectory(const char* argv0) {
    return InitProgramDirectoryFrom(ExecutableFolder(argv0));
}

// Installed or not. A program run from a build folder or an unzipped Windows
// folder has a folder "data" beside its executable, and keeps its files
// there. A program installed under a prefix (/usr, /usr/local) has no such
// folder, can seldom write beside its executable, and finds its demo at
// <prefix>/share/quillane/demo, beside its bin folder: it keeps each user's
// files in <user data folder>/quillane (~/.local/share/quillane), made on
// first start from that demo. Anywhere else the executable's folder is used.
std::optional<Notice> InitProgramDirectoryFrom(const std::string& exeFolder) {
    Workspace::Environment& env = gWs.env;
    const std::string exe = AbsoluteFolder(exeFolder);
    env.programDir = exe;
    env.installedData.clear();
    env.programDirFailure.reset();
    env.programDirWarning.reset();
    const std::string shared = AbsoluteFolder(NativePath(exe, "..\\share\\quillane"));
    const std::string demo = NativePath(shared, "demo\\");
    if (DirectoryExists(NativePath(exe, "data")) || !DirectoryExists(demo)) return std::nullopt;

    env.installedData = shared;
    std::string ignored;
    const std::string home = UserDataFolder(&ignored);
    if (home.empty()) {
        env.programDirFailure = PreparationFailure(
            "quillane", ignored.empty() ? "the environment names no folder for the user's own files"
                                        : "the environment names no folder for the user's own files but " +
                                              ignored + ", which is not a full path");
    } else {
        if (!ignored.empty())
            env.programDirWarning = Notice{"INFORMATION",
                                           "A RELATIVE PATH IN THE ENVIRONMENT WAS IGNORED:\r" + ignored +
                                               "\rTHE PROGRAM DIRECTORY IS:\r" +
                                               AbsoluteFolder(NativePath(home, "quillane")),
                                           Icon::Warning};
        env.programDir = AbsoluteFolder(NativePath(home, "quillane"));
        env.programDirFailure = PrepareUserDirectory(env.programDir, demo);
    }
    return env.programDirFailure;
}

}  // namespace qp

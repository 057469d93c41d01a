// File services of POSIX systems (Linux): see files_os.h.
#ifndef _WIN32

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/files.h"
#include "platform/files_os.h"

namespace fs = std::filesystem;

namespace qp {

bool IsTerminal(std::FILE* f) { return isatty(fileno(f)) != 0; }

void SetBinaryMode(std::FILE*) {}

bool SameFileName(const std::string& a, const std::string& b) { return a == b; }

namespace os {

fs::path FsPath(const std::string& path) { return fs::path(path); }

std::string FromFsPath(const fs::path& p) { return p.string(); }

size_t DrivePrefixLength(const std::string&) { return 0; }

std::string ExecutablePath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

// The XDG base directories: $XDG_DATA_HOME when it is an absolute path
// (a relative one is to be ignored), else ~/.local/share.
std::string UserDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.local/share";
    return {};
}

void StartWriteback(std::FILE* f, uint64_t offset, uint64_t length) {
#ifdef __linux__
    sync_file_range(fileno(f), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)f;
    (void)offset;
    (void)length;
#endif
}

bool SyncToDisk(std::FILE* f, std::string& why) {
    if (fsync(fileno(f)) == 0) return true;
    why = std::strerror(errno);
    return false;
}

bool ReplaceTarget(const std::string& temp, const std::string& target, std::string& why) {
    std::error_code ec;
    fs::rename(fs::path(temp), fs::path(target), ec);
    if (!ec) return true;
    why = ec.message();
    return false;
}

}  // namespace os
}  // namespace qp

#endif  // !_WIN32

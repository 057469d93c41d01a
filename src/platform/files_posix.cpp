// File services of POSIX systems (Linux): see files_os.h.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
// (a relative one is to be ignored), else ~/.local/share. A relative HOME
// would put the folder under whatever folder the program started in.
std::string UserDataHome(std::string& ignored) {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    if (xdg && xdg[0]) ignored = std::string("XDG_DATA_HOME=") + xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    if (home && home[0]) ignored = std::string("HOME=") + home;
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

intptr_t LockOpen(const std::string& path, bool create, bool& busy, std::string& err) {
    busy = false;
    // Never through a link: a dangling one would make its target, wherever
    // it points, and removing the lock file would take the link away.
    const int fd = ::open(path.c_str(),
                          (create ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0) {
        err = errno == EISDIR ? "it is a folder" : errno == ELOOP ? "it is a link" : std::strerror(errno);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        err = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    // The lock must be on the file that bears the name: a holder removes its
    // lock file as it lets go, and another may have made a new one since.
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino) {
        busy = true;
        err = "the file was replaced";
        ::close(fd);
        return -1;
    }
    return fd;
}

void LockClose(intptr_t handle, const std::string& path, bool remove) {
    // Removed while still held: a waiter then finds the name gone and starts afresh.
    if (remove) ::unlink(path.c_str());
    ::close(static_cast<int>(handle));
}

std::FILE* OpenRegularForReading(const std::string& path, std::string& err) {
    // Opened without waiting: a pipe with no writer would block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = "cannot open for reading (" + std::string(std::strerror(errno)) + ")";
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? "cannot open for reading (it is a folder)"
                                  : "cannot open for reading (not a regular file)";
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        err = "cannot open for reading (" + std::string(std::strerror(errno)) + ")";
        ::close(fd);
    }
    return f;
}

}  // namespace os
}  // namespace qp

#endif  // !_WIN32

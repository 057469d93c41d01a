#include "platform/files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#define QP_FSYNC(fd) _commit(fd)
#define QP_FILENO(f) _fileno(f)
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#define QP_FSYNC(fd) fsync(fd)
#define QP_FILENO(f) fileno(f)
#endif

namespace fs = std::filesystem;

namespace qp {

namespace {
char NativeSep() { return static_cast<char>(fs::path::preferred_separator); }

std::string WithTrailingSep(std::string d) {
    if (!d.empty() && d.back() != '/' && d.back() != '\\') d += NativeSep();
    return d;
}

std::string ErrnoText() { return std::strerror(errno); }

bool IsAbsoluteName(const std::string& name) {
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return true;
    return name.size() >= 2 && name[1] == ':';
}

constexpr size_t kStreamBuffer = 1 << 20;
constexpr uint64_t kWritebackStep = 2 << 20;

// Asks the system to begin writing a range of the file to disk without
// waiting for it; where there is no such request, the final sync does it all.
void StartWriteback(int fd, uint64_t offset, uint64_t length) {
#ifdef __linux__
    sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)length;
#endif
}

constexpr char kTempPrefix[] = "quillane-";
constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kTempDigits = 12;

// A fresh temporary name in a folder (given with its trailing separator).
std::string TempNameIn(const std::string& folder) {
    static std::mt19937_64 rng{std::random_device{}()};
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%012llx%s", kTempPrefix,
                  static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFull), kTempSuffix);
    return folder + buf;
}

// The file a write to path replaces: the target of a symbolic link, so that
// the link stays a link.
std::string LinkTarget(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(fs::path(path), ec))) return path;
    fs::path p = fs::weakly_canonical(fs::path(path), ec);
    return ec ? path : p.string();
}

// --- what differs by system: exclusive locks, opening a regular file ---
#ifdef _WIN32
// The locked byte lies far beyond any data, so the lock never stands in the
// way of writes to the file through another handle.
constexpr DWORD kLockOffsetHigh = 0x40000000;

intptr_t LockOpen(const std::string& path, bool create, bool& busy, std::string& err) {
    busy = false;
    // A lock file is deleted when its holder closes it.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | (create ? DELETE : 0),
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | (create ? FILE_FLAG_DELETE_ON_CLOSE : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        // A lock file on its way out cannot be opened until its holder is gone.
        busy = e == ERROR_SHARING_VIOLATION || (e == ERROR_ACCESS_DENIED && fs::exists(fs::path(path)));
        err = std::error_code(static_cast<int>(e), std::system_category()).message();
        return -1;
    }
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD e = GetLastError();
        busy = e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING;
        err = std::error_code(static_cast<int>(e), std::system_category()).message();
        CloseHandle(h);
        return -1;
    }
    return reinterpret_cast<intptr_t>(h);
}

void LockClose(intptr_t h, const std::string&, bool) { CloseHandle(reinterpret_cast<HANDLE>(h)); }

FILE* OpenRegularForReading(const std::string& path, std::string& err) {
    std::error_code ec;
    const auto type = fs::status(fs::path(path), ec).type();
    if (!ec && type != fs::file_type::regular && type != fs::file_type::not_found) {
        err = type == fs::file_type::directory ? "cannot open for reading (it is a folder)"
                                               : "cannot open for reading (not a regular file)";
        return nullptr;
    }
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) err = "cannot open for reading (" + ErrnoText() + ")";
    return f;
}
#else
intptr_t LockOpen(const std::string& path, bool create, bool& busy, std::string& err) {
    busy = false;
    const int fd = ::open(path.c_str(), (create ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        err = ErrnoText();
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        err = ErrnoText();
        ::close(fd);
        return -1;
    }
    // The lock must be on the file that bears the name: a holder removes its
    // lock file as it lets go, and another may have made a new one since.
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino) {
        busy = true;
        err = "the file was replaced";
        ::close(fd);
        return -1;
    }
    return fd;
}

void LockClose(intptr_t h, const std::string& path, bool remove) {
    // Removed while still held: a waiter then finds the name gone and starts afresh.
    if (remove) ::unlink(path.c_str());
    ::close(static_cast<int>(h));
}

FILE* OpenRegularForReading(const std::string& path, std::string& err) {
    // Opened without waiting: a pipe with no writer would block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = "cannot open for reading (" + ErrnoText() + ")";
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
    FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        err = "cannot open for reading (" + ErrnoText() + ")";
        ::close(fd);
    }
    return f;
}
#endif
}  // namespace

FileLock::Result FileLock::TryLock(const std::string& path, bool create, std::string* err) {
    Release();
    bool busy = false;
    std::string why;
    const intptr_t h = LockOpen(path, create, busy, why);
    if (h == kNone) {
        if (err) *err = why;
        return busy ? Result::Busy : Result::Failed;
    }
    handle_ = h;
    path_ = path;
    created_ = create;
    return Result::Held;
}

void FileLock::Release() {
    if (handle_ == kNone) return;
    LockClose(handle_, path_, created_);
    handle_ = kNone;
}

bool IsTemporaryName(const std::string& name) {
    const size_t prefix = sizeof kTempPrefix - 1, suffix = sizeof kTempSuffix - 1;
    if (name.size() != prefix + kTempDigits + suffix || name.compare(0, prefix, kTempPrefix) != 0 ||
        name.compare(prefix + kTempDigits, suffix, kTempSuffix) != 0)
        return false;
    for (size_t i = prefix; i < prefix + kTempDigits; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> found;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (IsTemporaryName(it->path().filename().string()) && it->is_regular_file(ignored) &&
            !it->is_symlink(ignored))
            found.push_back(it->path().string());
    }
    // One that a running write holds stays; one nobody holds was left by a kill.
    for (const std::string& path : found) {
        FileLock held;
        if (held.TryLock(path, false) == FileLock::Result::Held) RemoveFile(path);
    }
}

bool IsTerminal(std::FILE* f) {
#ifdef _WIN32
    return _isatty(QP_FILENO(f)) != 0;
#else
    return isatty(QP_FILENO(f)) != 0;
#endif
}

void SetBinaryMode(std::FILE* f) {
#ifdef _WIN32
    _setmode(QP_FILENO(f), _O_BINARY);
#else
    (void)f;
#endif
}

std::string AbsoluteFolder(const std::string& dir) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(dir), ec);
    return WithTrailingSep(ec ? dir : p.lexically_normal().string());
}

std::string ExecutableFolder(const char* argv0) {
    std::error_code ec;
    fs::path exe;
#ifndef _WIN32
    exe = fs::read_symlink("/proc/self/exe", ec);
#endif
    if (exe.empty() || ec) {
        ec.clear();
        exe = fs::absolute(fs::path(argv0 ? argv0 : ""), ec);
    }
    return AbsoluteFolder(exe.parent_path().string());
}

std::string NativePath(const std::string& folder, const std::string& name) {
    std::string mapped = name;
    for (char& c : mapped)
        if (c == '\\' || c == '/') c = NativeSep();
    if (IsAbsoluteName(name)) return mapped;
    return folder + mapped;
}

std::string FileNamePart(const std::string& path) {
    size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
    size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(path), ec);
}

int64_t FileSize(const std::string& path) {
    std::error_code ec;
    auto s = fs::file_size(fs::path(path), ec);
    return ec ? -1 : static_cast<int64_t>(s);
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string* err) {
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (err) *err = "cannot open for reading (" + ErrnoText() + ")";
        return false;
    }
    // Read straight into a buffer of the file's size: growing by appends
    // copied a large plugin several times over.
    std::error_code ec;
    const auto expected = fs::file_size(fs::path(path), ec);
    if (!ec && expected > 0) {
        out.resize(static_cast<size_t>(expected));
        out.resize(std::fread(out.data(), 1, out.size(), f));
    }
    char buf[1 << 16];
    size_t n;
    // Whatever the file holds beyond the size it had when opened.
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    bool ok = !std::ferror(f);
    if (!ok && err) *err = "cannot read (" + ErrnoText() + ")";
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

FileReader::~FileReader() {
    if (handle_) std::fclose(static_cast<FILE*>(handle_));
}

bool FileReader::Open(const std::string& path, std::string* err) {
    std::string why;
    FILE* f = OpenRegularForReading(path, why);
    if (!f) {
        if (err) *err = why;
        return false;
    }
    std::error_code ec;
    const auto size = fs::file_size(fs::path(path), ec);
    if (ec) {
        if (err) *err = "cannot read (" + ec.message() + ")";
        std::fclose(f);
        return false;
    }
    handle_ = f;
    size_ = static_cast<int64_t>(size);
    return true;
}

bool FileReader::Read(char* out, size_t size, std::string* err) {
    FILE* f = static_cast<FILE*>(handle_);
    if (!f) {
        if (err) *err = "cannot read (file not open)";
        return false;
    }
    if (size && std::fread(out, 1, size, f) != size) {
        if (err) *err = "cannot read (" + std::string(std::ferror(f) ? ErrnoText() : "the file got shorter") + ")";
        return false;
    }
    return true;
}

bool CreateIfMissing(const std::string& path) {
    if (FileExists(path)) return true;
    std::error_code ec;
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool RemoveFile(const std::string& path, std::string* err) {
    std::error_code ec;
    fs::remove(fs::path(path), ec);
    if (ec) {
        if (err) *err = "cannot delete (" + ec.message() + ")";
        return false;
    }
    return true;
}

bool AppendToFile(const std::string& path, const std::string& bytes, std::string* err) {
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) {
        if (err) *err = "cannot open for writing (" + ErrnoText() + ")";
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (!ok && err) *err = "cannot write (" + ErrnoText() + ")";
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        if (err) *err = "cannot write (" + ErrnoText() + ")";
    }
    return ok;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* err) {
    AtomicFile f;
    if (!f.Open(path, err)) return false;
    if (!f.Write(bytes, err)) return false;
    return f.Commit(err);
}

bool EnsureParentFolder(const std::string& path) {
    std::error_code ec;
    fs::path parent = fs::path(path).parent_path();
    if (parent.empty() || fs::is_directory(parent, ec)) return true;
    fs::create_directories(parent, ec);
    return !ec;
}

bool IsWritableDirectory(const std::string& dir) {
    std::string probe = TempNameIn(WithTrailingSep(dir));
    FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    std::remove(probe.c_str());
    return true;
}

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& target, std::string* err) {
    Abort();
    target_ = LinkTarget(target);
    temp_ = TempNameIn(FolderPart(target_));
    FILE* f = std::fopen(temp_.c_str(), "wb");
    if (!f) {
        if (err) *err = "cannot create a file in its folder (" + ErrnoText() + ")";
        temp_.clear();
        return false;
    }
    // Held until the file has taken the target's place, so that no cleaner
    // takes it for one a killed run left. Where the system has no locks the
    // write goes on without.
    std::string why;
    if (tempLock_.TryLock(temp_, false, &why) == FileLock::Result::Busy) {
        std::fclose(f);
        if (err) *err = "cannot create a file in its folder (" + why + ")";
        temp_.clear();
        return false;
    }
    // Large writes in few system calls: a plugin is written block by block.
    // (The stream's own buffer would be one disk block, whatever size is asked.)
    buffer_.reset(new char[kStreamBuffer]);
    std::setvbuf(f, buffer_.get(), _IOFBF, kStreamBuffer);
    handle_ = f;
    written_ = flushedTo_ = 0;
    return true;
}

bool AtomicFile::Write(const char* data, size_t size, std::string* err) {
    FILE* f = static_cast<FILE*>(handle_);
    if (!f) {
        if (err) *err = "cannot write (file not open)";
        return false;
    }
    if (size && std::fwrite(data, 1, size, f) != size) {
        if (err) *err = "cannot write (" + ErrnoText() + ")";
        Abort();
        return false;
    }
    written_ += size;
    // Large files start on their way to disk while the rest is still being
    // written, so the sync at the end has little left to wait for.
    if (written_ - flushedTo_ >= kWritebackStep) {
        if (std::fflush(f) != 0) {
            if (err) *err = "cannot write (" + ErrnoText() + ")";
            Abort();
            return false;
        }
        StartWriteback(QP_FILENO(f), flushedTo_, written_ - flushedTo_);
        flushedTo_ = written_;
    }
    return true;
}

bool AtomicFile::Finish(std::string* err) {
    if (finished_) return true;
    FILE* f = static_cast<FILE*>(handle_);
    if (!f) {
        if (err) *err = "cannot write (file not open)";
        return false;
    }
    if (std::fflush(f) != 0 || QP_FSYNC(QP_FILENO(f)) != 0) {
        if (err) *err = "cannot write (" + ErrnoText() + ")";
        Abort();
        return false;
    }
    handle_ = nullptr;
    if (std::fclose(f) != 0) {
        if (err) *err = "cannot write (" + ErrnoText() + ")";
        std::remove(temp_.c_str());
        temp_.clear();
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::Commit(std::string* err) {
    if (!Finish(err)) return false;
    std::error_code ec;
    fs::rename(fs::path(temp_), fs::path(target_), ec);
    if (ec) {
        if (err) *err = "cannot replace the file (" + ec.message() + ")";
        std::remove(temp_.c_str());
        temp_.clear();
        tempLock_.Release();
        finished_ = false;
        return false;
    }
    temp_.clear();
    tempLock_.Release();
    finished_ = false;
    return true;
}

bool CommitTogether(const std::vector<AtomicFile*>& files, size_t& failed, std::string* err) {
    // The old content of each replaced target, kept under a temporary name
    // as a second link to it (a copy where links are not to be had): the
    // target itself never goes missing.
    struct Replaced {
        std::string target, kept;  // kept: empty when there was no target
    };
    std::vector<Replaced> done;
    auto undo = [&] {
        for (auto d = done.rbegin(); d != done.rend(); ++d) {
            std::error_code ec;
            if (d->kept.empty())
                fs::remove(fs::path(d->target), ec);
            else
                fs::rename(fs::path(d->kept), fs::path(d->target), ec);
        }
        for (AtomicFile* f : files) f->Abort();
    };
    for (failed = 0; failed < files.size(); ++failed) {
        AtomicFile& f = *files[failed];
        if (!f.Finish(err)) {
            undo();
            return false;
        }
        Replaced r{f.target_, {}};
        std::error_code ec;
        if (fs::exists(fs::symlink_status(fs::path(r.target), ec))) {
            r.kept = TempNameIn(FolderPart(r.target));
            fs::create_hard_link(fs::path(r.target), fs::path(r.kept), ec);
            if (ec) {
                ec.clear();
                fs::copy_file(fs::path(r.target), fs::path(r.kept), ec);
            }
            if (ec) {
                if (err) *err = "cannot keep the old file (" + ec.message() + ")";
                fs::remove(fs::path(r.kept), ec);
                undo();
                return false;
            }
        }
        fs::rename(fs::path(f.temp_), fs::path(r.target), ec);
        if (ec) {
            if (err) *err = "cannot replace the file (" + ec.message() + ")";
            if (!r.kept.empty()) fs::remove(fs::path(r.kept), ec);
            undo();
            return false;
        }
        f.temp_.clear();
        f.tempLock_.Release();
        f.finished_ = false;
        done.push_back(std::move(r));
    }
    for (const Replaced& r : done) {
        std::error_code ec;
        if (!r.kept.empty()) fs::remove(fs::path(r.kept), ec);
    }
    return true;
}

void AtomicFile::Abort() {
    finished_ = false;
    if (handle_) {
        std::fclose(static_cast<FILE*>(handle_));
        handle_ = nullptr;
    }
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        temp_.clear();
    }
    tempLock_.Release();
}

}  // namespace qp

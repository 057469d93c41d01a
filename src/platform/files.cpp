#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#include "platform/files_os.h"

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
    if (!fs::is_symlink(fs::symlink_status(os::FsPath(path), ec))) return path;
    fs::path p = fs::weakly_canonical(os::FsPath(path), ec);
    return ec ? path : os::FromFsPath(p);
}

// What stands where a folder is to be made, and what the user can do.
std::string InTheWay(const std::string& path) {
    std::error_code ec;
    const bool link = fs::is_symlink(fs::symlink_status(os::FsPath(path), ec));
    return std::string("cannot copy (") + (link ? "a link" : "a file") +
           " of that name is in the way: move or rename it, and the folder is made at the next start)";
}
}  // namespace

FileLock::Result FileLock::TryLock(const std::string& path, bool create, std::string* err) {
    Release();
    bool busy = false;
    std::string why;
    const intptr_t h = os::LockOpen(path, create, busy, why);
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
    os::LockClose(handle_, path_, created_);
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
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : os::FsPath(folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (IsTemporaryName(os::FromFsPath(it->path().filename())) && it->is_regular_file(ignored) &&
            !it->is_symlink(ignored))
            found.push_back(os::FromFsPath(it->path()));
    }
    // One that a running write holds stays; one nobody holds was left by a kill.
    for (const std::string& path : found) {
        FileLock held;
        if (held.TryLock(path, false) == FileLock::Result::Held) RemoveFile(path);
    }
}

std::string AbsoluteFolder(const std::string& dir) {
    std::error_code ec;
    fs::path p = fs::absolute(os::FsPath(dir), ec);
    return WithTrailingSep(ec ? dir : os::FromFsPath(p.lexically_normal()));
}

std::string ExecutableFolder(const char* argv0) {
    std::error_code ec;
    fs::path exe = os::FsPath(os::ExecutablePath());
    if (exe.empty()) exe = fs::absolute(os::FsPath(argv0 ? argv0 : ""), ec);
    return AbsoluteFolder(os::FromFsPath(exe.parent_path()));
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = fs::equivalent(os::FsPath(a), os::FsPath(b), ec);
    return same && !ec;
}

std::string UserDataFolder(std::string* ignored) {
    std::string passedOver;
    const std::string home = os::UserDataHome(passedOver);
    if (ignored) *ignored = passedOver;
    return home.empty() ? home : AbsoluteFolder(home);
}

bool MakeFolder(const std::string& dir, std::string* err) {
    std::error_code ec;
    const fs::path p = os::FsPath(dir);
    if (fs::is_directory(p, ec)) return true;
    fs::create_directories(p, ec);
    if (!ec && fs::is_directory(p, ec)) return true;
    if (err) *err = "cannot make the folder (" + (ec ? ec.message() : std::string("not a folder")) + ")";
    return false;
}

bool CopyNewFolder(const std::string& from, const std::string& to, std::string* err) {
    std::error_code ec;
    fs::path target = os::FsPath(to);
    while (!target.empty() && !target.has_filename()) target = target.parent_path();
    if (fs::exists(fs::symlink_status(target, ec))) {
        if (err) *err = fs::is_directory(target, ec) ? "cannot copy (the folder exists)" : InTheWay(os::FromFsPath(target));
        return false;
    }
    // The copy is made in a folder of our own, made for this run under a name
    // no user would choose, and renamed into place whole: nothing of the
    // user's is ever removed, whatever an earlier run left behind.
    fs::path staging;
    for (int tries = 0; staging.empty(); ++tries) {
        const fs::path candidate = os::FsPath(TempNameIn(WithTrailingSep(os::FromFsPath(target.parent_path()))));
        if (fs::create_directory(candidate, ec)) staging = candidate;
        else if (ec || tries == 8) {
            if (err) *err = "cannot copy (" + (ec ? ec.message() : std::string("no free temporary name")) + ")";
            return false;
        }
    }
    const fs::path copy = staging / "copy";
    fs::copy(os::FsPath(from), copy, fs::copy_options::recursive, ec);
    if (!ec) fs::rename(copy, target, ec);
    // A run started at the same time may have put its own copy in place
    // first: the folder is there, which is all that was asked.
    std::error_code ignored;
    if (ec && fs::is_directory(fs::symlink_status(target, ignored))) ec.clear();
    fs::remove_all(staging, ignored);
    if (!ec) return true;
    if (err) *err = "cannot copy (" + ec.message() + ")";
    return false;
}

std::string NativePath(const std::string& folder, const std::string& name) {
    std::string mapped = name;
    for (char& c : mapped)
        if (c == '\\' || c == '/') c = NativeSep();
    if (IsAbsoluteName(name)) return mapped;
    return folder + mapped;
}

namespace {
// Where the file name begins: after the last separator, or after a drive
// ("C:plugin.esp") where the system has drives.
size_t NameStart(const std::string& path) {
    size_t p = path.find_last_of("\\/");
    return std::max(p == std::string::npos ? 0 : p + 1, os::DrivePrefixLength(path));
}
}  // namespace

std::string FileNamePart(const std::string& path) { return path.substr(NameStart(path)); }

std::string FolderPart(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string AbsolutePath(const std::string& name) {
    std::error_code ec;
    fs::path p = fs::absolute(os::FsPath(name), ec);
    if (ec) return name;
    p = p.lexically_normal();
    fs::path folder = fs::weakly_canonical(p.parent_path(), ec);
    if (!ec) p = folder / p.filename();
    return os::FromFsPath(p);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(os::FsPath(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(os::FsPath(path), ec);
}

PathKind KindOfPath(const std::string& path, std::string* err) {
    std::error_code ec;
    const fs::path p = os::FsPath(path);
    const fs::file_status link = fs::symlink_status(p, ec);
    if (link.type() == fs::file_type::not_found) return PathKind::Nothing;
    const fs::file_status target = fs::is_symlink(link) ? fs::status(p, ec) : link;
    if (target.type() == fs::file_type::not_found) return PathKind::Nothing;
    if (ec) {
        if (err) *err = ec.message();
        return PathKind::Unknown;
    }
    return fs::is_regular_file(target) ? PathKind::File
           : fs::is_directory(target)  ? PathKind::Folder
                                       : PathKind::Other;
}

int64_t FileSize(const std::string& path) {
    std::error_code ec;
    auto s = fs::file_size(os::FsPath(path), ec);
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
    const auto expected = fs::file_size(os::FsPath(path), ec);
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
    FILE* f = os::OpenRegularForReading(path, why);
    if (!f) {
        if (err) *err = why;
        return false;
    }
    std::error_code ec;
    const auto size = fs::file_size(os::FsPath(path), ec);
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
    fs::path p = os::FsPath(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool RemoveFile(const std::string& path, std::string* err) {
    std::error_code ec;
    fs::remove(os::FsPath(path), ec);
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
    fs::path parent = os::FsPath(path).parent_path();
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
        std::remove(temp_.c_str());
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
        os::StartWriteback(f, flushedTo_, written_ - flushedTo_);
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
    std::string why;
    if (std::fflush(f) != 0) why = ErrnoText();
    if (!why.empty() || !os::SyncToDisk(f, why)) {
        if (err) *err = "cannot write (" + why + ")";
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
    std::string why;
    if (!os::ReplaceTarget(temp_, target_, why)) {
        if (err) *err = "cannot replace the file (" + why + ")";
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
            std::string why;
            if (d->kept.empty())
                fs::remove(os::FsPath(d->target), ec);
            else
                os::ReplaceTarget(d->kept, d->target, why);
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
        if (fs::exists(fs::symlink_status(os::FsPath(r.target), ec))) {
            r.kept = TempNameIn(FolderPart(r.target));
            fs::create_hard_link(os::FsPath(r.target), os::FsPath(r.kept), ec);
            if (ec) {
                ec.clear();
                fs::copy_file(os::FsPath(r.target), os::FsPath(r.kept), ec);
            }
            if (ec) {
                if (err) *err = "cannot keep the old file (" + ec.message() + ")";
                fs::remove(os::FsPath(r.kept), ec);
                undo();
                return false;
            }
        }
        std::string why;
        if (!os::ReplaceTarget(f.temp_, r.target, why)) {
            if (err) *err = "cannot replace the file (" + why + ")";
            if (!r.kept.empty()) fs::remove(os::FsPath(r.kept), ec);
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
        if (!r.kept.empty()) fs::remove(os::FsPath(r.kept), ec);
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

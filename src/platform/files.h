// File services. Relative names are written the Windows way
// ("data\Celldata.dat"); NativePath turns them into native paths.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The folder of the running executable, absolute, with a trailing separator.
std::string ExecutableFolder(const char* argv0);
// The folder under which each user keeps the data of programs installed for
// all users: $XDG_DATA_HOME or ~/.local/share (on Windows %LOCALAPPDATA%),
// with a trailing separator; "" when the environment names none. A variable
// holding a relative path is passed over; ignored then says which
// ("XDG_DATA_HOME=share").
std::string UserDataFolder(std::string* ignored = nullptr);
// Makes the folder and any missing parents. On failure says why in err.
bool MakeFolder(const std::string& dir, std::string* err = nullptr);
// Copies the folder from, with all it holds, to the folder to, which must not
// exist yet (its parent must): to appears whole or not at all, since the copy
// is made beside it under another name and then renamed. On failure nothing
// is left and err says why.
bool CopyNewFolder(const std::string& from, const std::string& to, std::string* err = nullptr);
// A folder made absolute and normal, with a trailing separator.
std::string AbsoluteFolder(const std::string& dir);
// The one place that maps the Windows way of writing a relative name
// ("data\Celldata.dat") to a native path under a folder; an absolute path
// only has its separators mapped.
std::string NativePath(const std::string& folder, const std::string& name);
// The part after the last separator ('\' or '/').
std::string FileNamePart(const std::string& path);
// The part up to and including the last separator ('\' or '/').
std::string FolderPart(const std::string& path);

// The absolute form of a path with "." and ".." gone and its folder resolved
// through links, so that two spellings of one file compare equal; the file
// name itself is kept as given.
std::string AbsolutePath(const std::string& name);
// Do the two full paths name the same file the way the system compares names
// (Windows ignores letter case and takes '/' for '\')?
bool SameFileName(const std::string& a, const std::string& b);
// Are the two names one file on disk (a link, another spelling, a hard link)?
// False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// What a path names: nothing at all (not even a link to nothing), a regular
// file, a folder, anything else (a pipe, a device), or what the system cannot
// tell (err says why).
enum class PathKind { Nothing, File, Folder, Other, Unknown };
PathKind KindOfPath(const std::string& path, std::string* err = nullptr);
// Size in bytes, or -1.
int64_t FileSize(const std::string& path);

// Reads a whole file. On failure returns false and says why in err.
bool ReadWholeFile(const std::string& path, std::string& out, std::string* err = nullptr);
// Creates the file empty when it does not exist (its folder too). Returns
// false when it cannot exist afterwards.
bool CreateIfMissing(const std::string& path);
// Removes the file; a file that does not exist is no failure.
bool RemoveFile(const std::string& path, std::string* err = nullptr);
// Appends bytes to the end of the file, creating it when missing.
bool AppendToFile(const std::string& path, const std::string& bytes, std::string* err = nullptr);
// Replaces the content of path safely: the bytes go to a temporary file in the
// same folder, are flushed to disk, and only then take the target's place.
// On failure the target is as it was and no temporary file is left.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* err = nullptr);
bool IsWritableDirectory(const std::string& dir);
// Makes the folder a file is to go into (a missing data or dataextra folder is
// made on first use). True when it exists afterwards.
bool EnsureParentFolder(const std::string& path);

// Is the stream a terminal (a person watching) rather than a file or pipe?
bool IsTerminal(std::FILE* f);
// Bytes written to the stream go out as they are (no LF to CR LF mapping).
void SetBinaryMode(std::FILE* f);

// Reads a file front to back in pieces, for inputs too large to hold twice.
// Its failures are worded as ReadWholeFile words them. Only a regular file
// opens: a folder, a pipe or a device is refused at once, never waited on.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool Open(const std::string& path, std::string* err = nullptr);
    // The size in bytes when it was opened.
    int64_t Size() const { return size_; }
    // Reads exactly size bytes; a short read is a failure.
    bool Read(char* out, size_t size, std::string* err = nullptr);

private:
    void* handle_ = nullptr;
    int64_t size_ = 0;
};

// An exclusive lock on a file, held by this object until Release. Another
// process (or another FileLock of this one) cannot take it meanwhile.
class FileLock {
public:
    enum class Result { Held, Busy, Failed };
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Tries once, without waiting. create: the file is made when missing, and
    // removed again on Release (a lock file leaves nothing behind).
    Result TryLock(const std::string& path, bool create, std::string* err = nullptr);
    void Release();
    bool Held() const { return handle_ != kNone; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
    std::string path_;
    bool created_ = false;
};

// Temporary files of ours are "quillane-" + 12 hex digits + ".tmp", in the
// target's folder: short whatever the target's name, and recognisable.
bool IsTemporaryName(const std::string& fileName);
// Removes the temporary files of ours from a folder that no running write
// holds: what a killed run left behind.
void RemoveStaleTemporaries(const std::string& folder);

// Streaming form of WriteFileAtomic for large outputs. A target that is a
// symbolic link keeps its link: the file it points to is replaced. While the
// write runs, its temporary file is locked against RemoveStaleTemporaries.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // aborts when not committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::string& target, std::string* err = nullptr);
    bool Write(const char* data, size_t size, std::string* err = nullptr);
    bool Write(std::string_view s, std::string* err = nullptr) { return Write(s.data(), s.size(), err); }
    // Flushes and syncs the content to disk; the target is not touched yet.
    bool Finish(std::string* err = nullptr);
    // Finishes when needed, then puts the new file in the target's place.
    bool Commit(std::string* err = nullptr);
    void Abort();

    // Puts written files in their targets' places all together: when one
    // cannot take its place, every target already replaced gets its old
    // content back and the new files are removed. On failure failed is the
    // index of the file that could not be put in place.
    friend bool CommitTogether(const std::vector<AtomicFile*>& files, size_t& failed, std::string* err);

private:
    void* handle_ = nullptr;
    FileLock tempLock_;
    bool finished_ = false;
    std::string target_;
    std::string temp_;
    std::unique_ptr<char[]> buffer_;  // the stream's buffer
    uint64_t written_ = 0;            // bytes handed to the stream
    uint64_t flushedTo_ = 0;          // bytes already sent on their way to disk
};

bool CommitTogether(const std::vector<AtomicFile*>& files, size_t& failed, std::string* err = nullptr);

}  // namespace qp

// File services of Windows: see files_os.h. Paths are bytes in the ANSI code
// page, as the "A" functions take them; std::filesystem gets them converted
// explicitly, since its own narrow conversion is not the ANSI code page.
#ifdef _WIN32

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/files_os.h"

namespace fs = std::filesystem;

namespace qp {

namespace {

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// A system error in the words the C library uses for it, so that a failed
// save reads the same on Windows as on Linux ("Permission denied" ...).
std::string ErrorText(DWORD code) {
    int e = 0;
    switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        e = EACCES;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        e = ENOENT;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        e = ENOSPC;
        break;
    case ERROR_WRITE_PROTECT:
        e = EROFS;
        break;
    case ERROR_NOT_SAME_DEVICE:
        e = EXDEV;
        break;
    default:
        break;
    }
    if (e) return std::strerror(e);
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : "system error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.' || s.back() == ' '))
        s.pop_back();
    return s;
}

}  // namespace

bool IsTerminal(std::FILE* f) { return _isatty(_fileno(f)) != 0; }

void SetBinaryMode(std::FILE* f) { _setmode(_fileno(f), _O_BINARY); }

// Windows compares file names ignoring letter case, and takes '/' for '\'.
bool SameFileName(const std::string& a, const std::string& b) {
    std::wstring wa = Wide(a), wb = Wide(b);
    for (std::wstring* w : {&wa, &wb})
        for (wchar_t& c : *w)
            if (c == L'/') c = L'\\';
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

namespace os {

fs::path FsPath(const std::string& path) { return fs::path(Wide(path)); }

std::string FromFsPath(const fs::path& p) { return Narrow(p.native()); }

size_t DrivePrefixLength(const std::string& path) {
    const bool letter = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter ? 2 : 0;
}

std::string ExecutablePath() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

// The local application data folder of the user (not roaming: dictionaries
// and the external database belong to this machine's installation).
std::string UserDataHome(std::string& ignored) {
    DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", nullptr, 0);
    if (n == 0) return {};
    std::string s(n, '\0');
    n = GetEnvironmentVariableA("LOCALAPPDATA", s.data(), n);
    s.resize(n);
    // Only a full path ("C:\...", "\\server\...") names one folder wherever the program starts.
    const bool absolute = (DrivePrefixLength(s) == 2 && s.size() > 2 && (s[2] == '\\' || s[2] == '/')) ||
                          s.rfind("\\\\", 0) == 0 || s.rfind("//", 0) == 0;
    if (absolute) return s;
    if (!s.empty()) ignored = "LOCALAPPDATA=" + s;
    return {};
}

void StartWriteback(std::FILE*, uint64_t, uint64_t) {}

bool SyncToDisk(std::FILE* f, std::string& why) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (h != INVALID_HANDLE_VALUE && FlushFileBuffers(h)) return true;
    why = ErrorText(GetLastError());
    return false;
}

bool ReplaceTarget(const std::string& temp, const std::string& target, std::string& why) {
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    why = ErrorText(GetLastError());
    return false;
}

// The locked byte lies far beyond any data, so the lock never stands in the
// way of writes to the file through another handle.
constexpr DWORD kLockOffsetHigh = 0x40000000;

intptr_t LockOpen(const std::string& path, bool create, bool& busy, std::string& err) {
    busy = false;
    // A folder or a link in the lock file's place takes no lock: a link is
    // never followed, so nothing is made wherever it points.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        err = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? "it is a link" : "it is a folder";
        return -1;
    }
    // A lock file is deleted when its holder closes it.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | (create ? DELETE : 0),
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                               (create ? FILE_FLAG_DELETE_ON_CLOSE : 0),
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        // A lock file on its way out cannot be opened until its holder is gone.
        std::error_code ec;
        busy = e == ERROR_SHARING_VIOLATION || (e == ERROR_ACCESS_DENIED && fs::exists(FsPath(path), ec));
        err = ErrorText(e);
        return -1;
    }
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD e = GetLastError();
        busy = e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING;
        err = ErrorText(e);
        CloseHandle(h);
        return -1;
    }
    return reinterpret_cast<intptr_t>(h);
}

void LockClose(intptr_t handle, const std::string&, bool) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

std::FILE* OpenRegularForReading(const std::string& path, std::string& err) {
    std::error_code ec;
    const auto type = fs::status(FsPath(path), ec).type();
    if (!ec && type != fs::file_type::regular && type != fs::file_type::not_found) {
        err = type == fs::file_type::directory ? "cannot open for reading (it is a folder)"
                                               : "cannot open for reading (not a regular file)";
        return nullptr;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) err = "cannot open for reading (" + std::string(std::strerror(errno)) + ")";
    return f;
}

}  // namespace os
}  // namespace qp

#endif  // _WIN32

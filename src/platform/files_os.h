// The few file services that differ between Windows and POSIX systems, below
// files.cpp. One of files_win32.cpp and files_posix.cpp defines them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace qp::os {

// A path as std::filesystem takes it, and back. Paths are bytes in the
// system's own encoding (the ANSI code page on Windows), never UTF-8 by
// assumption.
std::filesystem::path FsPath(const std::string& path);
std::string FromFsPath(const std::filesystem::path& p);

// Length of a drive prefix ("C:") at the start of the path; 0 where the
// system has no drives.
size_t DrivePrefixLength(const std::string& path);

// The running executable's full path, or "" when the system cannot say.
std::string ExecutablePath();
// Where the system keeps each user's own program data (see UserDataFolder),
// or "" when the environment names no such folder. A variable that holds a
// relative path counts for none: ignored says which ("NAME=value").
std::string UserDataHome(std::string& ignored);

// Asks the system to start writing a range of the file to disk without
// waiting for it (a hint; where there is none, the final sync does it all).
void StartWriteback(std::FILE* f, uint64_t offset, uint64_t length);
// Waits until everything written to the (already flushed) stream is on disk.
bool SyncToDisk(std::FILE* f, std::string& why);
// An exclusive lock on the file at path, taken without waiting: the handle,
// or -1 with busy telling whether another holder has it. create: the file is
// made when missing (and LockClose with remove takes it away again).
intptr_t LockOpen(const std::string& path, bool create, bool& busy, std::string& err);
void LockClose(intptr_t handle, const std::string& path, bool remove);
// Opens a regular file for reading; a folder, a pipe or a device is refused
// at once ("it is a folder", "not a regular file"), never waited on.
std::FILE* OpenRegularForReading(const std::string& path, std::string& err);

// Puts the finished temporary file in the target's place in one step,
// replacing the target; on failure says why and leaves both as they were.
bool ReplaceTarget(const std::string& temp, const std::string& target, std::string& why);

}  // namespace qp::os

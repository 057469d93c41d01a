// The program directory's lock. Every command that writes into the program
// directory holds it, so that two runs of the program (a window and the batch
// tool, or two batch runs) never write there at the same time: a reset cannot
// be undone by a save that started before it.
#pragma once

#include <optional>

#include "base/notice.h"

namespace qp {

extern const char* const kLockFile;  // "quillane.lock", made and removed again

// Takes the lock, waiting up to the environment's lockWaitMs while another
// run holds it; then the refusal. A lock that cannot be taken at all (a
// read-only folder, a folder or a link in the lock file's place) is a refusal
// with its reason. Nested takes of one command count.
std::optional<Notice> LockProgramDirectory();
void UnlockProgramDirectory();

// Holds the lock for a scope; `refused` says when it could not be had.
class ProgramDirectoryLock {
public:
    ProgramDirectoryLock() : refused(LockProgramDirectory()) {}
    ~ProgramDirectoryLock() {
        if (!refused) UnlockProgramDirectory();
    }
    ProgramDirectoryLock(const ProgramDirectoryLock&) = delete;
    ProgramDirectoryLock& operator=(const ProgramDirectoryLock&) = delete;
    const std::optional<Notice> refused;
};

}  // namespace qp

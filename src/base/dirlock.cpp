#include "base/dirlock.h"

#include <chrono>
#include <memory>
#include <thread>

#include "base/paths.h"
#include "base/workspace.h"
#include "platform/files.h"

namespace qp {

const char* const kLockFile = "quillane.lock";

std::optional<Notice> LockProgramDirectory() {
    if (gWs.programLockDepth++ > 0) return std::nullopt;
    const std::string path = ResolvePath(kLockFile);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(gWs.env.lockWaitMs);
    auto lock = std::make_shared<FileLock>();
    for (;;) {
        std::string why;
        const FileLock::Result r = lock->TryLock(path, true, &why);
        if (r == FileLock::Result::Held) {
            gWs.programLock = lock;
            return std::nullopt;
        }
        // A lock that cannot be taken protects nothing: going on without it
        // would let two runs write at once.
        if (r == FileLock::Result::Failed) {
            --gWs.programLockDepth;
            return Notice{"INFORMATION",
                          "THE PROGRAM DIRECTORY COULD NOT BE LOCKED:\r" + path + "\r" + why +
                              "\rNOTHING WAS CHANGED.",
                          Icon::Stop};
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    --gWs.programLockDepth;
    return Notice{"INFORMATION",
                  "ANOTHER RUN OF QUILLANE IS WRITING INTO THE PROGRAM DIRECTORY:\r" + path +
                      "\rNOTHING WAS CHANGED. TRY AGAIN WHEN IT HAS ENDED.",
                  Icon::Stop};
}

void UnlockProgramDirectory() {
    if (gWs.programLockDepth <= 0) return;
    if (--gWs.programLockDepth == 0) gWs.programLock.reset();
}

}  // namespace qp

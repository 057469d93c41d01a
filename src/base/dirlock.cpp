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
        const FileLock::Result r = lock->TryLock(path, true);
        if (r == FileLock::Result::Held) {
            gWs.programLock = lock;
            return std::nullopt;
        }
        if (r == FileLock::Result::Failed) return std::nullopt;
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

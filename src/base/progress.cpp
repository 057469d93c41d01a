#include "base/progress.h"

#include "base/workspace.h"

namespace qp {

void ShowBlockProgress(const char* label, int block, int last) {
    if (last > 4096 && (block & 255) != 0 && block != last) return;
    if (gWs.env.progress) gWs.env.progress(label, block, last);
    if (gWs.env.platform)
        Plat().SetStatusText(kStatusProgress,
                             std::string(label) + std::to_string(block) + " / " + std::to_string(last));
}

void ShowReadProgress(const std::string& type) {
    const std::string text = "Reading block : " + type;
    if (gWs.env.progress) gWs.env.progress(text, -1, -1);
    if (gWs.env.platform) Plat().SetStatusText(kStatusProgress, text);
}

}  // namespace qp

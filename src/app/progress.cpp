#include "app/progress.h"

#include "platform/platform.h"

namespace qp {

void ShowBlockProgress(const char* label, int block, int last) {
    if (last > 4096 && (block & 255) != 0 && block != last) return;
    Plat().SetStatusText(1, std::string(label) + std::to_string(block) + " / " + std::to_string(last));
}

}  // namespace qp

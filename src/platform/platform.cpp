#include "platform/platform.h"

namespace qp {

namespace {
Platform* gPlatform = nullptr;
}

Platform& Plat() { return *gPlatform; }
void SetPlatform(Platform* p) { gPlatform = p; }

}  // namespace qp

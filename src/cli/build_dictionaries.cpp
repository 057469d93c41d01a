#include "cli/build_dictionaries.h"

#include <cstdio>

namespace qp {

int RunBuildDictionaries(const std::vector<std::string>&) {
    std::fputs("build-dictionaries: not built yet\n", stderr);
    return 2;
}

}  // namespace qp

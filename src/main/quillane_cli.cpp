// The quillane-cli program: the batch tool.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/batch.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = qp::RunBatch(args, argc > 0 ? argv[0] : "");
    // Every file is written and closed by now: the system takes back the
    // memory of a large plugin at once, faster than freeing it piece by piece.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

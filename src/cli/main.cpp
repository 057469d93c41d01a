#include <cstdio>

int main() {
    std::puts("quillane-cli: not yet");
    return 0;
}

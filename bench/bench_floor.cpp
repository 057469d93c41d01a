// bench_floor PLUGIN OUTPUT
//
// What a conversion costs before it converts anything: the plugin read into
// memory of its own and written back through the same safe write a save
// uses (temporary file, disk sync, rename). Printed in milliseconds as
// "read R write W"; the conversion's time less this is the cost of the work.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/files.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_floor PLUGIN OUTPUT\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const auto t0 = Clock::now();
    qp::FileReader in;
    std::string err;
    if (!in.Open(argv[1], &err)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], err.c_str());
        return 1;
    }
    const size_t size = static_cast<size_t>(in.Size());
    std::unique_ptr<char[]> bytes(new char[size]);
    if (!in.Read(bytes.get(), size, &err)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], err.c_str());
        return 1;
    }
    const auto t1 = Clock::now();
    qp::AtomicFile out;
    // In pieces the size of an average record run, as a save hands them over.
    bool ok = out.Open(argv[2], &err);
    for (size_t at = 0; ok && at < size; at += 4096)
        ok = out.Write(bytes.get() + at, std::min<size_t>(4096, size - at), &err);
    ok = ok && out.Commit(&err);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", argv[2], err.c_str());
        return 1;
    }
    std::printf("read %.1f write %.1f\n", ms(t1 - t0), ms(Clock::now() - t1));
    return 0;
}

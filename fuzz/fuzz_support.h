// Shared by the fuzz targets: a program directory of their own under the
// temporary folder, and small byte helpers.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "base/paths.h"
#include "platform/files.h"

namespace qfuzz {

inline std::filesystem::path MakeProgramDirectory(const char* tag) {
    std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::filesystem::path dir =
        base / (std::string("quillane-fuzz-") + tag + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "dataextra");
    qp::SetProgramDirectory(dir.string());
    return dir;
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::string s;
    qp::ReadWholeFile(p.string(), s);
    return s;
}

inline std::string Le32(int32_t v) {
    std::string s(4, '\0');
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return s;
}

inline std::string Pair(const std::string& a, const std::string& b) {
    return Le32(static_cast<int32_t>(a.size())) + a + Le32(static_cast<int32_t>(b.size())) + b;
}

// A broken invariant is a finding: stop here so libFuzzer keeps the input.
#define QFUZZ_CHECK(cond)                                                            \
    do {                                                                             \
        if (!(cond)) {                                                               \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, \
                         #cond);                                                     \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

}  // namespace qfuzz

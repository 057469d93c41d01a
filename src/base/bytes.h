// The 32-bit little-endian integers of plugin and dictionary files.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace qp {

// The caller makes sure the four bytes at p exist.
// On a little-endian machine one load or store: every subrecord step of a
// load and a save reads a size field.
inline int32_t GetLe32(const char* p) {
    uint32_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, 4);
    } else {
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    }
    return static_cast<int32_t>(v);
}

inline void PutLe32(char* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 4);
    } else {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

inline void AppendLe32(std::string& out, int32_t value) {
    char b[4];
    PutLe32(b, value);
    out.append(b, 4);
}

}  // namespace qp

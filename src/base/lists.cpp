#include "base/lists.h"

#include <array>
#include <cstdint>

#include "base/translatable.h"

namespace qp {

namespace {

const Translatable& Field(int list) {
    static const Translatable none{"", "", TextKind::DisplayName, IdFrom::Name, 0, true, false, false,
                                   "", 0, 0, ""};
    const Translatable* f = NameField(list);
    return f ? *f : none;
}

}  // namespace

const char* TabTitle(int list) { return Field(list).title; }
const char* ListRecordType(int list) { return Field(list).type; }
const char* ListNameSubrecord(int list) { return Field(list).sub; }
const char* ListDictionary(int list) { return Field(list).dictionary; }
int ListNameLimit(int list) { return Field(list).limit; }

int ListOfRecordType(std::string_view type) {
    // Every block of a plugin asks: four bytes compared as one number.
    if (type.size() != 4) return 0;
    auto code = [](const char* t) {
        return static_cast<uint32_t>(static_cast<unsigned char>(t[0])) |
               static_cast<uint32_t>(static_cast<unsigned char>(t[1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(t[2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(t[3])) << 24;
    };
    static const auto codes = [&] {
        std::array<uint32_t, kListCount> c{};
        for (int i = 0; i < kListCount; ++i) c[static_cast<size_t>(i)] = code(ListRecordType(kFirstList + i));
        return c;
    }();
    const uint32_t want = code(type.data());
    for (int i = 0; i < kListCount; ++i)
        if (codes[static_cast<size_t>(i)] == want) return kFirstList + i;
    return 0;
}

}  // namespace qp

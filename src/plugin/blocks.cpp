#include "plugin/blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/bytes.h"

namespace qp {

namespace {

void Journal(int block, size_t offset, size_t removed, size_t inserted) {
    if (!gWs.journal.open) return;
    gWs.journal.changes.push_back(
        {block, offset, std::string(gWs.table.blocks[static_cast<size_t>(block)].substr(offset, removed)),
         inserted});
}

}  // namespace

void OpenBlockJournal() {
    gWs.journal = BlockJournal{};
    gWs.journal.open = true;
    gWs.journal.sizes = gWs.table.sizes;
}

void RollBackBlockJournal() {
    if (!gWs.journal.open) return;
    for (auto c = gWs.journal.changes.rbegin(); c != gWs.journal.changes.rend(); ++c)
        gWs.table.blocks.Replace(static_cast<size_t>(c->block), c->offset, c->inserted, c->removed);
    gWs.table.sizes = std::move(gWs.journal.sizes);
    CloseBlockJournal();
}

void CloseBlockJournal() { gWs.journal = BlockJournal{}; }

int32_t BankEntries(int32_t bank) {
    // Ten million records is far beyond any plugin the game can load.
    if (bank < 0 || bank > 10000000) bank = 50000;
    return bank + 2;
}

void InitBlockTable(int32_t bank) {
    gWs.table = BlockTable{};
    gWs.table.sizes.assign(static_cast<size_t>(BankEntries(bank)), 0);
}

bool IsMasterFile() { return gWs.table.loaded && gWs.table.fileType == 1; }
void WriteBlockInt(int block, int offset, int32_t value) {
    if (!ValidBlock(block) || offset < 0) return;
    if (static_cast<size_t>(offset) + 4 > gWs.table.blocks[static_cast<size_t>(block)].size()) return;
    Journal(block, static_cast<size_t>(offset), 4, 4);
    PutLe32(gWs.table.blocks.MutableData(static_cast<size_t>(block)) + offset, value);
}

std::string ReadRecordString(std::string_view b, int offset, int length) {
    std::string out;
    if (length <= 0) return out;
    int64_t from = offset < 0 ? 0 : offset;
    int64_t to = static_cast<int64_t>(offset) + length;
    if (to > static_cast<int64_t>(b.size())) to = static_cast<int64_t>(b.size());
    if (from >= to) return out;
    // Runs between zero bytes are taken whole.
    const char* p = b.data() + from;
    const char* const end = b.data() + to;
    out.reserve(static_cast<size_t>(end - p));
    while (p < end) {
        const char* zero = static_cast<const char*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
        out.append(p, zero ? zero : end);
        if (!zero) break;
        p = zero + 1;
    }
    return out;
}

int FindRecordSubrecord(std::string_view b, std::string_view name) {
    const int64_t size = static_cast<int64_t>(b.size());
    int64_t p = 16;
    for (int counter = 1; counter <= 100; ++counter) {
        if (p + 8 > size) return -1;
        if (ReadRecordString(b, static_cast<int>(p), 4) == name) return static_cast<int>(p);
        int32_t n = ReadRecordInt(b, static_cast<int>(p) + 4);
        if (n < 0) return -1;
        p += 8 + static_cast<int64_t>(n);
        if (p >= size) return -1;
    }
    return -1;
}

void ReplaceBlockString(int block, int offset, std::string_view oldText, std::string_view newText) {
    if (!ValidBlock(block)) return;
    const size_t size = gWs.table.blocks[static_cast<size_t>(block)].size();
    if (offset < 0 || static_cast<size_t>(offset) > size) return;
    size_t oldLen = std::min(oldText.size(), size - static_cast<size_t>(offset));
    Journal(block, static_cast<size_t>(offset), oldLen, newText.size());
    gWs.table.blocks.Replace(static_cast<size_t>(block), static_cast<size_t>(offset), oldLen, newText);
    if (static_cast<size_t>(block) >= gWs.table.sizes.size()) gWs.table.sizes.resize(block + 1, 0);
    gWs.table.sizes[block] = static_cast<int32_t>(gWs.table.blocks[static_cast<size_t>(block)].size());
}

void ReplaceInSubrecord(int block, int subOffset, std::string_view oldText, std::string_view newText) {
    int32_t before = BlockSize(block);
    ReplaceBlockString(block, subOffset + 8, oldText, newText);
    int32_t d = BlockSize(block) - before;
    // A size field may hold anything a plugin put there: add as the 32-bit
    // field itself would, without signed overflow.
    auto add = [d](int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(d)); };
    WriteBlockInt(block, subOffset + 4, add(ReadBlockInt(block, subOffset + 4)));
    WriteBlockInt(block, 4, add(ReadBlockInt(block, 4)));
}

}  // namespace qp

#include "plugin/blocks.h"

#include <cstring>
#include <utility>

#include "app/bytes.h"

namespace qp {

BlockTable gTable;

namespace {

// Every change as it can be undone: the bytes that stood at the offset and
// how many bytes took their place. Kept in order, undone in reverse.
struct BlockChange {
    int block;
    size_t offset;
    std::string removed;
    size_t inserted;
};

struct BlockJournal {
    bool open = false;
    std::vector<int32_t> sizes;
    std::vector<BlockChange> changes;
};
BlockJournal gJournal;

void Journal(int block, size_t offset, size_t removed, size_t inserted) {
    if (!gJournal.open) return;
    gJournal.changes.push_back(
        {block, offset, gTable.blocks[static_cast<size_t>(block)].substr(offset, removed), inserted});
}

}  // namespace

void OpenBlockJournal() {
    gJournal = BlockJournal{};
    gJournal.open = true;
    gJournal.sizes = gTable.sizes;
}

void RollBackBlockJournal() {
    if (!gJournal.open) return;
    for (auto c = gJournal.changes.rbegin(); c != gJournal.changes.rend(); ++c)
        gTable.blocks[static_cast<size_t>(c->block)].replace(c->offset, c->inserted, c->removed);
    gTable.sizes = std::move(gJournal.sizes);
    CloseBlockJournal();
}

void CloseBlockJournal() { gJournal = BlockJournal{}; }

int32_t BankEntries(int32_t bank) {
    // Ten million records is far beyond any plugin the game can load.
    if (bank < 0 || bank > 10000000) bank = 50000;
    return bank + 2;
}

void InitBlockTable(int32_t bank) {
    gTable = BlockTable{};
    gTable.sizes.assign(static_cast<size_t>(BankEntries(bank)), 0);
}

bool IsMasterFile() { return gTable.loaded && gTable.fileType == 1; }
int32_t LastBlock() { return gTable.last; }

bool ValidBlock(int block) {
    return block >= 0 && block <= gTable.last &&
           static_cast<size_t>(block) < gTable.blocks.size();
}

int32_t BlockSize(int block) {
    return ValidBlock(block) ? static_cast<int32_t>(gTable.blocks[block].size()) : 0;
}

int32_t ReadBlockInt(int block, int offset) {
    if (!ValidBlock(block) || offset < 0) return 0;
    const std::string& b = gTable.blocks[block];
    if (static_cast<size_t>(offset) + 4 > b.size()) return 0;
    return GetLe32(b.data() + offset);
}

void WriteBlockInt(int block, int offset, int32_t value) {
    if (!ValidBlock(block) || offset < 0) return;
    std::string& b = gTable.blocks[block];
    if (static_cast<size_t>(offset) + 4 > b.size()) return;
    Journal(block, static_cast<size_t>(offset), 4, 4);
    PutLe32(b.data() + offset, value);
}

std::string ReadBlockString(int block, int offset, int length) {
    std::string out;
    if (!ValidBlock(block) || length <= 0) return out;
    const std::string& b = gTable.blocks[block];
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

int FindSubrecord(int block, const std::string& name) {
    int size = BlockSize(block);
    int64_t p = 16;
    for (int counter = 1; counter <= 100; ++counter) {
        if (p + 8 > size) return -1;
        if (ReadBlockString(block, static_cast<int>(p), 4) == name) return static_cast<int>(p);
        int32_t n = ReadBlockInt(block, static_cast<int>(p) + 4);
        if (n < 0) return -1;
        p += 8 + static_cast<int64_t>(n);
        if (p >= size) return -1;
    }
    return -1;
}

void ReplaceBlockString(int block, int offset, const std::string& oldText,
                        const std::string& newText) {
    if (!ValidBlock(block)) return;
    std::string& b = gTable.blocks[block];
    if (offset < 0 || static_cast<size_t>(offset) > b.size()) return;
    size_t oldLen = std::min(oldText.size(), b.size() - static_cast<size_t>(offset));
    Journal(block, static_cast<size_t>(offset), oldLen, newText.size());
    b.replace(static_cast<size_t>(offset), oldLen, newText);
    if (static_cast<size_t>(block) >= gTable.sizes.size()) gTable.sizes.resize(block + 1, 0);
    gTable.sizes[block] = static_cast<int32_t>(b.size());
}

void ReplaceInSubrecord(int block, int subOffset, const std::string& oldText,
                        const std::string& newText) {
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

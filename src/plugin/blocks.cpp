#include "plugin/blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/bytes.h"

namespace qp {

BlockTable gTable;

namespace {

constexpr size_t kPieceSize = 4 << 20;

// Spare bytes after a block: enough for its names to grow in translation.
size_t GrowthRoom(size_t size) { return 16 + size / 8; }

}  // namespace

BlockStore::BlockStore(const BlockStore& other) { *this = other; }

BlockStore& BlockStore::operator=(const BlockStore& other) {
    if (this == &other) return *this;
    BlockStore copy;
    copy.refs_.reserve(other.size());
    copy.owned_.reserve(other.size());
    for (size_t i = 0; i < other.size(); ++i) copy.push_back(std::string(other[i]));
    return *this = std::move(copy);
}

void BlockStore::clear() {
    pieces_.clear();
    pieceUsed_ = pieceSize_ = expected_ = 0;
    refs_.clear();
    owned_.clear();
}

void BlockStore::Expect(size_t fileBytes) { expected_ = fileBytes + fileBytes / 4 + 4096; }

char* BlockStore::Place(size_t size) {
    const size_t room = size + GrowthRoom(size);
    if (pieces_.empty() || pieceSize_ - pieceUsed_ < room) {
        // Past what was expected, each piece is at least as large as the last.
        const size_t want = expected_ ? expected_ : std::max<size_t>(pieceSize_, 64 << 10);
        pieceSize_ = std::max(room, std::min(kPieceSize, want));
        pieces_.emplace_back(new char[pieceSize_]);
        pieceUsed_ = 0;
    }
    char* at = pieces_.back().get() + pieceUsed_;
    pieceUsed_ += room;
    expected_ -= std::min(expected_, room);
    refs_.push_back({at, static_cast<uint32_t>(size), static_cast<uint32_t>(std::min<size_t>(room, UINT32_MAX)), -1});
    return at;
}

void BlockStore::push_back(std::string block) {
    refs_.push_back({nullptr, 0, 0, static_cast<int32_t>(owned_.size())});
    owned_.push_back(std::move(block));
}

char* BlockStore::MutableData(size_t i) {
    Ref& r = refs_[i];
    if (r.owned >= 0) return owned_[static_cast<size_t>(r.owned)].data();
    return r.data;
}

void BlockStore::Replace(size_t i, size_t offset, size_t removed, std::string_view text) {
    Ref& r = refs_[i];
    if (r.owned >= 0) {
        owned_[static_cast<size_t>(r.owned)].replace(offset, removed, text);
        return;
    }
    const size_t tail = r.size - offset - removed;
    const size_t newSize = r.size - removed + text.size();
    if (newSize <= r.room) {
        std::memmove(r.data + offset + text.size(), r.data + offset + removed, tail);
        std::memcpy(r.data + offset, text.data(), text.size());
        r.size = static_cast<uint32_t>(newSize);
        return;
    }
    // Outgrown: the block moves to a string of its own, composed in one pass.
    std::string b;
    b.reserve(newSize + GrowthRoom(newSize));
    b.append(r.data, offset).append(text).append(r.data + offset + removed, tail);
    r.owned = static_cast<int32_t>(owned_.size());
    owned_.push_back(std::move(b));
}

bool BlockStore::operator==(const BlockStore& other) const {
    if (size() != other.size()) return false;
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

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
        {block, offset, std::string(gTable.blocks[static_cast<size_t>(block)].substr(offset, removed)),
         inserted});
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
        gTable.blocks.Replace(static_cast<size_t>(c->block), c->offset, c->inserted, c->removed);
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
void WriteBlockInt(int block, int offset, int32_t value) {
    if (!ValidBlock(block) || offset < 0) return;
    if (static_cast<size_t>(offset) + 4 > gTable.blocks[static_cast<size_t>(block)].size()) return;
    Journal(block, static_cast<size_t>(offset), 4, 4);
    PutLe32(gTable.blocks.MutableData(static_cast<size_t>(block)) + offset, value);
}

std::string ReadBlockString(int block, int offset, int length) {
    std::string out;
    if (!ValidBlock(block) || length <= 0) return out;
    const std::string_view b = gTable.blocks[static_cast<size_t>(block)];
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

void ReplaceBlockString(int block, int offset, std::string_view oldText, std::string_view newText) {
    if (!ValidBlock(block)) return;
    const size_t size = gTable.blocks[static_cast<size_t>(block)].size();
    if (offset < 0 || static_cast<size_t>(offset) > size) return;
    size_t oldLen = std::min(oldText.size(), size - static_cast<size_t>(offset));
    Journal(block, static_cast<size_t>(offset), oldLen, newText.size());
    gTable.blocks.Replace(static_cast<size_t>(block), static_cast<size_t>(offset), oldLen, newText);
    if (static_cast<size_t>(block) >= gTable.sizes.size()) gTable.sizes.resize(block + 1, 0);
    gTable.sizes[block] = static_cast<int32_t>(gTable.blocks[static_cast<size_t>(block)].size());
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

// The loaded plugin in memory: one block per record, bytes exactly as in the
// file, 16-byte header included. Every read stays inside its block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/bytes.h"

namespace qp {

// The bytes of the blocks. A plugin read from disk is laid out in a few large
// pieces of memory, each block followed by some spare room, so that a name
// which grows or shrinks is changed where it lies. Only a block that outgrows
// its room gets a string of its own. Tens of thousands of records thus cost a
// handful of allocations, and converting them copies no more than their tails.
class BlockStore {
public:
    BlockStore() = default;
    // A copy gives every block bytes of its own.
    BlockStore(const BlockStore& other);
    BlockStore& operator=(const BlockStore& other);
    BlockStore(BlockStore&&) noexcept = default;
    BlockStore& operator=(BlockStore&&) noexcept = default;

    size_t size() const { return refs_.size(); }
    bool empty() const { return refs_.empty(); }
    std::string_view operator[](size_t i) const {
        const Ref& r = refs_[i];
        if (r.owned >= 0) return owned_[static_cast<size_t>(r.owned)];
        return {r.data, r.size};
    }
    std::string_view back() const { return (*this)[size() - 1]; }

    void clear();
    // Sizes the memory for the blocks of a file of this many bytes about to
    // be placed, so a small plugin does not take a large piece.
    void Expect(size_t fileBytes);
    // Adds a block of `size` bytes with room to grow after it, and returns
    // where its bytes are to be put.
    char* Place(size_t size);
    // Adds a block with bytes of its own.
    void push_back(std::string block);
    // The block's bytes, to change in place without changing its length.
    char* MutableData(size_t i);
    // Puts text in the place of `removed` bytes at offset.
    void Replace(size_t i, size_t offset, size_t removed, std::string_view text);

    bool operator==(const BlockStore& other) const;

private:
    struct Ref {
        char* data = nullptr;  // inside one of pieces_, when not owned
        uint32_t size = 0;
        uint32_t room = 0;     // bytes available at data
        int32_t owned = -1;    // index in owned_, or -1
    };
    std::vector<std::unique_ptr<char[]>> pieces_;
    size_t pieceUsed_ = 0;
    size_t pieceSize_ = 0;
    size_t expected_ = 0;  // bytes still expected to be placed, room included
    std::vector<Ref> refs_;
    std::vector<std::string> owned_;
};

struct BlockTable {
    BlockStore blocks;                // block n = record n (0 is the TES3 header)
    std::vector<int32_t> sizes;       // entry n = length of block n
    int32_t last = -1;                // last block index
    int32_t fileType = 0;             // file-type word of the header; 1 = master
    bool loaded = false;
    // Bytes after four zero bytes that ended the records: kept unread and
    // written back after the last block.
    std::string trailer;
};

extern BlockTable gTable;

// The initial size of the block-size array for a Bank value; values that
// cannot make a table fall back to the default 50000 (the table grows on
// demand anyway).
int32_t BankEntries(int32_t bank);
// Empties the table and gives the size array Bank + 2 entries.
void InitBlockTable(int32_t bank);

bool IsMasterFile();
inline int32_t LastBlock() { return gTable.last; }
inline bool ValidBlock(int block) {
    return block >= 0 && block <= gTable.last && static_cast<size_t>(block) < gTable.blocks.size();
}
inline int32_t BlockSize(int block) {
    return ValidBlock(block) ? static_cast<int32_t>(gTable.blocks[static_cast<size_t>(block)].size()) : 0;
}

// Little-endian int32 at an offset; 0 when the four bytes are not all inside.
inline int32_t ReadBlockInt(int block, int offset) {
    if (!ValidBlock(block) || offset < 0) return 0;
    const std::string_view b = gTable.blocks[static_cast<size_t>(block)];
    if (static_cast<size_t>(offset) + 4 > b.size()) return 0;
    return GetLe32(b.data() + offset);
}
void WriteBlockInt(int block, int offset, int32_t value);

// The bytes [offset, offset + length) with every zero byte dropped; only the
// part inside the block is read.
std::string ReadBlockString(int block, int offset, int length);
// Offset of the first subrecord with this name among the first 100, or -1.
int FindSubrecord(int block, const std::string& name);
// Replaces Len(old) bytes at offset by new; the block and its size entry
// follow. The caller corrects the subrecord's and the record's data sizes.
void ReplaceBlockString(int block, int offset, std::string_view oldText, std::string_view newText);

// Replaces the text of a subrecord at offset o and keeps all three size fields
// in step: block size, the subrecord's data size and the record's data size.
void ReplaceInSubrecord(int block, int subOffset, std::string_view oldText, std::string_view newText);

// A save converts the blocks in place and must be able to undo all of it
// when it fails. While the journal is open, every change of a block keeps the
// bytes it replaced; rolling back undoes the changes in reverse order and
// puts the size array back.
void OpenBlockJournal();
void RollBackBlockJournal();
// Forgets the kept bytes; the changes stay.
void CloseBlockJournal();

// Visits the subrecords of a block in order: (offset, name, data size). The
// name is read as ReadBlockString reads it. Stops at the first header that
// would not fit inside the block.
template <typename F>
void WalkSubrecords(int block, F&& visit) {
    if (!ValidBlock(block)) return;
    const size_t i = static_cast<size_t>(block);
    std::string_view b = gTable.blocks[i];
    size_t p = 16;
    while (p + 8 <= b.size()) {
        const char* s = b.data() + p;
        const int32_t n = GetLe32(s + 4);
        if (n < 0 || static_cast<size_t>(n) > b.size() - p - 8) return;
        // Names without zero bytes, all real ones, are taken whole.
        bool more;
        if (s[0] && s[1] && s[2] && s[3]) {
            more = visit(static_cast<int>(p), std::string_view(s, 4), n);
        } else {
            const std::string name = ReadBlockString(block, static_cast<int>(p), 4);
            more = visit(static_cast<int>(p), std::string_view(name), n);
        }
        if (!more) return;
        // The visitor may have changed the block and this subrecord's size.
        b = gTable.blocks[i];
        const int32_t now = ReadBlockInt(block, static_cast<int>(p) + 4);
        if (now < 0) return;
        p += 8 + static_cast<size_t>(now);
    }
}

}  // namespace qp

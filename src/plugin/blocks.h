// The loaded plugin in memory: one block per record, bytes exactly as in the
// file, 16-byte header included. Every read stays inside its block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The bytes of the blocks. A plugin read from disk stays in the one buffer it
// was read into, each block a slice of it; a block gets bytes of its own only
// when a change alters its length. Tens of thousands of records thus cost one
// allocation, and runs of unchanged blocks go back to disk in one write.
class BlockStore {
public:
    BlockStore() = default;
    BlockStore(const BlockStore& other);
    BlockStore& operator=(const BlockStore& other);
    BlockStore(BlockStore&&) noexcept = default;
    BlockStore& operator=(BlockStore&&) noexcept = default;

    size_t size() const { return refs_.size(); }
    bool empty() const { return refs_.empty(); }
    std::string_view operator[](size_t i) const {
        const Ref& r = refs_[i];
        if (r.owned >= 0) return owned_[static_cast<size_t>(r.owned)];
        return {buffer_.get() + r.offset, r.size};
    }
    std::string_view back() const { return (*this)[size() - 1]; }

    void clear();
    // Takes a file's bytes; blocks are then added as slices of them.
    void Adopt(std::unique_ptr<char[]> buffer, size_t size);
    void AddSlice(size_t offset, size_t size);
    // Adds a block with bytes of its own.
    void push_back(std::string block);
    // The block's bytes, to change in place without changing its length.
    char* MutableData(size_t i);
    // The block as a string of its own, for changes of length.
    std::string& Own(size_t i);

    bool operator==(const BlockStore& other) const;

private:
    struct Ref {
        size_t offset = 0;
        uint32_t size = 0;
        int32_t owned = -1;  // index in owned_, or -1 for a slice of buffer_
    };
    std::unique_ptr<char[]> buffer_;
    size_t bufferSize_ = 0;
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
int32_t LastBlock();
int32_t BlockSize(int block);
bool ValidBlock(int block);

// Little-endian int32 at an offset; 0 when the four bytes are not all inside.
int32_t ReadBlockInt(int block, int offset);
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

// The four-character name of the subrecord at p, read as ReadBlockString
// reads it; p + 4 must lie inside the block. Names without zero bytes, all
// real ones, are taken whole.
inline std::string SubrecordName(int block, int p) {
    const char* s = gTable.blocks[static_cast<size_t>(block)].data() + p;
    if (s[0] && s[1] && s[2] && s[3]) return std::string(s, 4);
    return ReadBlockString(block, p, 4);
}

// Visits the subrecords of a block in order: (offset, name, data size).
// Stops at the first header that would not fit inside the block.
template <typename F>
void WalkSubrecords(int block, F&& visit) {
    int size = BlockSize(block);
    int p = 16;
    while (p + 8 <= size) {
        int32_t n = ReadBlockInt(block, p + 4);
        if (n < 0 || static_cast<int64_t>(p) + 8 + n > size) return;
        if (!visit(p, SubrecordName(block, p), n)) return;
        // The visitor may have changed the size.
        size = BlockSize(block);
        n = ReadBlockInt(block, p + 4);
        p += 8 + n;
    }
}

}  // namespace qp

// The loaded plugin as data: one block per record, bytes exactly as in the
// file, 16-byte header included, and the journal that lets a save undo its
// changes. The operations on blocks belong to the plugin layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    // Gives the block new bytes, whole: in its room when they fit, else the
    // string itself becomes the block's own.
    void Assign(size_t i, std::string bytes);

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
    // The first block that a change would have made larger than a record can
    // be (the change was not made), or -1. Load and the save refuse on it.
    int32_t outgrown = -1;
};

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

}  // namespace qp

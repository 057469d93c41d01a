#include "base/blocktable.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qp {

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

void BlockStore::Assign(size_t i, std::string bytes) {
    Ref& r = refs_[i];
    if (r.owned < 0 && bytes.size() <= r.room) {
        std::memcpy(r.data, bytes.data(), bytes.size());
        r.size = static_cast<uint32_t>(bytes.size());
        return;
    }
    if (r.owned < 0) {
        r.owned = static_cast<int32_t>(owned_.size());
        owned_.emplace_back();
    }
    owned_[static_cast<size_t>(r.owned)] = std::move(bytes);
}

bool BlockStore::operator==(const BlockStore& other) const {
    if (size() != other.size()) return false;
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

}  // namespace qp

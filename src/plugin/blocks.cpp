#include "plugin/blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/bytes.h"
#include "base/translatable.h"

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
        // Names without zero bytes, all real ones, are compared as they stand.
        const char* s = b.data() + p;
        if (s[0] && s[1] && s[2] && s[3] ? std::string_view(s, 4) == name
                                         : ReadRecordString(b, static_cast<int>(p), 4) == name)
            return static_cast<int>(p);
        int32_t n = ReadRecordInt(b, static_cast<int>(p) + 4);
        if (n < 0) return -1;
        p += 8 + static_cast<int64_t>(n);
        if (p >= size) return -1;
    }
    return -1;
}

int32_t ReadRecordIndex(std::string_view b) {
    const int p = FindRecordSubrecord(b, "INDX");
    return p < 0 ? 0 : ReadRecordInt(b, p + 8);
}

std::string ReadRecordId(std::string_view b) {
    const IdFrom from = IdOfType(b.substr(0, 4));
    switch (from) {
    case IdFrom::Index:
        return std::to_string(ReadRecordIndex(b));
    case IdFrom::Script: {
        // SCHD starts with the script name in 32 bytes, padded with zeros.
        const int p = FindRecordSubrecord(b, "SCHD");
        if (p < 0) return {};
        const std::string_view data = b.substr(static_cast<size_t>(p) + 8, static_cast<size_t>(ReadRecordInt(b, p + 4)));
        return std::string(data.substr(0, std::min(data.find('\0'), size_t{32})));
    }
    case IdFrom::Inam:
    case IdFrom::Name:
        break;
    }
    const int p = FindRecordSubrecord(b, from == IdFrom::Inam ? "INAM" : "NAME");
    if (p < 0) return {};
    const int32_t n = ReadRecordInt(b, p + 4);
    return ReadRecordString(b, p + 8, n > 0 ? n - 1 : 0);
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

namespace {

// Adds as the 32-bit field itself would: a size field may hold anything a
// plugin put there.
int32_t AddToField(int32_t v, int64_t d) {
    return static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(d));
}

// Up to this many edits of a record are journaled one by one; past it the
// whole record is kept, which then costs less.
constexpr size_t kFewEdits = 64;

}  // namespace

bool EditSubrecord(int block, const SubrecordEdit& e) {
    const std::string_view b = BlockBytes(block);
    const size_t o = static_cast<size_t>(e.subOffset);
    if (e.subOffset < 16 || o + 8 > b.size() || e.removed > b.size() - o - 8) return true;
    const int64_t d = static_cast<int64_t>(e.text.size()) - static_cast<int64_t>(e.removed);
    if (static_cast<int64_t>(b.size()) + d > kLargestRecord) {
        if (gWs.table.outgrown < 0) gWs.table.outgrown = block;
        return false;
    }
    ReplaceBlockString(block, e.subOffset + 8, b.substr(o + 8, e.removed), e.text);
    WriteBlockInt(block, e.subOffset + 4, AddToField(ReadBlockInt(block, e.subOffset + 4), d));
    WriteBlockInt(block, 4, AddToField(ReadBlockInt(block, 4), d));
    return true;
}

BlockEditor::BlockEditor(int block) : block_(block), original_(BlockBytes(block)) {}

void BlockEditor::Edit(const SubrecordEdit& e) {
    const size_t o = static_cast<size_t>(e.subOffset);
    if (e.subOffset < 16 || o < from_ || o + 8 > original_.size() || e.removed > original_.size() - o - 8) return;
    if (++edits_ == 1) {
        first_ = e;
        from_ = o + 8 + e.removed;
        return;
    }
    if (edits_ == 2) {
        out_.reserve(original_.size() + original_.size() / 4);
        from_ = 0;
        Compose(first_);
    }
    Compose(e);
}

void BlockEditor::Compose(const SubrecordEdit& e) {
    const size_t o = static_cast<size_t>(e.subOffset);
    const int64_t d = static_cast<int64_t>(e.text.size()) - static_cast<int64_t>(e.removed);
    if (gWs.journal.open && edits_ <= kFewEdits)
        made_.push_back({static_cast<size_t>(static_cast<int64_t>(o) + grown_) + 8, e.removed, e.text.size(), o + 8});
    out_.append(original_.substr(from_, o + 4 - from_));
    AppendLe32(out_, AddToField(GetLe32(original_.data() + o + 4), d));
    out_.append(e.text);
    from_ = o + 8 + e.removed;
    grown_ += d;
}

bool BlockEditor::Finish() {
    const size_t edits = edits_;
    edits_ = 0;
    if (edits == 0) return true;
    if (edits == 1) return EditSubrecord(block_, first_);
    if (static_cast<int64_t>(original_.size()) + grown_ > kLargestRecord) {
        if (gWs.table.outgrown < 0) gWs.table.outgrown = block_;
        return false;
    }
    out_.append(original_.substr(from_));
    PutLe32(out_.data() + 4, AddToField(GetLe32(original_.data() + 4), grown_));
    if (gWs.journal.open && edits > kFewEdits) {
        gWs.journal.changes.push_back({block_, 0, std::string(original_), out_.size()});
    } else if (gWs.journal.open) {
        // Undone as if the edits had been made one after the other, in place.
        for (const Made& m : made_) {
            gWs.journal.changes.push_back({block_, m.at - 4, std::string(original_.substr(m.original - 4, 4)), 4});
            gWs.journal.changes.push_back(
                {block_, m.at, std::string(original_.substr(m.original, m.removed)), m.inserted});
        }
        gWs.journal.changes.push_back({block_, 4, std::string(original_.substr(4, 4)), 4});
    }
    const size_t i = static_cast<size_t>(block_);
    gWs.table.blocks.Assign(i, std::move(out_));
    if (i >= gWs.table.sizes.size()) gWs.table.sizes.resize(i + 1, 0);
    gWs.table.sizes[i] = static_cast<int32_t>(gWs.table.blocks[i].size());
    return true;
}

std::string BlockLabel(int block) {
    const int32_t idSize = ReadBlockInt(block, 20);
    return "RECORD " + std::to_string(block) + " (" + ReadBlockString(block, 0, 4) + " \"" +
           ReadBlockString(block, 24, idSize > 0 ? idSize - 1 : 0) + "\")";
}

int DialogueKindOfRecord(std::string_view record) {
    if (record.size() < 16 || record.substr(0, 4) != "DIAL") return -1;
    const int p = FindRecordSubrecord(record, "DATA");
    if (p < 0 || ReadRecordInt(record, p + 4) < 1 || static_cast<size_t>(p) + 8 >= record.size()) return -1;
    const int kind = static_cast<unsigned char>(record[static_cast<size_t>(p) + 8]);
    return kind <= kDialogueJournal ? kind : -1;
}

std::string OutgrownText(int block) {
    return "THE " + BlockLabel(block) + " WOULD GROW PAST " + std::to_string(kLargestRecord) +
           " BYTES, MORE THAN A RECORD CAN HOLD.";
}

bool ReplaceInSubrecord(int block, int subOffset, std::string_view oldText, std::string_view newText) {
    return EditSubrecord(block, {subOffset, oldText.size(), newText});
}

}  // namespace qp

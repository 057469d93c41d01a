// Operations on records and on the loaded plugin's blocks (16-byte header
// included). Every read stays inside its record. Each operation has a form
// that takes a record's bytes, used by everything that reads plugins, and a
// form that names a block of the loaded plugin by its index.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/blocktable.h"
#include "base/bytes.h"
#include "base/workspace.h"

namespace qp {

// The most bytes a record can hold, its 16-byte header included: what a load
// accepts, and so what a change may make of a block.
constexpr int64_t kLargestRecord = INT32_MAX;

// The initial size of the block-size array for a Bank value; values that
// cannot make a table fall back to the default 50000 (the table grows on
// demand anyway).
int32_t BankEntries(int32_t bank);
// Empties the table and gives the size array Bank + 2 entries.
void InitBlockTable(int32_t bank);

// --- a record's bytes ---

// Little-endian int32 at an offset; 0 when the four bytes are not all inside.
inline int32_t ReadRecordInt(std::string_view record, int offset) {
    if (offset < 0 || static_cast<size_t>(offset) + 4 > record.size()) return 0;
    return GetLe32(record.data() + offset);
}
// The bytes [offset, offset + length) with every zero byte dropped; only the
// part inside the record is read.
std::string ReadRecordString(std::string_view record, int offset, int length);
// Offset of the first subrecord with this name among the first 100, or -1.
int FindRecordSubrecord(std::string_view record, std::string_view name);
// The record type as names are read: its first four bytes, zero bytes dropped.
inline std::string RecordType(std::string_view record) { return ReadRecordString(record, 0, 4); }
// The record's ID, read as its type says (base/translatable.h): its NAME or
// INAM without the terminator and zero bytes, a script's name, a skill's or
// magic effect's index as a number. Empty when the subrecord is missing.
std::string ReadRecordId(std::string_view record);
// The number in a skill's or magic effect's INDX; 0 when it has none.
int32_t ReadRecordIndex(std::string_view record);

// Hands the subrecord header at offset p of a record to the visitor as
// (offset, name, data size), the name read as ReadRecordString reads it.
// False when the header would not fit inside the record or the visitor says
// stop.
template <typename F>
bool VisitSubrecordAt(std::string_view b, size_t p, F& visit) {
    if (p + 8 > b.size()) return false;
    const char* s = b.data() + p;
    const int32_t n = GetLe32(s + 4);
    if (n < 0 || static_cast<size_t>(n) > b.size() - p - 8) return false;
    // Names without zero bytes, all real ones, are taken whole.
    if (s[0] && s[1] && s[2] && s[3]) return visit(static_cast<int>(p), std::string_view(s, 4), n);
    const std::string name = ReadRecordString(b, static_cast<int>(p), 4);
    return visit(static_cast<int>(p), std::string_view(name), n);
}

// Visits the subrecords of a record in order. Stops at the first header that
// would not fit inside the record, or when the visitor returns false.
template <typename F>
void WalkRecordSubrecords(std::string_view b, F&& visit) {
    for (size_t p = 16; VisitSubrecordAt(b, p, visit);)
        p += 8 + static_cast<size_t>(GetLe32(b.data() + p + 4));
}

// --- blocks of the loaded plugin ---

bool IsMasterFile();
inline int32_t LastBlock() { return gWs.table.last; }
inline bool ValidBlock(int block) {
    return block >= 0 && block <= gWs.table.last && static_cast<size_t>(block) < gWs.table.blocks.size();
}
// The block's bytes; empty for a block that does not exist.
inline std::string_view BlockBytes(int block) {
    return ValidBlock(block) ? gWs.table.blocks[static_cast<size_t>(block)] : std::string_view();
}
inline int32_t BlockSize(int block) { return static_cast<int32_t>(BlockBytes(block).size()); }

inline int32_t ReadBlockInt(int block, int offset) { return ReadRecordInt(BlockBytes(block), offset); }
void WriteBlockInt(int block, int offset, int32_t value);
inline std::string ReadBlockString(int block, int offset, int length) {
    return ReadRecordString(BlockBytes(block), offset, length);
}
inline int FindSubrecord(int block, std::string_view name) { return FindRecordSubrecord(BlockBytes(block), name); }
// Replaces Len(old) bytes at offset by new; the block and its size entry
// follow. The caller corrects the subrecord's and the record's data sizes.
void ReplaceBlockString(int block, int offset, std::string_view oldText, std::string_view newText);

// A new beginning for a subrecord's data: its first `removed` bytes give way
// to text (which the caller keeps alive until the edit is made).
struct SubrecordEdit {
    int subOffset;
    size_t removed;
    std::string_view text;
};

// One edit, made where the subrecord lies. A block that would outgrow
// kLargestRecord is left as it was and noted in the table's `outgrown`;
// false then.
bool EditSubrecord(int block, const SubrecordEdit& e);

// Changes a block edit by edit, subrecords in ascending order. One edit is
// made in place; from the second on, a changed copy of the block is composed
// and takes the block's place once, at Finish: a record with many changed
// references costs one pass over it, not one per reference. Every size field
// follows: block size, each subrecord's data size and the record's data
// size. The block itself is only read until Finish, and the texts must live
// until then.
class BlockEditor {
public:
    explicit BlockEditor(int block);
    // Edits out of order, overlapping or outside the block are left out.
    void Edit(const SubrecordEdit& e);
    // As EditSubrecord: false when the block would outgrow kLargestRecord.
    bool Finish();

private:
    void Compose(const SubrecordEdit& e);
    int block_;
    std::string_view original_;
    size_t edits_ = 0;
    SubrecordEdit first_{};
    std::string out_;
    size_t from_ = 0;    // end of the last edit in the original
    int64_t grown_ = 0;  // growth by the edits composed so far
    // A few edits are journaled one by one; a record with more is kept whole.
    struct Made {
        size_t at, removed, inserted;  // at: the data's offset in the changed block
        size_t original;               // its offset in the original
    };
    std::vector<Made> made_;
};
// What names a block in a message: its index, type and identifier.
std::string BlockLabel(int block);

// A dialogue's kind, by the first byte of its DATA.
enum DialogueKind : int {
    kDialogueTopic = 0,
    kDialogueVoice = 1,
    kDialogueGreeting = 2,
    kDialoguePersuasion = 3,
    kDialogueJournal = 4,
};
// The kind of a DIAL record (0 to 4); -1 for any other record, a DIAL without
// DATA, or a kind the game does not know. Some editors write DATA as four
// bytes; the kind is the first either way.
int DialogueKindOfRecord(std::string_view record);
inline int DialogueKindOf(int block) { return DialogueKindOfRecord(BlockBytes(block)); }
// The refusal of a block that a change would have made too large.
std::string OutgrownText(int block);
// One edit: the Len(oldText) bytes at the start of the subrecord's data.
bool ReplaceInSubrecord(int block, int subOffset, std::string_view oldText, std::string_view newText);

// A save converts the blocks in place and must be able to undo all of it
// when it fails. While the journal is open, every change of a block keeps the
// bytes it replaced; rolling back undoes the changes in reverse order and
// puts the size array back.
void OpenBlockJournal();
void RollBackBlockJournal();
// Forgets the kept bytes; the changes stay.
void CloseBlockJournal();

// Visits the subrecords of a block in order, as WalkRecordSubrecords does;
// the visitor may edit the block as it goes.
template <typename F>
void WalkSubrecords(int block, F&& visit) {
    if (!ValidBlock(block)) return;
    const size_t i = static_cast<size_t>(block);
    for (size_t p = 16; VisitSubrecordAt(gWs.table.blocks[i], p, visit);) {
        // The visitor may have changed the block and this subrecord's size.
        const int32_t now = ReadBlockInt(block, static_cast<int>(p) + 4);
        if (now < 0) return;
        p += 8 + static_cast<size_t>(now);
    }
}

}  // namespace qp

#include "plugin/read.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/bytes.h"
#include "base/lists.h"
#include "base/progress.h"
#include "base/translatable.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "plugin/lookup.h"
#include "plugin/responses.h"

namespace qp {

namespace {

constexpr int64_t kHeaderMinimum = 324;  // the header record up to its record count
constexpr int32_t kHedrMinimum = 300;    // the HEDR data up to the record count

// Every subrecord of a record must lie inside it, or a later step would read
// sizes that do not hold; the header record must begin with its HEDR, where
// the record count is kept. Returns the fault with its offset in the file.
std::string SubrecordFault(const char* record, size_t size, int64_t pos) {
    if (pos == 0) {
        if (size < 24 || std::memcmp(record + 16, "HEDR", 4) != 0)
            return "THE HEADER RECORD AT OFFSET 0 DOES NOT BEGIN WITH ITS HEDR SUBRECORD.";
        if (GetLe32(record + 20) < kHedrMinimum)
            return "THE HEDR SUBRECORD AT OFFSET 16 IS SHORTER THAN " + std::to_string(kHedrMinimum) + " BYTES.";
    }
    // Every subrecord of every record passes here: the walk only steps, and
    // the message is made where it stops short of the end. A negative size
    // reads as one larger than any room left.
    const char* p = record + 16;
    const char* const end = record + size;
    while (end - p >= 8) {
        const uint32_t n = static_cast<uint32_t>(GetLe32(p + 4));
        if (n > static_cast<size_t>(end - p - 8)) break;
        p += 8 + n;
    }
    if (p == end) return {};
    const std::string at = "THE SUBRECORD AT OFFSET " + std::to_string(pos + (p - record));
    if (end - p < 8) return at + " IS CUT SHORT BY THE END OF ITS RECORD.";
    if (GetLe32(p + 4) < 0) return at + " HAS A NEGATIVE SIZE.";
    return at + " RUNS PAST THE END OF ITS RECORD.";
}

// Sets an entry's fields from a lookup result: "L" for a dictionary match,
// "T" for the external database; when the name already was in its second
// form, the FV name is the pair's first name.
void SetFromResult(NameEntry& e, int code, const std::string& name, const std::string& now,
                   const std::string& otherVersionName) {
    const bool dictionary = code == kDictionaryReplaced || code == kDictionaryAlreadySecond;
    const bool alreadySecond = code == kDatabaseAlreadySecond || code == kDictionaryAlreadySecond;
    e.flag = code == kNoMatch ? "" : (dictionary ? "L" : "T");
    e.fv = alreadySecond ? otherVersionName : name;
    e.ov = code == kNoMatch ? name : now;
}

// A name's length without its terminator; a size field of any value, even
// INT32_MIN, gives a length that reads nothing rather than overflowing.
int NameLength(int32_t dataSize) { return dataSize > 0 ? dataSize - 1 : 0; }

std::string NameAt(int n, int p) { return ReadBlockString(n, p + 8, NameLength(ReadBlockInt(n, p + 4))); }

// Looks up a name subrecord; PGRD tries the region dictionary when the cell
// dictionary gave nothing.
void ConvertName(NameEntry& e, int n, int p, const char* dictionary, bool pathGrid) {
    std::string name = NameAt(n, p);
    std::string other;
    int code = LookupName(n, p, ReadBlockInt(n, p + 4), dictionary, other);
    if (pathGrid && code == kNoMatch)
        code = LookupName(n, p, ReadBlockInt(n, p + 4), "data\\Regndata.dat", other);
    SetFromResult(e, code, name, NameAt(n, p), other);
}

struct SavedState {
    BlockTable table;
    std::vector<NameEntry> lists[kLastList + 1];
    std::vector<SkillEntry> skills;
    std::vector<InfoEntry> infos;
};

// The plugin's bytes front to back, through one reused piece of memory: the
// records are copied from it to their places in the block table.
class PluginStream {
public:
    PluginStream(FileReader& in, int64_t size) : in_(in), left_(size) {}
    // Copies the next n bytes to out.
    bool Take(char* out, size_t n, std::string& err) {
        while (n > 0) {
            if (at_ == have_ && !Fill(err)) return false;
            const size_t part = std::min(n, have_ - at_);
            std::memcpy(out, piece_.data() + at_, part);
            at_ += part;
            out += part;
            n -= part;
        }
        return true;
    }

private:
    bool Fill(std::string& err) {
        if (left_ <= 0) {
            err = "cannot read (the file got shorter)";
            return false;
        }
        if (piece_.empty()) piece_.resize(static_cast<size_t>(std::min<int64_t>(left_, 1 << 20)));
        have_ = static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(piece_.size())));
        at_ = 0;
        left_ -= static_cast<int64_t>(have_);
        return in_.Read(piece_.data(), have_, &err);
    }
    FileReader& in_;
    int64_t left_;
    std::vector<char> piece_;
    size_t have_ = 0, at_ = 0;
};

}  // namespace

bool ReadPluginFile(const std::string& path, BlockTable& table, std::string& error) {
    FileReader in;
    std::string err;
    auto cannotRead = [&] {
        error = "CANNOT OPEN THE FILE: " + err;
        return false;
    };
    if (!in.Open(path, &err)) return cannotRead();
    const int64_t L = in.Size();
    if (L < kHeaderMinimum) {
        error = "THE FILE IS SHORTER THAN ITS HEADER RECORD (" + std::to_string(L) + " BYTES).";
        return false;
    }
    PluginStream stream(in, L);
    table.blocks.clear();
    table.blocks.Expect(static_cast<size_t>(L));
    table.trailer.clear();
    int64_t pos = 0;
    int32_t n = 0;
    for (;;) {
        // The record header at pos, zero-padded where the file ends first.
        char head[16] = {};
        const size_t got = static_cast<size_t>(std::min<int64_t>(16, L - pos));
        if (!stream.Take(head, got, err)) return cannotRead();
        if (pos == 0 && std::memcmp(head, "TES3", 4) != 0) {
            error = "THIS IS NOT A TES3 PLUGIN: NO HEADER RECORD AT OFFSET 0.";
            return false;
        }
        // Fewer than four bytes left: zero padding is kept as it is, anything
        // else is a record cut short.
        if (pos + 4 > L && std::any_of(head, head + got, [](char c) { return c != '\0'; })) {
            error = "THE FILE ENDS INSIDE A RECORD HEADER AT OFFSET " + std::to_string(pos) + ".";
            return false;
        }
        // Four zero bytes where a record type belongs end the plugin. What
        // follows is not read as records, but kept and written back as it
        // was, so a save loses nothing of the file.
        if (!head[0] && !head[1] && !head[2] && !head[3]) {
            table.trailer.assign(head, got);
            table.trailer.resize(static_cast<size_t>(L - pos));
            if (!stream.Take(table.trailer.data() + got, table.trailer.size() - got, err))
                return cannotRead();
            --n;
            break;
        }
        if (pos + 16 > L) {
            error = "THE FILE ENDS INSIDE A RECORD HEADER AT OFFSET " + std::to_string(pos) + ".";
            return false;
        }
        int32_t size = GetLe32(head + 4);
        if (size < 0) {
            error = "THE RECORD AT OFFSET " + std::to_string(pos) + " HAS A NEGATIVE SIZE.";
            return false;
        }
        if (static_cast<int64_t>(size) > L - pos - 16) {
            error = "THE RECORD AT OFFSET " + std::to_string(pos) +
                    " RUNS PAST THE END OF THE FILE.";
            return false;
        }
        if (size > kLargestRecord - 16) {
            error = "THE RECORD AT OFFSET " + std::to_string(pos) + " IS TOO LARGE.";
            return false;
        }
        char* block = table.blocks.Place(static_cast<size_t>(size) + 16);
        std::memcpy(block, head, 16);
        if (!stream.Take(block + 16, static_cast<size_t>(size), err)) return cannotRead();
        error = SubrecordFault(block, static_cast<size_t>(size) + 16, pos);
        if (!error.empty()) return false;
        if (pos == 0) table.fileType = GetLe32(block + 28);
        pos += 16 + static_cast<int64_t>(size);
        // Large plugins show every 1024th record so the window keeps up.
        if (n < 4096 || (n & 1023) == 0)
            ShowReadProgress(RecordType(std::string_view(head, 4)));
        if (pos == L) break;
        ++n;
    }
    if (n == 0 && table.blocks.empty()) {
        error = "THE FILE HOLDS NO HEADER RECORD.";
        return false;
    }
    table.last = static_cast<int32_t>(table.blocks.size()) - 1;
    ShowReadProgress(RecordType(table.blocks.back()));
    // The header's record count always equals the records that follow it.
    PutLe32(table.blocks.MutableData(0) + 320, table.last);
    table.sizes.resize(std::max(table.sizes.size(), table.blocks.size() + 1), 0);
    for (size_t i = 0; i < table.blocks.size(); ++i)
        table.sizes[i] = static_cast<int32_t>(table.blocks[i].size());
    table.loaded = true;
    return true;
}

// The names nothing else knew, converted from the memory of translations
// saved with other plugins (flag "M"), all in one pass over it.
void ConvertFromMemory() {
    // Without the file a load does what it did before the memory existed.
    if (!DictionaryPresent(kMemoryFile)) return;
    struct Unknown {
        NameEntry* entry;
        const char* subrecord;
    };
    std::vector<Unknown> unknown;
    std::vector<std::string_view> names;
    for (int g = kFirstList; g <= kLastList; ++g)
        for (NameEntry& e : gWs.nameLists[g])
            if (e.flag.empty() && !e.fv.empty()) {
                unknown.push_back({&e, ListNameSubrecord(g)});
                names.push_back(e.fv);
            }
    const auto found = FindFirstNames(kMemoryFile, names);
    for (size_t i = 0; i < unknown.size(); ++i) {
        if (!found[i]) continue;
        NameEntry& e = *unknown[i].entry;
        const int n = e.block, p = FindSubrecord(n, unknown[i].subrecord);
        const int32_t size = p >= 0 ? ReadBlockInt(n, p + 4) : 0;
        if (size <= 1) continue;
        EditSubrecord(n, {p, static_cast<size_t>(size) - 1, *found[i]});
        e.flag = "M";
        e.ov = NameAt(n, p);
    }
}

void AnalysePlugin() {
    gWs.skills.clear();
    for (int g = kFirstList; g <= kLastList; ++g) gWs.nameLists[g].clear();
    const int last = LastBlock();
    for (int n = 0; n <= last; ++n) {
        const std::string_view block = BlockBytes(n);
        const std::string type = RecordType(block);
        if (type == "SKIL") {
            SkillEntry s;
            s.index = ReadRecordIndex(block);
            s.block = n;
            auto skills = OpenTripleFile(kSkillDictionary);
            // An index past the dictionary's end gets empty strings.
            if (s.index >= 0 && static_cast<size_t>(s.index) < skills->triples.size()) {
                const auto& t = skills->triples[static_cast<size_t>(s.index)];
                s.id = t[0];
                s.fv = t[1];
                s.ov = t[2];
            }
            gWs.skills.push_back(s);
        } else if (const int g = ListOfRecordType(type)) {
            int p = FindSubrecord(n, ListNameSubrecord(g));
            bool named = p >= 0 && ReadBlockInt(n, p + 4) > 1;
            NameEntry e;
            e.block = n;
            if (g == kListTopic) {
                // Only topics: greetings, voices, persuasion and journal
                // entries are known to the game by their names. A topic
                // without a name, like a dialogue of no known kind, is left
                // as it is and not listed.
                if (named && DialogueKindOf(n) == kDialogueTopic) {
                    ConvertName(e, n, p, ListDictionary(g), false);
                    e.id = e.fv;
                    gWs.nameLists[g].push_back(std::move(e));
                }
            } else if (g == kListCell) {  // cells without a name are not listed
                if (named) {
                    ConvertName(e, n, p, ListDictionary(g), false);
                    e.id = e.fv;
                    gWs.nameLists[g].push_back(std::move(e));
                }
            } else if (g == kListPathGrid) {
                if (named) {
                    ConvertName(e, n, p, ListDictionary(g), true);
                    e.id = e.fv;
                } else {
                    e.flag = "N";
                }
                gWs.nameLists[g].push_back(std::move(e));
            } else {
                e.id = ReadRecordId(block);
                if (named)
                    ConvertName(e, n, p, ListDictionary(g), false);
                else
                    e.flag = "N";
                gWs.nameLists[g].push_back(std::move(e));
            }
        }
        ShowBlockProgress("Block conversion : ", n, last);
    }
    ConvertFromMemory();
    ListAndConvertResponses();
}

LoadOutcome LoadPlugin(const std::string& path) {
    LoadOutcome out;
    const std::string oldStatus = Plat().GetStatusText(kStatusFile);
    const std::string oldProgress = Plat().GetStatusText(kStatusProgress);
    Plat().SetStatusText(kStatusFile, "File : " + FileNamePart(path));
    auto keepStatus = [&] {
        Plat().SetStatusText(kStatusFile, oldStatus);
        Plat().SetStatusText(kStatusProgress, oldProgress);
    };

    // Read into a new table; the plugin loaded before stays until the new
    // one is complete.
    BlockTable fresh;
    std::string error;
    if (!ReadPluginFile(path, fresh, error)) {
        keepStatus();
        out.notices.push_back({"INFORMATION", "CANNOT LOAD " + path + "\r" + error, Icon::Stop});
        return out;
    }
    // Where the records ended in the file, before any name is converted.
    uint64_t recordsEnd = 0;
    for (size_t i = 0; i < fresh.blocks.size(); ++i) recordsEnd += fresh.blocks[i].size();
    SavedState saved;
    saved.table = std::move(gWs.table);
    for (int g = kFirstList; g <= kLastList; ++g) saved.lists[g] = std::move(gWs.nameLists[g]);
    saved.skills = std::move(gWs.skills);
    saved.infos = std::move(gWs.infos);
    fresh.sizes.resize(std::max(fresh.sizes.size(), saved.table.sizes.size()), 0);
    gWs.table = std::move(fresh);
    AnalysePlugin();
    std::vector<DictionaryProblem> problems = TakeDictionaryProblems();
    std::string unreadable;
    for (const auto& p : problems)
        if (p.unreadable) unreadable += "\r" + p.name + " (" + p.reason + ")";
    std::string refusal;
    if (!unreadable.empty())
        refusal = "CANNOT READ THE DICTIONARY FILE:" + unreadable + "\rTHE PLUGIN WAS NOT LOADED.";
    else if (gWs.table.outgrown >= 0)
        refusal = "CANNOT LOAD " + path + "\r" + OutgrownText(gWs.table.outgrown);
    if (!refusal.empty()) {
        // Names converted with a dictionary missing would be wrong: keep
        // what was loaded before.
        gWs.table = std::move(saved.table);
        for (int g = kFirstList; g <= kLastList; ++g) gWs.nameLists[g] = std::move(saved.lists[g]);
        gWs.skills = std::move(saved.skills);
        gWs.infos = std::move(saved.infos);
        keepStatus();
        out.notices.push_back({"INFORMATION", refusal, Icon::Stop});
        return out;
    }
    gWs.fileInUse = path;
    gWs.textsSavedSinceLoad.clear();
    gWs.textsNotSaved.clear();
    out.loaded = true;
    for (const auto& p : problems) out.notices.push_back(DamagedDictionaryNotice(p));
    // Kept as the user's bytes, but not in silence: zeros where records
    // should go are what a crash while writing leaves.
    if (const size_t tail = gWs.table.trailer.size()) {
        out.notices.push_back({"INFORMATION",
                               "THE FILE " + path + "\rENDS IN " + std::to_string(tail) + " BYTES FROM OFFSET " +
                                   std::to_string(recordsEnd) + " THAT ARE NO RECORD\r(THE USUAL DAMAGE AFTER A CRASH).\r"
                                   "THEY ARE KEPT UNCHANGED, AND A SAVE WRITES THEM BACK AS THEY ARE.",
                               Icon::Information});
    }
    return out;
}

}  // namespace qp

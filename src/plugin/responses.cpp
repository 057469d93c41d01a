#include "plugin/responses.h"

#include <cstring>
#include <memory>

#include "base/translatable.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

const Translatable* InfoField(bool journal) {
    for (const Translatable& f : TranslatableFields())
        if (f.kind == (journal ? TextKind::Journal : TextKind::Response)) return &f;
    return nullptr;
}

bool IsType(std::string_view b, const char* type) { return b.size() >= 4 && std::memcmp(b.data(), type, 4) == 0; }

}  // namespace

const char* InfoDictionary(int kind) { return InfoField(kind == 4)->dictionary; }

void ListAndConvertResponses() {
    gWs.infos.clear();
    // First every listed INFO with its ID, then one pass over each long-text
    // file for all of them. The IDs are kept back to back.
    std::string idBytes;
    std::vector<uint32_t> idEnds;
    int dialogue = -1, kind = -1;
    const int last = LastBlock();
    for (int n = 1; n <= last; ++n) {
        const std::string_view b = BlockBytes(n);
        if (IsType(b, "DIAL")) {
            dialogue = n;
            kind = DialogueKindOf(n);
            continue;
        }
        if (!IsType(b, "INFO") || kind < 0) continue;
        const int p = FindSubrecord(n, "INAM");
        if (p < 0) continue;
        gWs.infos.push_back({n, dialogue, static_cast<int8_t>(kind), false});
        const int32_t size = ReadBlockInt(n, p + 4);
        idBytes += ReadRecordString(b, p + 8, size > 0 ? size - 1 : 0);
        idEnds.push_back(static_cast<uint32_t>(idBytes.size()));
    }
    for (const bool journal : {false, true}) {
        std::vector<std::string_view> keys;
        std::vector<size_t> of;
        for (size_t i = 0; i < gWs.infos.size(); ++i)
            if ((gWs.infos[i].kind == 4) == journal) {
                const uint32_t from = i ? idEnds[i - 1] : 0;
                keys.push_back(std::string_view(idBytes).substr(from, idEnds[i] - from));
                of.push_back(i);
            }
        FindFirstTriples(InfoDictionary(journal ? 4 : 0), keys,
                         [&](size_t k, std::string_view first, std::string_view second) {
                             InfoEntry& e = gWs.infos[of[k]];
                             const int n = e.block, p = FindSubrecord(n, "NAME");
                             if (p < 0) return;
                             const int32_t size = ReadBlockInt(n, p + 4);
                             const std::string_view text =
                                 BlockBytes(n).substr(static_cast<size_t>(p) + 8, static_cast<size_t>(size));
                             // A plugin converted before already holds the second text.
                             if (second.empty() || (first != text && second != text)) return;
                             e.converted = true;
                             if (second != text) EditSubrecord(n, {p, static_cast<size_t>(size), second});
                         });
    }
}

std::unordered_map<int32_t, std::string> TextsBeforeConversion() {
    std::unordered_map<int32_t, std::string> before;
    for (const bool journal : {false, true}) {
        std::vector<std::string> ids;
        std::vector<int32_t> blocks;
        for (const InfoEntry& e : gWs.infos)
            if (e.converted && (e.kind == 4) == journal) {
                ids.push_back(ReadRecordId(BlockBytes(e.block)));
                blocks.push_back(e.block);
            }
        const std::vector<std::string_view> keys(ids.begin(), ids.end());
        FindFirstTriples(InfoDictionary(journal ? 4 : 0), keys,
                         [&](size_t k, std::string_view first, std::string_view) {
                             before[blocks[k]] = std::string(first);
                         }, false);
    }
    return before;
}

}  // namespace qp

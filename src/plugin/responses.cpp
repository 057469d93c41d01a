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
    std::shared_ptr<const TripleFile> files[2];
    int dialogue = -1, kind = -1;
    const int last = LastBlock();
    for (int n = 1; n <= last; ++n) {
        const std::string_view b = BlockBytes(n);
        if (IsType(b, "DIAL")) {
            dialogue = n;
            kind = DialogueKindOf(n);
            continue;
        }
        if (!IsType(b, "INFO") || kind < 0 || FindSubrecord(n, "INAM") < 0) continue;
        InfoEntry e;
        e.block = n;
        e.dialogue = dialogue;
        e.kind = kind;
        const int p = FindSubrecord(n, "NAME");
        if (p >= 0) {
            auto& texts = files[kind == 4];
            if (!texts) texts = OpenTripleFile(InfoDictionary(kind));
            const int t = texts->triples.empty() ? -1 : FindTriple(*texts, ReadRecordId(b));
            const int32_t size = ReadBlockInt(n, p + 4);
            const std::string_view text = b.substr(static_cast<size_t>(p) + 8, static_cast<size_t>(size));
            if (t >= 0) {
                const auto& triple = texts->triples[static_cast<size_t>(t)];
                // A plugin converted before already holds the second text.
                if (!triple[2].empty() && (triple[1] == text || triple[2] == text)) {
                    e.fv = triple[1];
                    e.flag = "L";
                    if (triple[2] != text) EditSubrecord(n, {p, static_cast<size_t>(size), triple[2]});
                }
            }
        }
        gWs.infos.push_back(std::move(e));
    }
}

}  // namespace qp

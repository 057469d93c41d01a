#include "convert/blockconv.h"

#include "base/lists.h"
#include "base/workspace.h"
#include "plugin/blocks.h"

namespace qp {

void ApplyNameEdit(int g, int r, const std::string& newName, std::string& cellRenames) {
    if (!IsListNumber(g) || r < 0 || r >= static_cast<int>(gWs.nameLists[g].size())) return;
    const int b = gWs.nameLists[g][static_cast<size_t>(r)].block;
    const int o = FindSubrecord(b, ListNameSubrecord(g));
    if (o < 0) return;  // no name subrecord: leave the block as it is
    const int32_t size = ReadBlockInt(b, o + 4);  // may be anything, INT32_MIN too
    const int nameBytes = size > 0 ? size - 1 : 0;
    const std::string cur = ReadBlockString(b, o + 8, nameBytes);
    if (g == kListCell) cellRenames += EncodePair(cur, newName);
    EditSubrecord(b, {o, static_cast<size_t>(nameBytes), newName});
}

void MarkRowStored(int g, int r, const std::string& flag, const std::string& ov) {
    if (!IsListNumber(g) || r < 0 || r >= static_cast<int>(gWs.nameLists[g].size())) return;
    NameEntry& e = gWs.nameLists[g][static_cast<size_t>(r)];
    e.flag = flag;
    e.ov = ov;
    // The view shows what the name list holds.
    Plat().ListSetText(g, r, kColFlag, e.flag);
    Plat().ListSetText(g, r, kColOv, e.ov);
}

size_t TextSpan(int block, int subOffset) {
    const int32_t size = ReadBlockInt(block, subOffset + 4);
    const std::string_view b = BlockBytes(block);
    if (size <= 0 || subOffset < 0 || static_cast<size_t>(subOffset) + 8 + size > b.size()) return 0;
    size_t n = static_cast<size_t>(size);
    while (n > 0 && b[static_cast<size_t>(subOffset) + 8 + n - 1] == '\0') --n;
    return n;
}

std::optional<std::string_view> PairSecond(std::string_view cur, std::string_view head, const PairFile& pairs) {
    if (cur.substr(0, head.size()) != head) return std::nullopt;
    int i = FindPairA(pairs, cur.substr(head.size()));
    if (i < 0) return std::nullopt;
    return pairs.pairs[static_cast<size_t>(i)].second;
}

bool ReplaceByPairFile(int block, int subOffset, size_t span, std::string_view cur, std::string_view head,
                       std::string_view pairFile) {
    auto pairs = OpenPairFile(pairFile);
    auto second = PairSecond(cur, head, *pairs);
    if (!second) return false;
    const std::string text = std::string(head).append(*second);
    EditSubrecord(block, {subOffset, span, text});
    return true;
}

}  // namespace qp

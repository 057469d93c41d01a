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
    const std::string cur = ReadBlockString(b, o + 8, size > 0 ? size - 1 : 0);
    if (g == kListCell) cellRenames += EncodePair(cur, newName);
    ReplaceInSubrecord(b, o, cur, newName);
}

void MarkRowStored(int g, int r, const std::string& flag, const std::string& ov) {
    if (!IsListNumber(g) || r < 0 || r >= static_cast<int>(gWs.nameLists[g].size())) return;
    NameEntry& e = gWs.nameLists[g][static_cast<size_t>(r)];
    e.flag = flag;
    e.ov = ov;
}

bool ReplaceByPairs(int block, int subOffset, std::string_view cur, std::string_view head,
                    const PairFile& pairs) {
    if (cur.substr(0, head.size()) != head) return false;
    int i = FindPairA(pairs, cur.substr(head.size()));
    if (i < 0) return false;
    ReplaceInSubrecord(block, subOffset, cur, std::string(head).append(pairs.pairs[static_cast<size_t>(i)].second));
    return true;
}

bool ReplaceByPairFile(int block, int subOffset, std::string_view cur, std::string_view head,
                       std::string_view pairFile) {
    auto pairs = OpenPairFile(pairFile);
    return ReplaceByPairs(block, subOffset, cur, head, *pairs);
}

}  // namespace qp

#include "convert/longtext.h"

#include "base/workspace.h"
#include "plugin/blocks.h"

namespace qp {

std::optional<Notice> WriteLongText(const Translatable& f, int32_t block, const std::string& text) {
    if (f.limit > 0 && text.size() > static_cast<size_t>(f.limit))
        return Notice{"INFORMATION", "The text has more than " + std::to_string(f.limit) + " characters.",
                      Icon::Stop};
    const int p = ValidBlock(block) && RecordType(BlockBytes(block)) == f.type ? FindSubrecord(block, f.sub) : -1;
    const int32_t size = p >= 0 ? ReadBlockInt(block, p + 4) : -1;
    if (size < 0)
        return Notice{"INFORMATION",
                      "THE TEXT WAS NOT STORED.\rRECORD " + std::to_string(block) + " HOLDS NO " + f.type + " " +
                          f.sub + ".",
                      Icon::Stop};
    const std::string old(BlockBytes(block).substr(static_cast<size_t>(p) + 8, static_cast<size_t>(size)));
    const std::string data = f.zeroEnd ? text + '\0' : text;
    if (!ReplaceInSubrecord(block, p, old, data)) {
        Notice refused{"INFORMATION", "THE TEXT WAS NOT STORED.\r" + OutgrownText(block), Icon::Stop};
        gWs.table.outgrown = -1;
        return refused;
    }
    gWs.textsSavedSinceLoad.insert(block);
    gWs.textsNotSaved.insert(block);
    return std::nullopt;
}

}  // namespace qp

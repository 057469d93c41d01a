#include "convert/links.h"

#include <algorithm>
#include <optional>

#include "convert/blockconv.h"
#include "base/paths.h"
#include "base/progress.h"
#include "platform/files.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

// Appends a part's pairs; the chain keeps the part's bytes alive.
void Chain(PairFile& out, const PairFile& part) {
    out.storage.insert(out.storage.end(), part.storage.begin(), part.storage.end());
    out.pairs.reserve(out.pairs.size() + part.pairs.size());
    for (const auto& [a, b] : part.pairs) {
        uint32_t i = static_cast<uint32_t>(out.pairs.size());
        out.firstA.Add(a, i);
        out.firstB.Add(b, i);
        out.pairs.emplace_back(a, b);
    }
}

}  // namespace

PairFile BuildLinkDictionary(const std::string& cellRenames, const std::string& externalDatabase) {
    PairFile links;
    if (!cellRenames.empty()) {
        Chain(links, ParsePairFile(cellRenames));
        Chain(links, *OpenPairFile("data\\Celldata.dat"));
    } else if (FileExists(ResolvePath("data\\Celldata.dat"))) {
        // Without renames the cell dictionary is copied, not opened: a missing
        // one stays missing.
        Chain(links, *OpenPairFile("data\\Celldata.dat"));
    }
    Chain(links, *OpenPairFile("data\\Regndata.dat"));
    Chain(links, ParsePairFile(externalDatabase));
    return links;
}

namespace {

// A door or travel destination, or a dialogue response's cell: the whole name.
std::optional<SubrecordEdit> LinkNameEdit(int block, int o, int n, const PairFile& links) {
    return PairEdit(o, n > 1 ? static_cast<size_t>(n) - 1 : 0, ReadBlockString(block, o + 8, n - 1), "", links);
}

// A condition on the cell the speaker is in: "?BLX0" and the cell name.
std::optional<SubrecordEdit> CellConditionEdit(int block, int o, int n, const PairFile& links) {
    std::string s = ReadBlockString(block, o + 8, n);
    if (s.size() < 5 || s.compare(1, 4, "BLX0") != 0) return std::nullopt;
    return PairEdit(o, TextSpan(block, o), s, s.substr(0, 5), links);
}

}  // namespace

void ConvertLinks(const std::string& cellRenames, const std::string& externalDatabase) {
    PairFile links = BuildLinkDictionary(cellRenames, externalDatabase);
    const int last = LastBlock();
    std::vector<SubrecordEdit> edits;
    for (int b = 0; b <= last; ++b) {
        if (!ValidBlock(b)) continue;
        // A type without zero bytes reads as its four bytes.
        const std::string_view record = BlockBytes(b);
        const std::string_view type = record.substr(0, 4);
        // Every reference of a record is looked up first; the record is then
        // changed once, however many of its references changed.
        edits.clear();
        bool references = false;
        auto add = [&](std::optional<SubrecordEdit> e) {
            references = true;
            if (e) edits.push_back(std::move(*e));
        };
        if (type == "CELL" || type == "NPC_") {
            WalkRecordSubrecords(record, [&](int o, std::string_view name, int n) {
                if (name == "DNAM") add(LinkNameEdit(b, o, n, links));
                return true;
            });
        } else if (type == "INFO") {
            WalkRecordSubrecords(record, [&](int o, std::string_view name, int n) {
                if (name != "ANAM") return true;
                add(LinkNameEdit(b, o, n, links));
                return false;
            });
            WalkRecordSubrecords(record, [&](int o, std::string_view name, int n) {
                if (name == "SCVR") add(CellConditionEdit(b, o, n, links));
                return true;
            });
            std::sort(edits.begin(), edits.end(),
                      [](const SubrecordEdit& x, const SubrecordEdit& y) { return x.subOffset < y.subOffset; });
        }
        if (!edits.empty()) EditSubrecords(b, edits);
        if (references) ShowBlockProgress("Interconnexion conversion : ", b, last);
    }
}

}  // namespace qp

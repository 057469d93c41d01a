#include "convert/links.h"

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

PairFile BuildLinkDictionary(const std::string& cellRenames, const std::string& externalDatabase,
                             bool createMissing) {
    PairFile links;
    auto chainFile = [&](const char* name) {
        if (createMissing || DictionaryPresent(name)) Chain(links, *OpenPairFile(name));
    };
    if (!cellRenames.empty()) {
        Chain(links, ParsePairFile(cellRenames));
        chainFile("data\\Celldata.dat");
    } else if (FileExists(ResolvePath("data\\Celldata.dat"))) {
        // Without renames the cell dictionary is copied, not opened: a missing
        // one stays missing.
        Chain(links, *OpenPairFile("data\\Celldata.dat"));
    }
    chainFile("data\\Regndata.dat");
    Chain(links, ParsePairFile(externalDatabase));
    return links;
}

bool ConvertLinkName(int block, int subOffset, int dataSize, const PairFile& links) {
    std::string name = ReadBlockString(block, subOffset + 8, dataSize - 1);
    bool found = ReplaceByPairs(block, subOffset, name, "", links);
    ShowBlockProgress("Interconnexion conversion : ", block, LastBlock());
    return found;
}

bool ConvertCellCondition(int block, int subOffset, int dataSize, const PairFile& links) {
    std::string s = ReadBlockString(block, subOffset + 8, dataSize);
    bool found = false;
    if (s.size() >= 5 && s.compare(1, 4, "BLX0") == 0)
        found = ReplaceByPairs(block, subOffset, s, s.substr(0, 5), links);
    ShowBlockProgress("Interconnexion conversion : ", block, LastBlock());
    return found;
}

PairFile ConvertLinks(const std::string& cellRenames, const std::string& externalDatabase) {
    RemoveFile(ResolvePath("data\\Concat.dat"));
    PairFile links = BuildLinkDictionary(cellRenames, externalDatabase);
    ConvertLinksThrough(links);
    return links;
}

void ConvertLinksThrough(const PairFile& links) {
    const int last = LastBlock();
    for (int b = 0; b <= last; ++b) {
        if (!ValidBlock(b)) continue;
        // A type without zero bytes reads as its four bytes.
        const std::string_view type = BlockBytes(b).substr(0, 4);
        if (type == "CELL" || type == "NPC_") {
            WalkSubrecords(b, [&](int o, std::string_view name, int n) {
                if (name == "DNAM") ConvertLinkName(b, o, n, links);
                return true;
            });
        } else if (type == "INFO") {
            WalkSubrecords(b, [&](int o, std::string_view name, int n) {
                if (name != "ANAM") return true;
                ConvertLinkName(b, o, n, links);
                return false;
            });
            WalkSubrecords(b, [&](int o, std::string_view name, int n) {
                if (name == "SCVR") ConvertCellCondition(b, o, n, links);
                return true;
            });
        }
    }
}

}  // namespace qp

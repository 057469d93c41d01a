#include "convert/links.h"

#include <deque>
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

namespace {

// The name a reference holds, without its terminator: a view of the record
// when no zero byte stands inside, else read as names are read.
std::string_view ReferenceName(std::string_view record, int o, int n, std::string& copy) {
    const std::string_view raw = record.substr(static_cast<size_t>(o) + 8, n > 1 ? static_cast<size_t>(n) - 1 : 0);
    if (raw.find('\0') == std::string_view::npos) return raw;
    copy = ReadRecordString(record, o + 8, n - 1);
    return copy;
}

}  // namespace

PairFile ConvertLinks(const std::string& cellRenames, const std::string& externalDatabase) {
    PairFile links = BuildLinkDictionary(cellRenames, externalDatabase);
    ConvertLinksThrough(links);
    return links;
}

void ConvertLinksThrough(const PairFile& links) {
    const int last = LastBlock();
    std::string copy;
    std::deque<std::string> conditions;  // composed texts, alive until their record is changed
    for (int b = 0; b <= last; ++b) {
        if (!ValidBlock(b)) continue;
        // A type without zero bytes reads as its four bytes.
        const std::string_view record = BlockBytes(b);
        const std::string_view type = record.substr(0, 4);
        // The record is read as it was and changed once, at the end, however
        // many of its references changed.
        BlockEditor editor(b);
        conditions.clear();
        bool references = false;
        // A door or travel destination, or a dialogue response's cell: the whole name.
        auto name = [&](int o, int n) {
            references = true;
            if (auto second = PairSecond(ReferenceName(record, o, n, copy), "", links))
                editor.Edit({o, n > 1 ? static_cast<size_t>(n) - 1 : 0, *second});
        };
        if (type == "CELL" || type == "NPC_") {
            WalkRecordSubrecords(record, [&](int o, std::string_view sub, int n) {
                if (sub == "DNAM") name(o, n);
                return true;
            });
        } else if (type == "INFO") {
            // The first ANAM and the conditions on the speaker's cell ("?BLX0"
            // and the name), in the order they stand.
            int anam = -1;
            WalkRecordSubrecords(record, [&](int o, std::string_view sub, int n) {
                if (sub == "ANAM" && anam < 0) {
                    anam = o;
                    name(o, n);
                } else if (sub == "SCVR") {
                    references = true;
                    const std::string s = ReadRecordString(record, o + 8, n);
                    if (s.size() < 5 || s.compare(1, 4, "BLX0") != 0) return true;
                    if (auto second = PairSecond(s, s.substr(0, 5), links)) {
                        conditions.push_back(s.substr(0, 5).append(*second));
                        editor.Edit({o, TextSpan(b, o), conditions.back()});
                    }
                }
                return true;
            });
        }
        editor.Finish();
        if (references) ShowBlockProgress("Interconnexion conversion : ", b, last);
    }
}

}  // namespace qp

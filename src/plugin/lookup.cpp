#include "plugin/lookup.h"

#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

// nameBytes: the length of the name in the block, zero bytes inside it
// included; a replacement takes the whole of it.
int SearchPairs(std::string_view file, int block, int subOffset, size_t nameBytes, const std::string& name,
                int replacedCode, int secondCode, std::string& otherVersionName) {
    auto pairs = OpenPairFile(file);
    bool second = false;
    int i = FindPairAOrB(*pairs, name, second);
    if (i < 0) return kNoMatch;
    const auto& [a, b] = pairs->pairs[static_cast<size_t>(i)];
    if (second) {
        // A pair whose two names are equal lands here too: nothing to write.
        otherVersionName = a;
        return secondCode;
    }
    EditSubrecord(block, {subOffset, nameBytes, b});
    return replacedCode;
}

}  // namespace

int LookupName(int block, int subOffset, int dataSize, std::string_view dictionaryFile,
               std::string& otherVersionName) {
    otherVersionName.clear();
    std::string name = ReadBlockString(block, subOffset + 8, dataSize - 1);
    const size_t nameBytes = dataSize > 1 ? static_cast<size_t>(dataSize) - 1 : 0;
    int code = SearchPairs(kExternalDatabase, block, subOffset, nameBytes, name, kDatabaseReplaced,
                           kDatabaseAlreadySecond, otherVersionName);
    if (code == kNoMatch)
        code = SearchPairs(dictionaryFile, block, subOffset, nameBytes, name, kDictionaryReplaced,
                           kDictionaryAlreadySecond, otherVersionName);
    return code;
}

}  // namespace qp

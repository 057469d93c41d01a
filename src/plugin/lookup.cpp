#include "plugin/lookup.h"

#include "app/globals.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"

namespace qp {

thread_local std::string gOtherVersionName;

namespace {

int SearchPairs(std::string_view file, int block, int subOffset, const std::string& name,
                int replacedCode, int secondCode) {
    auto pairs = OpenPairFile(file);
    bool second = false;
    int i = FindPairAOrB(*pairs, name, second);
    if (i < 0) return kNoMatch;
    const auto& [a, b] = pairs->pairs[static_cast<size_t>(i)];
    if (second) {
        // A pair whose two names are equal lands here too: nothing to write.
        gOtherVersionName = a;
        return secondCode;
    }
    ReplaceInSubrecord(block, subOffset, a, b);
    return replacedCode;
}

}  // namespace

int LookupName(int block, int subOffset, int dataSize, std::string_view dictionaryFile) {
    gOtherVersionName.clear();
    std::string name = ReadBlockString(block, subOffset + 8, dataSize - 1);
    int code = SearchPairs(kExternalDatabase, block, subOffset, name, kDatabaseReplaced,
                           kDatabaseAlreadySecond);
    if (code == kNoMatch)
        code = SearchPairs(dictionaryFile, block, subOffset, name, kDictionaryReplaced,
                           kDictionaryAlreadySecond);
    return code;
}

}  // namespace qp

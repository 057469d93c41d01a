// Converting one name of a block while loading: the external database first,
// then the record type's dictionary.
#pragma once

#include <string>
#include <string_view>

namespace qp {

enum LookupResult : int {
    kNoMatch = 0,
    kDictionaryReplaced = 1,
    kDatabaseAlreadySecond = 2,
    kDictionaryAlreadySecond = 3,
    kDatabaseReplaced = 4,
};

// Looks up the name held by the name subrecord at subOffset (data size as
// read by the caller). A name found as a first name is replaced in the block
// by the second name, with all size fields corrected. When the name already
// was in its second form, otherVersionName gets the pair's first name.
int LookupName(int block, int subOffset, int dataSize, std::string_view dictionaryFile,
               std::string& otherVersionName);

}  // namespace qp

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

// The first name of the pair when the name was already in its second form.
extern thread_local std::string gOtherVersionName;

// Looks up the name held by the name subrecord at subOffset (data size as
// read by the caller). A name found as a first name is replaced in the block
// by the second name, with all size fields corrected.
int LookupName(int block, int subOffset, int dataSize, std::string_view dictionaryFile);

}  // namespace qp

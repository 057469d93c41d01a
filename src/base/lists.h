// What each of the 26 lists shows: tab title, record type, name subrecord and
// name dictionary, by list number (src/platform/ids.h).
#pragma once

#include <string_view>

#include "platform/ids.h"

namespace qp {

const char* TabTitle(int list);
const char* ListRecordType(int list);
const char* ListNameSubrecord(int list);
const char* ListDictionary(int list);  // "data\Celldata.dat" ...
// 63 for cells, regions and path grids, else 31.
int ListNameLimit(int list);
// The list of a record type, or 0 for a type no tab lists.
int ListOfRecordType(std::string_view type);

}  // namespace qp

// Lines of TAB-separated fields, as the batch tool prints and reads them:
// inside a field a backslash is written \\, a TAB \t, a LF \n, a CR \r.
#pragma once

#include <string>
#include <string_view>

namespace qp {

std::string EscapeField(std::string_view s);
// False on a backslash that starts none of the four escapes.
bool UnescapeField(std::string_view s, std::string& out);

}  // namespace qp

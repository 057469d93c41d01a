// What a helper has to tell the user: the message box the command shows.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qp {

struct Notice {
    std::string title;  // "INFORMATION", "QUESTION" ...
    std::string text;   // a carriage return is a line break
    Icon icon = Icon::Stop;
};

using Notices = std::vector<Notice>;

}  // namespace qp

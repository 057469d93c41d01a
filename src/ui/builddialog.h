// "External data" > "Build dictionaries..." (window 4): the pairs of files
// (first version, other version) in the game's load order, remembered in
// Quillane.ini. The build itself runs as a background command (app).
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qp {

void OpenBuildDialog();
// Two open requesters, one per version; a pair only when both are chosen.
void BuildDialogAdd();
void BuildDialogRemove();
void BuildDialogClose();
// Off while the build runs.
void EnableBuildDialog(bool on);
// The report of a finished build, in the check dialog (window 3) with a
// button that takes the code page it suggests.
void OpenBuildReport(const std::string& summary, std::vector<Row> rows, const std::string& text,
                     int codePage);

}  // namespace qp

// "Save" and "Save as...": the external database, the edited names, the game
// settings and the cell references, then the whole plugin, written so that a
// failure leaves every file as it was.
#pragma once

#include <string>

namespace qp {

void SaveCommand();
void SaveAsCommand();

// The output path Save as makes of the requester's answer: ".esp" removed
// from the file name wherever it stands, then appended once; "" when no name
// is left.
std::string SaveAsOutputPath(const std::string& chosen);

// The save sequence onto target. Returns false after telling the user what
// failed; memory, the target and the external database are then unchanged.
bool RunSaveSequence(const std::string& target);

extern const char* const kMasterSaveMessage;

}  // namespace qp

// "Check references..." and its dialog (window 3): the cell names a save
// would leave in the first version's form, one row each, and a button that
// copies them as the batch tool prints them.
#pragma once

namespace qp {

// Runs the check on the main thread: a message box when nothing is found,
// else the dialog, which holds the menu lock until it closes.
void CheckReferencesCommand();
void CheckDialogCopy();
void CheckDialogClose();

}  // namespace qp

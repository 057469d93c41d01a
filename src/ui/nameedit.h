// The name edit dialog (window 1): a new OV name for one row.
#pragma once

namespace qp {

void OpenNameEdit();
void NameEditOk();
void NameEditCancel();
void NameEditClose();

// The row the open dialog edits (list number, row index).
int NameEditList();
int NameEditRow();

extern const char* const kMasterFileMessage;

}  // namespace qp

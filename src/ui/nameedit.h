// The name edit dialog (window 1): a new OV name for one row.
#pragma once

#include <optional>
#include <string>

#include "base/notice.h"

namespace qp {

void OpenNameEdit();
void NameEditOk();
void NameEditCancel();
void NameEditClose();
// The user changed the OV Name field: its counter follows.
void NameEditTyped();

// The row the open dialog edits (list number, row index).
int NameEditList();
int NameEditRow();

// Why row r of list g cannot be opened for editing (a master file, a row
// without a usable name); nothing when it can. A row flagged "L" opens, but
// its OK stays off.
std::optional<Notice> NameEditRefusal(int g, int r);
bool NameEditAllowsOk(int g, int r);
// The dialog's counter for an OV name in list g: "12 / 31".
std::string NameEditCount(int g, const std::string& ov);
// The dialog's OK for row r of list g: a name longer than the list allows is
// refused; a name other than fv (the FV name as the dialog shows it) flags
// the row "*" in the name list and the view.
std::optional<Notice> CommitNameEdit(int g, int r, const std::string& ov, const std::string& fv);

extern const char* const kMasterFileMessage;
// The line under the buttons of a row flagged "L".
extern const char* const kDictionaryNameReason;

}  // namespace qp

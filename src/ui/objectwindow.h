// The 26 tabs: sorting, rebuilding a view from its name list, row events.
#pragma once

#include "platform/platform.h"

namespace qp {

// Sorts name list g by column c (0 flag, 1 ID, 2 FV name, 3 OV name) in the
// list's current direction, stably, by unsigned bytes; then reverses the
// direction and rebuilds the view.
void SortNameList(int g, int c);
// Shows name list g in list view g, row for entry, nothing selected, the
// rows the filter bar hides hidden.
void RebuildListView(int g);
// Hands every name list to its list view, filtered as the bar says now.
void FillTabs();
// Copies the focused row of list view g into the current row.
void RefreshCurrentRow(int g);
// Any event of list view g.
void OnListEvent(int g, ControlAction action);

}  // namespace qp

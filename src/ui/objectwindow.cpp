#include "ui/objectwindow.h"

#include <algorithm>

#include "app/globals.h"
#include "app/shell.h"
#include "ui/nameedit.h"

namespace qp {

namespace {

const std::string& Key(const NameEntry& e, int c) {
    switch (c) {
    case 0:
        return e.flag;
    case 1:
        return e.id;
    case 2:
        return e.fv;
    default:
        return e.ov;
    }
}

// Byte order as unsigned values; a string that is the start of another
// sorts first.
bool Less(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

}  // namespace

void SortNameList(int g, int c) {
    if (g < kFirstList || g > kLastList || c < 0 || c > 3) return;
    auto& list = gNameLists[g];
    if (gSortDirection[g] >= 0)
        std::stable_sort(list.begin(), list.end(),
                         [c](const NameEntry& a, const NameEntry& b) { return Less(Key(a, c), Key(b, c)); });
    else
        std::stable_sort(list.begin(), list.end(),
                         [c](const NameEntry& a, const NameEntry& b) { return Less(Key(b, c), Key(a, c)); });
    Plat().ListSetRedraw(g, false);
    RebuildListView(g);
    Plat().ListSetRedraw(g, true);
    gSortDirection[g] = -gSortDirection[g];
}

void RebuildListView(int g) {
    if (g < kFirstList || g > kLastList) return;
    std::vector<Row> rows;
    rows.reserve(gNameLists[g].size());
    for (const NameEntry& e : gNameLists[g]) rows.push_back({e.flag, e.id, e.fv, e.ov});
    Plat().ListSetRows(g, std::move(rows));
}

void RefreshCurrentRow(int g) {
    gCurrentRow.list = g;
    gCurrentRow.type = TabTitle(g);
    int r = Plat().ListFocusedRow(g);
    if (r < 0) {
        gCurrentRow.flag.clear();
        gCurrentRow.id.clear();
        gCurrentRow.fv.clear();
        gCurrentRow.ov.clear();
        return;
    }
    gCurrentRow.flag = Plat().ListGetText(g, r, 0);
    gCurrentRow.id = Plat().ListGetText(g, r, 1);
    gCurrentRow.fv = Plat().ListGetText(g, r, 2);
    gCurrentRow.ov = Plat().ListGetText(g, r, 3);
}

void OnListEvent(int g, ControlAction action) {
    RefreshCurrentRow(g);
    if (action == ControlAction::Activate) {
        if (gBusy)
            Message("INFORMATION", kInProgressMessage, Icon::Stop);
        else
            OpenNameEdit();
    } else if (action == ControlAction::RightClick) {
        Plat().ShowPopupMenu();
    }
}

}  // namespace qp

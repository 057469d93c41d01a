#include "ui/objectwindow.h"

#include <algorithm>

#include "base/lists.h"
#include "base/workspace.h"
#include "ui/filter.h"
#include "ui/mainwindow.h"
#include "ui/nameedit.h"

namespace qp {

namespace {

const std::string& Key(const NameEntry& e, int c) {
    switch (c) {
    case kColFlag:
        return e.flag;
    case kColId:
        return e.id;
    case kColFv:
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
    if (!IsListNumber(g) || c < 0 || c >= kColumnCount) return;
    auto& list = gWs.nameLists[g];
    if (gWs.sortDirection[g] >= 0)
        std::stable_sort(list.begin(), list.end(),
                         [c](const NameEntry& a, const NameEntry& b) { return Less(Key(a, c), Key(b, c)); });
    else
        std::stable_sort(list.begin(), list.end(),
                         [c](const NameEntry& a, const NameEntry& b) { return Less(Key(b, c), Key(a, c)); });
    Plat().ListSetRedraw(g, false);
    RebuildListView(g);
    Plat().ListSetRedraw(g, true);
    gWs.sortDirection[g] = -gWs.sortDirection[g];
}

namespace {

void Refill(int g) {
    std::vector<Row> rows;
    rows.reserve(gWs.nameLists[g].size());
    for (const NameEntry& e : gWs.nameLists[g]) rows.push_back({e.flag, e.id, e.fv, e.ov});
    Plat().ListSetRows(g, std::move(rows));
    FilterFilledView(g);
}

}  // namespace

void RebuildListView(int g) {
    if (!IsListNumber(g)) return;
    Refill(g);
    ShowFilterCounts();
}

void FillTabs() {
    // The bar may have changed while the load ran with it off.
    TakeFilterFromBar();
    for (int g = kFirstList; g <= kLastList; ++g) Refill(g);
    ShowFilterCounts();
    ShowTabWithRows();
}

void RefreshCurrentRow(int g) {
    CurrentRow& c = gWs.currentRow;
    c.list = g;
    c.type = TabTitle(g);
    const int r = Plat().ListFocusedRow(g);
    // The name list is the row's truth; the view shows it.
    const NameEntry none;
    const bool has = IsListNumber(g) && r >= 0 && r < static_cast<int>(gWs.nameLists[g].size());
    const NameEntry& e = has ? gWs.nameLists[g][static_cast<size_t>(r)] : none;
    c.flag = e.flag;
    c.id = e.id;
    c.fv = e.fv;
    c.ov = e.ov;
}

void OnListEvent(int g, ControlAction action) {
    RefreshCurrentRow(g);
    if (action == ControlAction::Activate) {
        if (gWs.busy)
            Message("INFORMATION", kInProgressMessage, Icon::Stop);
        else
            OpenNameEdit();
    } else if (action == ControlAction::RightClick) {
        Plat().ShowPopupMenu();
    }
}

}  // namespace qp

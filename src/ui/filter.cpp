#include "ui/filter.h"

#include <algorithm>
#include <climits>

#include "platform/codepage.h"
#include "ui/mainwindow.h"
#include "ui/objectwindow.h"

namespace qp {

namespace {

FoldTable MakeFoldTable(int codePage) {
    FoldTable t;
    for (int b = 0; b < 256; ++b) t[size_t(b)] = LowerByte(codePage, static_cast<unsigned char>(b));
    return t;
}

// Whether hay holds needle, needle already folded; no allocation, as it runs
// three times for each of tens of thousands of rows on every keystroke.
bool Holds(std::string_view hay, std::string_view needle, const FoldTable& fold) {
    const size_t n = needle.size();
    if (hay.size() < n) return false;
    const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
    const auto* k = reinterpret_cast<const unsigned char*>(needle.data());
    const size_t last = hay.size() - n;
    for (size_t i = 0; i <= last; ++i) {
        if (fold[h[i]] != k[0]) continue;
        size_t j = 1;
        while (j < n && fold[h[i + j]] == k[j]) ++j;
        if (j == n) return true;
    }
    return false;
}

std::string Number(int64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Counted(int64_t n, const char* one, const char* many) {
    return Number(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void MatchRows(const std::vector<NameEntry>& list, std::string_view text, bool withoutCounterpart,
               int codePage, std::vector<int>& out) {
    const FoldTable fold = MakeFoldTable(codePage);
    std::string needle(text);
    for (char& c : needle) c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
    for (size_t r = 0; r < list.size(); ++r) {
        const NameEntry& e = list[r];
        if (withoutCounterpart && !WithoutCounterpart(e)) continue;
        if (needle.empty() || Holds(e.id, needle, fold) || Holds(e.fv, needle, fold) ||
            Holds(e.ov, needle, fold))
            out.push_back(static_cast<int>(r));
    }
}

TextFinder::TextFinder(std::string_view needle, int codePage) : fold_(MakeFoldTable(codePage)), needle_(needle) {
    for (char& c : needle_) c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
}

bool TextFinder::In(std::string_view hay) const { return needle_.empty() || Holds(hay, needle_, fold_); }

std::string FilterCountsText(bool active, int64_t shown, int64_t total, int tabs) {
    if (total == 0) return {};
    const std::string where = tabs > 0 ? " in " + Counted(tabs, "tab", "tabs") : "";
    if (!active) return Counted(total, "row", "rows") + where;
    return Number(shown) + " of " + Counted(total, "row", "rows") + where;
}

void CreateFilterBar() {
    Plat().CreateFilterBar("Find in ID, FV Name, OV Name (Ctrl+F)", "Without counterpart", "Next (F3)");
}

void EnableFilterBar(bool on) {
    for (int c : {kCtlFilterField, kCtlFilterToggle, kCtlFilterNext}) Plat().EnableControl(c, on);
}

void TakeFilterFromBar() {
    gWs.filter.text = Plat().GetControlText(kCtlFilterField);
    gWs.filter.withoutCounterpart = Plat().IsControlChecked(kCtlFilterToggle);
}

void FilterFilledView(int g) {
    auto& f = gWs.filter;
    f.shown[g].clear();
    f.hiding[g] = f.Active();
    if (!f.hiding[g]) return;
    MatchRows(gWs.nameLists[g], f.text, f.withoutCounterpart, gWs.codePage, f.shown[g]);
    Plat().ListSetVisibleRows(g, f.shown[g]);
}

void ApplyFilter() {
    auto& f = gWs.filter;
    std::vector<int> rows;
    for (int g = kFirstList; g <= kLastList; ++g) {
        if (!f.Active()) {
            if (f.hiding[g]) Plat().ListShowAllRows(g);
            f.hiding[g] = false;
            f.shown[g].clear();
            continue;
        }
        rows.clear();
        MatchRows(gWs.nameLists[g], f.text, f.withoutCounterpart, gWs.codePage, rows);
        // A view that would show the same rows keeps its place as it is.
        if (f.hiding[g] && rows == f.shown[g]) continue;
        f.shown[g].swap(rows);
        f.hiding[g] = true;
        Plat().ListSetVisibleRows(g, f.shown[g]);
    }
    ShowFilterCounts();
    ShowTabWithRows();
}

void ShowTabWithRows() {
    const auto& f = gWs.filter;
    if (!f.Active()) return;
    auto shows = [&](int g) { return !f.shown[g].empty(); };
    const int current = Plat().CurrentTab();
    if (IsListNumber(current) && shows(current)) return;
    for (int g = kFirstList; g <= kLastList; ++g) {
        if (!shows(g)) continue;
        Plat().ShowTab(g, false);
        return;
    }
}

void ShowFilterCounts() {
    const auto& f = gWs.filter;
    const bool active = f.Active();
    int64_t shown = 0, total = 0;
    int tabs = 0;
    for (int g = kFirstList; g <= kLastList; ++g) {
        const auto n = static_cast<int64_t>(gWs.nameLists[g].size());
        const auto s = f.hiding[g] ? static_cast<int64_t>(f.shown[g].size()) : n;
        total += n;
        shown += s;
        tabs += s > 0;
        Plat().SetTabHint(g, active ? Number(s) + " of " + Counted(n, "row", "rows") + " shown"
                                    : Counted(n, "row", "rows"),
                          active && s == 0);
    }
    Plat().SetControlText(kCtlFilterCount, FilterCountsText(active, shown, total, tabs));
}

void OnFilterChanged() {
    // The name lists are the worker's while it runs; the load that ends it
    // takes the bar's state again.
    if (gWs.busy) return;
    TakeFilterFromBar();
    ApplyFilter();
}

void NextWithoutCounterpart() {
    if (gWs.busy) return;
    const auto& f = gWs.filter;
    int current = Plat().CurrentTab();
    if (!IsListNumber(current)) current = kFirstList;
    const int from = Plat().ListFocusedRow(current);
    // The first shown row without counterpart of list g in [lo, hi).
    auto first = [&](int g, int lo, int hi) {
        const auto& list = gWs.nameLists[g];
        hi = std::min(hi, static_cast<int>(list.size()));
        if (!f.hiding[g]) {
            for (int r = lo; r < hi; ++r)
                if (WithoutCounterpart(list[size_t(r)])) return r;
            return -1;
        }
        const auto& shown = f.shown[g];
        for (auto it = std::lower_bound(shown.begin(), shown.end(), lo); it != shown.end() && *it < hi; ++it)
            if (WithoutCounterpart(list[size_t(*it)])) return *it;
        return -1;
    };
    // After the focused row, the tabs that follow, and round to the focused row.
    for (int step = 0; step <= kListCount; ++step) {
        const int g = kFirstList + (current - kFirstList + step) % kListCount;
        const int r = first(g, step == 0 ? from + 1 : 0, step == kListCount ? from + 1 : INT_MAX);
        if (r < 0) continue;
        Plat().ShowTab(g, true);
        Plat().ListSelectRow(g, r);
        RefreshCurrentRow(g);
        return;
    }
    Message("INFORMATION",
            f.text.empty() ? "NO ROW WITHOUT COUNTERPART." : "NO ROW WITHOUT COUNTERPART MATCHES THE FILTER.",
            Icon::Information);
}

}  // namespace qp

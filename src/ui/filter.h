// The filter bar above the tabs: which rows each list view shows, the counts
// beside the field and on each tab, and the jump to the next row without
// counterpart (F3). Only what the views show changes: the name lists, their
// order and every row number stay those of the whole lists.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/workspace.h"

namespace qp {

// No dictionary and no translation of the user's matched the row at load, or
// only the memory did (flag "M": a translation from another plugin to look at).
inline bool WithoutCounterpart(const NameEntry& e) { return e.flag.empty() || e.flag == "M"; }

// Appends to out, ascending, the rows of list whose ID, FV name or OV name
// holds text (bytes; letter case ignored as codePage has it), and, with
// withoutCounterpart, only rows without counterpart.
void MatchRows(const std::vector<NameEntry>& list, std::string_view text, bool withoutCounterpart,
               int codePage, std::vector<int>& out);

using FoldTable = std::array<unsigned char, 256>;

// Finds a text in others, letter case ignored as the code page has it.
class TextFinder {
public:
    TextFinder(std::string_view needle, int codePage);
    bool Empty() const { return needle_.empty(); }
    // Always true for an empty needle.
    bool In(std::string_view hay) const;

private:
    FoldTable fold_;
    std::string needle_;
};

// The line beside the field: "37 of 1,204 rows in 9 tabs" with a filter,
// "1,204 rows in 22 tabs" without (tabs with a row), "0 of 1,204 rows" when
// nothing matches, "" when no tab has rows.
std::string FilterCountsText(bool active, int64_t shown, int64_t total, int tabs);

// The filter bar, made with the object window.
void CreateFilterBar();
// Off while a load or save runs (the name lists are the worker's then).
void EnableFilterBar(bool on);
// The field's text and the toggle's state, as the filter to apply.
void TakeFilterFromBar();

// Shows in list view g, which shows every row of name list g, the rows the
// filter lets through. Counts are left to ShowFilterCounts.
void FilterFilledView(int g);
// Every view shown anew through the filter, and the counts.
void ApplyFilter();
// The counts line and every tab's tooltip and look.
void ShowFilterCounts();
// With a filter on, a tab on view that shows no row while another does
// gives way to the first that does; the keyboard stays where it is.
void ShowTabWithRows();

// The field or the toggle changed.
void OnFilterChanged();
// F3: the next shown row without counterpart after the focused row of the
// tab on view, through the following tabs and round again; a message when
// there is none.
void NextWithoutCounterpart();

}  // namespace qp

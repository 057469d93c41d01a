// gettext PO files, the exchange format of translation tools (Poedit,
// Weblate, OmegaT, Lokalize): entries of msgctxt, msgid and msgstr with their
// comments, quoted and escaped as gettext writes them. Strings are the file's
// bytes (UTF-8); turning them into a code page is the caller's business.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qp {

struct PoEntry {
    std::vector<std::string> comments;    // "# ": the translator's own
    std::vector<std::string> extracted;   // "#.": what the program tells
    std::vector<std::string> references;  // "#:"
    std::vector<std::string> flags;       // "#,": fuzzy ...
    std::optional<std::string> context;   // msgctxt
    std::string id;                       // msgid
    std::string str;                      // msgstr
    bool obsolete = false;                // "#~": kept by msgmerge, used by nobody
    int line = 0;                         // the line of its first keyword, from 1

    bool Fuzzy() const;
};

// The whole file: the entries in order, the header (msgid "") among them.
std::string WritePo(const std::vector<PoEntry>& entries);
// One entry more, after a blank line unless out is empty.
void AppendPo(std::string& out, const PoEntry& e);

// Reads a whole file; false with error ("line 12: ...") on a syntax it does
// not take: an unterminated or unknown escape, a string where none belongs,
// a keyword without its string, an entry without msgid or msgstr, plural
// forms.
bool ReadPo(std::string_view text, std::vector<PoEntry>& entries, std::string& error);

// A string quoted and escaped as gettext writes it: one line, or an empty
// first line followed by lines broken after each line feed and at spaces
// before column 79, appended to out. keyword is "msgid", "msgstr" ...
void AppendPoString(std::string& out, std::string_view keyword, std::string_view value);

// The header's fields, "Name: value" each.
PoEntry PoHeader(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace qp

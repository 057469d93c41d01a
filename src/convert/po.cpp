#include "convert/po.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace qp {

namespace {

// gettext breaks lines before they pass this column, quotes included.
constexpr size_t kPageWidth = 79;

// The letter of the escape gettext writes for a byte, or 0: the other bytes,
// control bytes too, go as they are.
constexpr auto kEscapes = [] {
    std::array<char, 256> t{};
    const char from[] = "\a\b\f\n\r\t\v\\\"", to[] = "abfnrtv\\\"";
    for (size_t i = 0; i + 1 < sizeof from; ++i) t[static_cast<unsigned char>(from[i])] = to[i];
    return t;
}();

char EscapeOf(char c) { return kEscapes[static_cast<unsigned char>(c)]; }

// Columns as a terminal counts them: one a character, so UTF-8's
// continuation bytes count for none.
bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Bytes between quotes, escaped: runs without an escape appended whole.
void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    size_t from = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (const char e = EscapeOf(s[i])) {
            ((out.append(s, from, i - from)) += '\\') += e;
            from = i + 1;
        }
    out.append(s, from, s.size() - from);
    out += "\"\n";
}

// One piece of a string, ended by a line feed or by the string's end, as
// quoted lines that break after a space (or before a CR) before the page
// width.
void WrapPiece(std::string_view piece, std::string& out) {
    size_t start = 0, cols = 0;
    size_t space = 0, spaceCols = 0;  // just after the line's last space
    for (size_t i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        const size_t w = EscapeOf(c) ? 2 : StartsCharacter(c) ? 1 : 0;
        // gettext breaks before a carriage return too.
        if (c == '\r' && i > start) space = i, spaceCols = cols;
        if (cols + w + 2 > kPageWidth && space > start) {
            AppendQuoted(out, piece.substr(start, space - start));
            start = space;
            cols -= spaceCols;
        }
        cols += w;
        if (c == ' ') space = i + 1, spaceCols = cols;
    }
    AppendQuoted(out, piece.substr(start));
}

// --- reading ---

class Reader {
public:
    Reader(std::string_view text, std::vector<PoEntry>& out, std::string& error)
        : text_(text), out_(out), error_(error) {}

    bool Run() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
        out_.reserve(text_.size() / 160);  // an entry takes a few lines
        for (size_t start = 0; start < text_.size();) {
            size_t end = text_.find('\n', start);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(start, end - start);
            start = end + 1;
            ++number_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!Line(line)) return false;
        }
        return Finish();
    }

private:
    bool Fail(const std::string& why) {
        error_ = "line " + std::to_string(number_) + ": " + why;
        return false;
    }

    static std::string_view Trim(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }

    bool Line(std::string_view line) {
        line = Trim(line);
        if (line.empty()) return true;
        bool obsolete = false;
        if (line.substr(0, 2) == "#~") {
            line = Trim(line.substr(2));
            if (line.empty() || line[0] == '|') return true;  // an obsolete previous string
            obsolete = true;
        } else if (line[0] == '#') {
            return Comment(line);
        }
        if (line[0] == '"') {
            if (!target_) return Fail("a string without msgctxt, msgid or msgstr before it");
            if (obsolete != current_.obsolete) return Fail("an obsolete line inside an entry that is not");
            return String(line, *target_);
        }
        const size_t space = line.find_first_of(" \t\"");
        const std::string_view keyword = line.substr(0, space);
        const std::string_view rest = space == std::string_view::npos ? std::string_view() : Trim(line.substr(space));
        if (keyword == "msgid_plural" || keyword.substr(0, 7) == "msgstr[")
            return Fail("plural forms (" + std::string(keyword) + ") do not occur in a plugin's strings");
        if (keyword != "msgctxt" && keyword != "msgid" && keyword != "msgstr")
            return Fail("unknown keyword \"" + std::string(keyword) + "\"");
        if (rest.empty() || rest[0] != '"') return Fail(std::string(keyword) + " without its string");
        if (keyword == "msgstr") {
            if (!seen_.id || seen_.str) return Fail("msgstr without msgid before it");
            seen_.str = true;
            target_ = &current_.str;
        } else {
            // A context or an id after a complete entry starts the next one.
            if (seen_.str && !Push()) return false;
            if (seen_.id || (keyword == "msgctxt" && seen_.context))
                return Fail(std::string(keyword) + " inside an entry that has its msgid already");
            if (!seen_.context && !seen_.id) Begin(obsolete);
            if (keyword == "msgctxt") {
                seen_.context = true;
                current_.context.emplace();
                target_ = &*current_.context;
            } else {
                seen_.id = true;
                target_ = &current_.id;
            }
        }
        if (obsolete != current_.obsolete) return Fail("an entry obsolete in part");
        return String(rest, *target_);
    }

    bool Comment(std::string_view line) {
        // A comment after a complete entry belongs to the next one.
        if (seen_.str && !Push()) return false;
        if (seen_.context || seen_.id) return Fail("a comment inside an entry");
        target_ = nullptr;
        const char kind = line.size() > 1 && std::string_view(".:|,").find(line[1]) != std::string_view::npos
                              ? line[1]
                              : ' ';
        const std::string body(Trim(line.substr(kind == ' ' ? 1 : 2)));
        switch (kind) {
        case '.': pending_.extracted.push_back(body); break;
        case ':': pending_.references.push_back(body); break;
        case '|': break;  // the previous msgid msgmerge keeps
        case ',':
            for (size_t p = 0; p <= body.size();) {
                size_t comma = std::min(body.find(',', p), body.size());
                const std::string flag(Trim(std::string_view(body).substr(p, comma - p)));
                if (!flag.empty()) pending_.flags.push_back(flag);
                p = comma + 1;
            }
            break;
        default: pending_.comments.push_back(body); break;
        }
        return true;
    }

    // A quoted string, the whole rest of the line, appended to target.
    bool String(std::string_view s, std::string& target) {
        if (s.size() < 2 || s[0] != '"' || s.back() != '"') return Fail("a string not closed by \" at the line's end");
        s = s.substr(1, s.size() - 2);
        for (size_t i = 0; i < s.size(); ++i) {
            // The run up to the next escape or quote goes whole.
            const size_t run = std::min(s.find_first_of("\\\"", i), s.size());
            target.append(s, i, run - i);
            if ((i = run) == s.size()) break;
            if (s[i] == '"') return Fail("a \" inside a string, not written \\\"");
            if (++i >= s.size()) return Fail("a string not closed by \" at the line's end");
            const char e = s[i];
            static const std::string_view kFrom = "ntr\\\"abfv?'", kTo = "\n\t\r\\\"\a\b\f\v?'";
            if (const size_t k = kFrom.find(e); k != std::string_view::npos) {
                target += kTo[k];
            } else if (e >= '0' && e <= '7') {
                int v = 0, n = 0;
                for (; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n, ++i) v = v * 8 + (s[i] - '0');
                --i;
                target += static_cast<char>(v);
            } else if (e == 'x' && i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1]))) {
                int v = 0;
                while (i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1]))) {
                    const char h = s[++i];
                    v = v * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                }
                target += static_cast<char>(v);
            } else {
                return Fail(std::string("an unknown escape \\") + e);
            }
        }
        return true;
    }

    void Begin(bool obsolete) {
        current_ = std::move(pending_);
        pending_ = PoEntry();
        current_.obsolete = obsolete;
        current_.line = number_;
    }

    bool Push() {
        out_.push_back(std::move(current_));
        current_ = PoEntry();
        seen_ = {};
        target_ = nullptr;
        return true;
    }

    bool Finish() {
        if (seen_.str) return Push();
        if (seen_.id || seen_.context) return Fail(seen_.id ? "msgid without msgstr" : "msgctxt without msgid");
        return true;
    }

    std::string_view text_;
    std::vector<PoEntry>& out_;
    std::string& error_;
    int number_ = 0;
    PoEntry pending_;  // the comments so far of the next entry
    PoEntry current_;
    struct {
        bool context = false, id = false, str = false;
    } seen_;
    std::string* target_ = nullptr;  // where a continued string goes
};

}  // namespace

bool PoEntry::Fuzzy() const { return std::find(flags.begin(), flags.end(), "fuzzy") != flags.end(); }

void AppendPoString(std::string& out, std::string_view keyword, std::string_view value) {
    // One line when it fits and breaks no line but at its end.
    const size_t feed = value.find('\n');
    size_t cols = keyword.size() + 3;
    for (const char c : value) cols += EscapeOf(c) ? 2 : StartsCharacter(c) ? 1 : 0;
    if ((feed == std::string_view::npos || feed + 1 == value.size()) && cols <= kPageWidth) {
        (out += keyword) += ' ';
        AppendQuoted(out, value);
        return;
    }
    (out += keyword) += " \"\"\n";
    for (size_t p = 0; p < value.size();) {
        const size_t end = std::min(value.find('\n', p), value.size() - 1) + 1;
        WrapPiece(value.substr(p, end - p), out);
        p = end;
    }
}

void AppendPo(std::string& out, const PoEntry& e) {
    if (!out.empty()) out += '\n';
    for (const std::string& c : e.comments) (c.empty() ? out += "#" : (out += "# ") += c) += '\n';
    for (const std::string& c : e.extracted) ((out += "#. ") += c) += '\n';
    for (const std::string& r : e.references) ((out += "#: ") += r) += '\n';
    if (!e.flags.empty()) {
        out += "#,";
        for (size_t i = 0; i < e.flags.size(); ++i) (out += i ? ", " : " ") += e.flags[i];
        out += '\n';
    }
    if (e.context) AppendPoString(out, "msgctxt", *e.context);
    AppendPoString(out, "msgid", e.id);
    AppendPoString(out, "msgstr", e.str);
}

std::string WritePo(const std::vector<PoEntry>& entries) {
    std::string out;
    for (const PoEntry& e : entries) AppendPo(out, e);
    return out;
}

bool ReadPo(std::string_view text, std::vector<PoEntry>& entries, std::string& error) {
    entries.clear();
    return Reader(text, entries, error).Run();
}

PoEntry PoHeader(const std::vector<std::pair<std::string, std::string>>& fields) {
    PoEntry e;
    for (const auto& [name, value] : fields) e.str += name + ": " + value + "\n";
    return e;
}

}  // namespace qp

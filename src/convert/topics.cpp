#include "convert/topics.h"

#include <algorithm>

#include "base/lists.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

char FoldByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Arguments are separated by blanks and/or commas.
bool Separator(char c) { return c == ' ' || c == '\t' || c == ','; }

// A bare word ends where the script's tokens end: a separator, a comment, a
// quote, a parenthesis or an operator.
bool EndsWord(char c) {
    return Separator(c) || c == '\0' || c == ';' || c == '"' || c == '(' || c == ')' || c == '=' ||
           c == '<' || c == '>' || c == '!' || c == '\r' || c == '\n';
}

bool LinkStart(std::string_view text, size_t i) {
    if (i == 0) return true;
    const char c = text[i - 1];
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '"';
}

// The longest start by which LinksIn groups the names.
constexpr size_t kStart = 4;

bool IsAddTopic(std::string_view word) { return word.size() == 8 && FoldTopic(word) == "addtopic"; }

// The calls of one line (no line break inside).
void ScanLine(std::string_view text, size_t from, size_t end, int line, std::vector<TopicCall>& out) {
    size_t i = from;
    bool call = false;  // the word before was AddTopic
    while (i < end) {
        const char c = text[i];
        if (c == ';') return;
        if (Separator(c)) {
            ++i;
        } else if (c == '"') {
            const size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos || close >= end) return;  // open to the line's end
            if (call) out.push_back({i + 1, close - i - 1, true, line});
            call = false;
            i = close + 1;
        } else if (EndsWord(c)) {
            call = false;
            ++i;
        } else {
            size_t j = i;
            while (j < end && !EndsWord(text[j])) ++j;
            const std::string_view word = text.substr(i, j - i);
            if (call)
                out.push_back({i, j - i, false, line}), call = false;
            else
                call = IsAddTopic(word);
            i = j;
        }
    }
}

// A name the script can hold between quotes, and whether it needs them.
bool Writable(std::string_view name) { return name.find_first_of("\"\r\n") == std::string_view::npos; }
bool OneWord(std::string_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), EndsWord);
}

}  // namespace

std::string FoldTopic(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = FoldByte(c);
    return out;
}

std::vector<TopicCall> FindAddTopicCalls(std::string_view script) {
    std::vector<TopicCall> calls;
    // Most scripts add no topic at all.
    bool any = false;
    for (size_t p = script.find_first_of("aA"); p != std::string_view::npos && !any;
         p = script.find_first_of("aA", p + 1))
        any = IsAddTopic(script.substr(p, 8));
    if (!any) return calls;
    int line = 1;
    for (size_t start = 0;;) {
        size_t end = script.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = script.size();
        ScanLine(script, start, end, line, calls);
        if (end == script.size()) break;
        start = end + (script[end] == '\r' && end + 1 < script.size() && script[end + 1] == '\n' ? 2 : 1);
        ++line;
    }
    return calls;
}

void TopicRenames::Add(std::string_view oldName, std::string_view newName) {
    std::string folded = FoldTopic(oldName);
    if (oldName.empty() || folded == FoldTopic(newName) || byFolded_.count(folded)) return;
    const size_t i = pairs_.size();
    pairs_.emplace_back(oldName, newName);
    byStart_[folded.substr(0, kStart)].push_back(i);
    byFolded_.emplace(std::move(folded), i);
}

const std::string* TopicRenames::Find(std::string_view name) const {
    const auto it = byFolded_.find(FoldTopic(name));
    return it == byFolded_.end() ? nullptr : &pairs_[it->second].second;
}

std::vector<size_t> TopicRenames::LinksIn(std::string_view text) const {
    std::vector<size_t> found;
    if (pairs_.empty()) return found;
    const std::string folded = FoldTopic(text);
    std::string key;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (!LinkStart(text, i)) continue;
        // Every name starting here has one of the starts folded[i, i + k).
        for (size_t k = 1; k <= kStart && i + k <= folded.size(); ++k) {
            key.assign(folded, i, k);
            const auto group = byStart_.find(key);
            if (group == byStart_.end()) continue;
            for (size_t p : group->second) {
                const std::string& name = pairs_[p].first;
                if (folded.compare(i, name.size(), FoldTopic(name)) == 0) found.push_back(p);
            }
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

bool HoldsTopicLink(std::string_view text, std::string_view name) {
    if (name.empty()) return false;
    const std::string t = FoldTopic(text), n = FoldTopic(name);
    for (size_t i = t.find(n); i != std::string::npos; i = t.find(n, i + 1))
        if (LinkStart(text, i)) return true;
    return false;
}

std::string RenameAddTopics(std::string_view script, const TopicRenames& renames, bool& changed) {
    std::string out;
    size_t from = 0;
    for (const TopicCall& c : FindAddTopicCalls(script)) {
        const std::string* now = renames.Find(script.substr(c.at, c.size));
        if (!now || !Writable(*now)) continue;
        out.append(script.substr(from, c.at - from));
        const bool quote = !c.quoted && !OneWord(*now);
        if (quote) out += '"';
        out += *now;
        if (quote) out += '"';
        from = c.at + c.size;
    }
    if (from == 0) return std::string(script);
    changed = true;
    out.append(script.substr(from));
    return out;
}

TopicRenames TopicRenamesOfPlugin() {
    TopicRenames renames;
    for (const NameEntry& row : gWs.nameLists[kListTopic])
        if (row.flag != "N") renames.Add(row.fv, row.ov);
    if (const std::string file = ListDictionary(kListTopic); DictionaryPresent(file)) {
        const auto pairs = OpenPairFile(file, false);
        for (const auto& [a, b] : pairs->pairs) renames.Add(a, b);
    }
    return renames;
}

void ConvertAddTopics(const TopicRenames& renames) {
    if (renames.Empty()) return;
    const int last = LastBlock();
    for (int b = 0; b <= last; ++b) {
        const std::string_view record = BlockBytes(b);
        if (record.substr(0, 4) != "INFO") continue;
        const int o = FindSubrecord(b, "BNAM");
        if (o < 0) continue;
        const int32_t size = ReadBlockInt(b, o + 4);
        if (size <= 0) continue;
        bool changed = false;
        const std::string script =
            RenameAddTopics(record.substr(static_cast<size_t>(o) + 8, static_cast<size_t>(size)), renames, changed);
        if (changed) EditSubrecord(b, {o, static_cast<size_t>(size), script});
    }
}

}  // namespace qp

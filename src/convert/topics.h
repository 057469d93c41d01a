// Topics named elsewhere than in their own DIAL: the argument of AddTopic in
// dialogue results and scripts, and the links the game makes of a topic's
// name inside a response. The game compares topic names ignoring the case of
// the letters A-Z and takes every other byte exactly; so does everything here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qp {

// A topic name folded as the game compares it: A-Z as a-z, every other byte
// as it is.
std::string FoldTopic(std::string_view name);

// One AddTopic call of a script text, its argument quoted or one bare word.
struct TopicCall {
    size_t at = 0;    // where the name starts in the text (after the quote)
    size_t size = 0;  // the name's bytes, without quotes
    bool quoted = false;
    int line = 0;     // 1-based; CR LF, LF and a lone CR each end a line
};

// Every AddTopic call of a script text, in text order: the function name in
// any letter case, the argument after blanks and/or commas, ';' starting a
// comment outside quotes. A quote left open on its line is no argument.
std::vector<TopicCall> FindAddTopicCalls(std::string_view script);

// Old topic names and their new ones; the first pair of a name wins. A pair
// whose names differ only in letter case renames nothing the game would see.
class TopicRenames {
public:
    void Add(std::string_view oldName, std::string_view newName);
    // The new name of an old one, nullptr when the name is no old topic name.
    const std::string* Find(std::string_view name) const;
    bool Empty() const { return pairs_.empty(); }
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

    // Each pair whose old name stands as a link in text (starting the text or
    // after a blank, a line break, a TAB or a double quote), once.
    std::vector<size_t> LinksIn(std::string_view text) const;

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::unordered_map<std::string, size_t> byFolded_;
    // Pairs by the first bytes of their folded old name, for LinksIn.
    std::unordered_map<std::string, std::vector<size_t>> byStart_;
};

// Whether text holds name as a link, as TopicRenames::LinksIn finds one.
bool HoldsTopicLink(std::string_view text, std::string_view name);

// The script with every AddTopic argument that is an old topic name given its
// new name, every other byte as it was. A bare argument whose new name is no
// longer one word is written quoted; a new name that holds a double quote or
// a line break cannot be written and leaves its call as it was. changed: set
// when anything changed.
std::string RenameAddTopics(std::string_view script, const TopicRenames& renames, bool& changed);

// The renames a save makes: the loaded plugin's topic rows whose name the
// load, the external database, the memory or an edit converted, then every
// pair of the Topic tab's dictionary (a missing one is never created).
TopicRenames TopicRenamesOfPlugin();

// Renames the AddTopic calls of every dialogue result (INFO BNAM) of the
// loaded plugin; every size field follows.
void ConvertAddTopics(const TopicRenames& renames);

}  // namespace qp

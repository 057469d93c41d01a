// What a plugin carries that a translator changes: one row per record type
// and subrecord, with its kind of text, how the record's ID is read, its byte
// limit, the dictionary file that serves it and the tab or "Edit text" item
// that shows it. Everything that lists types, tabs, long-text items or
// dictionary files reads this table; adding a kind of text is a row here.
//
// It lives in the base layer, the lowest one above the window system: the
// platform layer only numbers tabs and menu items (platform/ids.h), and every
// reader (lists, loader, dictionary builder, reference check, dialogs, shell,
// batch tool) may include base.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/ids.h"

namespace qp {

enum class TextKind : uint8_t {
    DisplayName,        // the name a tab lists
    LongText,           // a book's text, a description an "Edit text" item edits
    Topic,              // a dialogue topic: the DIAL's NAME
    Response,           // what an actor says: an INFO's NAME
    Journal,            // a journal entry: an INFO's NAME under a journal DIAL
    GameSetting,        // a string game setting
    FactionRank,        // one of a faction's ten rank names
    EffectDescription,  // a magic effect's description
    ScriptMessage,      // quoted text of MessageBox, Choice or Say in a script
};
constexpr int kTextKindCount = 9;

// How the record's ID is read.
enum class IdFrom : uint8_t {
    Name,    // its NAME (for DIAL the topic itself, for GMST the setting)
    Inam,    // INFO: INAM
    Index,   // SKIL, MGEF: the number in INDX
    Script,  // SCPT: the script name, the first 32 bytes of SCHD
};

// Which dialogue a DIAL or INFO row is about, by the DIAL's type byte.
enum class Dialogue : uint8_t { Any, Topic, Journal, NotJournal };

struct Translatable {
    const char* type;        // record type, "BOOK"
    const char* sub;         // subrecord, "FNAM"
    TextKind kind;
    IdFrom id;
    int limit;               // the most bytes the text may hold; 0: no limit
    bool zeroEnd;            // the data ends in a zero that is not text
    bool repeats;            // the field comes more than once a record (#n)
    bool editable;           // false: compiled, or not reached by the window yet
    const char* dictionary;  // "data\Bookdata.dat", nullptr when none serves it
    int list;                // the tab that lists it, 0 for none
    int menu;                // the "Edit text" item that edits it, 0 for none
    const char* title;       // the tab's or the item's title
    Dialogue dialogue = Dialogue::Any;
};

// Every row, names first in tab order, then the long texts in menu order.
std::span<const Translatable> TranslatableFields();

// The display-name row a tab lists; nullptr for a number that is no tab.
const Translatable* NameField(int list);
// The long-text row of an "Edit text" item; nullptr for any other id.
const Translatable* TextItemField(int menu);
// The long-text rows in menu order.
std::span<const Translatable* const> TextItemFields();
// The string-setting row.
const Translatable& GameSettingField();

// How a record of this type names itself: its rows' IdFrom, NAME for a
// type without rows.
IdFrom IdOfType(std::string_view type);

// The skill dictionary: the skills' display names, which the game keeps in
// game settings, by skill index.
extern const char* const kSkillDictionary;

// The game's skill names by skill index, from Block to Hand-to-hand.
std::span<const char* const> GameSkillNames();

// A short lower-case word per kind ("name", "text", "topic" ...), and back;
// FromWord gives false for a word that names no kind.
const char* TextKindWord(TextKind k);
bool TextKindFromWord(std::string_view word, TextKind& k);

}  // namespace qp

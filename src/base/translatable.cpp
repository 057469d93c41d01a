#include "base/translatable.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace qp {

namespace {

using K = TextKind;
using I = IdFrom;

constexpr Translatable Name(const char* type, const char* sub, int limit, const char* dict, int list,
                            const char* title) {
    return {type, sub, K::DisplayName, I::Name, limit, true, false, true, dict, list, 0, title};
}

constexpr Translatable Text(const char* type, const char* sub, I id, const char* file, int menu,
                            const char* title) {
    // The text editor writes the translation as the whole data.
    return {type, sub, K::LongText, id, 0, false, false, true, file, 0, menu, title};
}

const Translatable kFields[] = {
    // 25 of the 26 tabs, in tab order (the topics' tab comes last, below).
    // Cells, regions and path grids hold 63 bytes.
    Name("CELL", "NAME", 63, "data\\Celldata.dat", kListCell, "Cell"),
    Name("REGN", "FNAM", 63, "data\\Regndata.dat", kListRegion, "Region"),
    Name("PGRD", "NAME", 63, "data\\Celldata.dat", kListPathGrid, "Pgrd"),
    Name("ACTI", "FNAM", 31, "data\\Actidata.dat", kListActivator, "Activator"),
    Name("APPA", "FNAM", 31, "data\\Appadata.dat", kListApparatus, "Apparatus"),
    Name("ARMO", "FNAM", 31, "data\\Armodata.dat", kListArmor, "Armor"),
    Name("BOOK", "FNAM", 31, "data\\Bookdata.dat", kListBook, "Book"),
    Name("CLOT", "FNAM", 31, "data\\Clotdata.dat", kListCloth, "Cloth"),
    Name("CONT", "FNAM", 31, "data\\Contdata.dat", kListContainer, "Container"),
    Name("DOOR", "FNAM", 31, "data\\Doordata.dat", kListDoor, "Door"),
    Name("INGR", "FNAM", 31, "data\\Ingrdata.dat", kListIngredient, "Ingredient"),
    Name("CREA", "FNAM", 31, "data\\Creadata.dat", kListCreature, "Creature"),
    Name("SPEL", "FNAM", 31, "data\\Speldata.dat", kListSpell, "Spellmaking"),
    Name("ALCH", "FNAM", 31, "data\\Alchdata.dat", kListAlchemy, "Alchemy"),
    Name("LIGH", "FNAM", 31, "data\\Lighdata.dat", kListLight, "Light"),
    Name("LOCK", "FNAM", 31, "data\\Lockdata.dat", kListLockpick, "Lockpick"),
    Name("MISC", "FNAM", 31, "data\\Miscdata.dat", kListMisc, "Misc Item"),
    Name("PROB", "FNAM", 31, "data\\Probdata.dat", kListProbe, "Probe"),
    Name("REPA", "FNAM", 31, "data\\Repadata.dat", kListRepair, "Repair Item"),
    Name("WEAP", "FNAM", 31, "data\\Weapdata.dat", kListWeapon, "Weapon"),
    Name("NPC_", "FNAM", 31, "data\\Npc_data.dat", kListNpc, "NPC"),
    Name("RACE", "FNAM", 31, "data\\Racedata.dat", kListRace, "Race"),
    Name("CLAS", "FNAM", 31, "data\\Clasdata.dat", kListClass, "Class"),
    Name("BSGN", "FNAM", 31, "data\\Bsgndata.dat", kListBirthsign, "Birthsign"),
    Name("FACT", "FNAM", 31, "data\\Factdata.dat", kListFaction, "Faction"),
    // The "Edit text" items, in menu order (the two dialogue ones below).
    Text("BOOK", "TEXT", I::Name, "data\\Txtbookdata.dat", kMenuTextBook, "Book"),
    Text("CLAS", "DESC", I::Name, "data\\Txtclasdata.dat", kMenuTextClass, "Class"),
    Text("RACE", "DESC", I::Name, "data\\Txtracedata.dat", kMenuTextRace, "Race"),
    Text("SKIL", "DESC", I::Index, "data\\Txtskildata.dat", kMenuTextSkill, "Skill"),
    Text("BSGN", "DESC", I::Name, "data\\Txtbsgndata.dat", kMenuTextBirthsign, "Birthsign"),
    // Converted by the save with its pair file.
    {"GMST", "STRV", K::GameSetting, I::Name, 0, false, false, true, "data\\Gmstdata.dat", 0, 0, ""},
    // A journal DIAL's NAME is a quest ID, not text.
    // A topic is listed in the 26th tab. The game's own topics stay within 31
    // bytes, but released mods carry topics of up to 39 bytes, which the game
    // takes: a DIAL's NAME is a name of any length, as a cell's is.
    {"DIAL", "NAME", K::Topic, I::Name, 63, true, false, true, "data\\Dialdata.dat", kListTopic, 0, "Topic",
     Dialogue::Topic},
    // The two dialogue items of "Edit text". An INFO's text is the whole
    // data, as is a result script. The game's editor keeps 511 bytes of a
    // response (its field holds 512 with the terminator it does not write):
    // the game's own responses and the mods' go up to 511, none past it.
    {"INFO", "NAME", K::Response, I::Inam, 511, false, false, true, "data\\Txtinfodata.dat", 0, kMenuTextDialogue,
     "Dialogue", Dialogue::NotJournal},
    {"INFO", "NAME", K::Journal, I::Inam, 511, false, false, true, "data\\Txtjourdata.dat", 0, kMenuTextJournal,
     "Journal", Dialogue::Journal},
    {"FACT", "RNAM", K::FactionRank, I::Name, 31, true, true, false, nullptr, 0, 0, ""},
    {"MGEF", "DESC", K::EffectDescription, I::Index, 0, false, false, false, nullptr, 0, 0, ""},
    // Scripts are compiled: their text cannot change alone.
    {"SCPT", "SCTX", K::ScriptMessage, I::Script, 0, false, true, false, nullptr, 0, 0, ""},
    {"INFO", "BNAM", K::ScriptMessage, I::Inam, 0, false, true, false, nullptr, 0, 0, ""},
};

struct Index {
    std::array<const Translatable*, kLastList + 1> byList{};
    std::array<const Translatable*, 7> items{};
    int itemCount = 0;
    const Translatable* setting = nullptr;
};

const Index& Indexed() {
    static const Index index = [] {
        Index x;
        for (const Translatable& f : kFields) {
            if (f.list) x.byList[static_cast<size_t>(f.list)] = &f;
            if (f.menu) x.items[static_cast<size_t>(x.itemCount++)] = &f;
            if (f.kind == K::GameSetting) x.setting = &f;
        }
        return x;
    }();
    return index;
}

const char* const kKindWords[kTextKindCount] = {"name",    "text",   "topic", "response", "journal",
                                                "setting", "rank",   "effect", "script"};

// The game's 27 skills by index.
const char* const kSkillNames[] = {
    "Block",       "Armorer",     "Medium Armor", "Heavy Armor", "Blunt Weapon", "Long Blade",
    "Axe",         "Spear",       "Athletics",    "Enchant",     "Destruction",  "Alteration",
    "Illusion",    "Conjuration", "Mysticism",    "Restoration", "Alchemy",      "Unarmored",
    "Security",    "Sneak",       "Acrobatics",   "Light Armor", "Short Blade",  "Marksman",
    "Mercantile",  "Speechcraft", "Hand-to-hand",
};
}  // namespace

std::span<const char* const> GameSkillNames() { return kSkillNames; }

const char* const kSkillDictionary = "data\\Skildata.dat";

std::span<const Translatable> TranslatableFields() { return kFields; }

const Translatable* NameField(int list) {
    return IsListNumber(list) ? Indexed().byList[static_cast<size_t>(list)] : nullptr;
}

const Translatable* TextItemField(int menu) {
    for (const Translatable* f : TextItemFields())
        if (f->menu == menu) return f;
    return nullptr;
}

std::span<const Translatable* const> TextItemFields() {
    const Index& x = Indexed();
    return {x.items.data(), static_cast<size_t>(x.itemCount)};
}

IdFrom IdOfType(std::string_view type) {
    // Every record of a load asks: only the few types not named by NAME are
    // looked for.
    static const auto others = [] {
        std::vector<std::pair<std::string_view, IdFrom>> v;
        for (const Translatable& f : kFields)
            if (f.id != I::Name &&
                std::none_of(v.begin(), v.end(), [&](const auto& o) { return o.first == f.type; }))
                v.emplace_back(f.type, f.id);
        return v;
    }();
    for (const auto& [t, id] : others)
        if (type == t) return id;
    return I::Name;
}

const Translatable& GameSettingField() { return *Indexed().setting; }

const char* TextKindWord(TextKind k) { return kKindWords[static_cast<int>(k)]; }

bool TextKindFromWord(std::string_view word, TextKind& k) {
    for (int i = 0; i < kTextKindCount; ++i)
        if (word == kKindWords[i]) {
            k = static_cast<TextKind>(i);
            return true;
        }
    return false;
}

}  // namespace qp

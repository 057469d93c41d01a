#include "base/lists.h"

#include <array>
#include <cstdint>

namespace qp {

namespace {

struct ListInfo {
    const char* title;
    const char* type;
    const char* sub;
    const char* dict;
};

const ListInfo kLists[kListCount] = {
    {"Cell", "CELL", "NAME", "data\\Celldata.dat"},
    {"Region", "REGN", "FNAM", "data\\Regndata.dat"},
    {"Pgrd", "PGRD", "NAME", "data\\Celldata.dat"},
    {"Activator", "ACTI", "FNAM", "data\\Actidata.dat"},
    {"Apparatus", "APPA", "FNAM", "data\\Appadata.dat"},
    {"Armor", "ARMO", "FNAM", "data\\Armodata.dat"},
    {"Book", "BOOK", "FNAM", "data\\Bookdata.dat"},
    {"Cloth", "CLOT", "FNAM", "data\\Clotdata.dat"},
    {"Container", "CONT", "FNAM", "data\\Contdata.dat"},
    {"Door", "DOOR", "FNAM", "data\\Doordata.dat"},
    {"Ingredient", "INGR", "FNAM", "data\\Ingrdata.dat"},
    {"Creature", "CREA", "FNAM", "data\\Creadata.dat"},
    {"Spellmaking", "SPEL", "FNAM", "data\\Speldata.dat"},
    {"Alchemy", "ALCH", "FNAM", "data\\Alchdata.dat"},
    {"Light", "LIGH", "FNAM", "data\\Lighdata.dat"},
    {"Lockpick", "LOCK", "FNAM", "data\\Lockdata.dat"},
    {"Misc Item", "MISC", "FNAM", "data\\Miscdata.dat"},
    {"Probe", "PROB", "FNAM", "data\\Probdata.dat"},
    {"Repair Item", "REPA", "FNAM", "data\\Repadata.dat"},
    {"Weapon", "WEAP", "FNAM", "data\\Weapdata.dat"},
    {"NPC", "NPC_", "FNAM", "data\\Npc_data.dat"},
    {"Race", "RACE", "FNAM", "data\\Racedata.dat"},
    {"Class", "CLAS", "FNAM", "data\\Clasdata.dat"},
    {"Birthsign", "BSGN", "FNAM", "data\\Bsgndata.dat"},
    {"Faction", "FACT", "FNAM", "data\\Factdata.dat"},
};

const ListInfo& Info(int list) {
    static const ListInfo none{"", "", "", ""};
    return IsListNumber(list) ? kLists[list - kFirstList] : none;
}

}  // namespace

const char* TabTitle(int list) { return Info(list).title; }
const char* ListRecordType(int list) { return Info(list).type; }
const char* ListNameSubrecord(int list) { return Info(list).sub; }
const char* ListDictionary(int list) { return Info(list).dict; }
int ListNameLimit(int list) { return list <= kListPathGrid ? 63 : 31; }

int ListOfRecordType(std::string_view type) {
    // Every block of a plugin asks: four bytes compared as one number.
    if (type.size() != 4) return 0;
    auto code = [](const char* t) {
        return static_cast<uint32_t>(static_cast<unsigned char>(t[0])) |
               static_cast<uint32_t>(static_cast<unsigned char>(t[1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(t[2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(t[3])) << 24;
    };
    static const auto codes = [&] {
        std::array<uint32_t, kListCount> c{};
        for (int i = 0; i < kListCount; ++i) c[static_cast<size_t>(i)] = code(kLists[i].type);
        return c;
    }();
    const uint32_t want = code(type.data());
    for (int i = 0; i < kListCount; ++i)
        if (codes[static_cast<size_t>(i)] == want) return kFirstList + i;
    return 0;
}

}  // namespace qp

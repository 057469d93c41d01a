#include "app/globals.h"

namespace qp {

std::vector<NameEntry> gNameLists[kLastList + 1];
std::vector<SkillEntry> gSkillList;
std::vector<TextEntry> gTextEditList;
int gSortDirection[kLastList + 1];
CurrentRow gCurrentRow;
Configuration gConfig;
std::string gFileInUse;
std::atomic<int> gBusy{0};
std::atomic<int> gFinished{0};
std::atomic<int> gDialogOpen{0};
std::atomic<int> gQuit{0};
TextEditParameters gTextParams;

const char* const kInProgressMessage = "LOAD/SAVE IN PROGRESS.\r              PLEASE WAIT!";
const char* const kExternalDatabase = "dataextra\\Extradata.dat";
const char* const kProgramTitle = "QUILLANE v3.03a";

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
    return (list >= kFirstList && list <= kLastList) ? kLists[list - kFirstList] : none;
}
}  // namespace

const char* TabTitle(int list) { return Info(list).title; }
const char* ListRecordType(int list) { return Info(list).type; }
const char* ListNameSubrecord(int list) { return Info(list).sub; }
const char* ListDictionary(int list) { return Info(list).dict; }
int ListNameLimit(int list) { return list <= kListPathGrid ? 63 : 31; }

void ResetGlobalState() {
    for (auto& l : gNameLists) l.clear();
    gSkillList.clear();
    gTextEditList.clear();
    for (int& d : gSortDirection) d = 1;
    gCurrentRow = CurrentRow{};
    gConfig = Configuration{};
    gFileInUse.clear();
    gBusy = 0;
    gFinished = 0;
    gDialogOpen = 0;
    gQuit = 0;
    gTextParams = TextEditParameters{};
}

}  // namespace qp

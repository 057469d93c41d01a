// The program's shared state: the name lists behind the 25 tabs, the skill
// list, the configuration values, the current row and the flags that the
// event loop and the worker coordinate through.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ids.h"

namespace qp {

// One named record of the loaded plugin, shown as one row of its tab.
struct NameEntry {
    std::string flag;  // "", "L", "T", "N" or "*"
    std::string id;
    std::string fv;    // the name before conversion
    std::string ov;    // the name the converted plugin carries
    int32_t block = 0;
};

// A SKIL record, for the long-text editor.
struct SkillEntry {
    int32_t index = 0;
    std::string id;  // string 1 of the skill dictionary
    std::string fv;
    std::string ov;
    int32_t block = 0;
};

// An entry of the long-text editor's working list.
struct TextEntry {
    std::string id;
    int32_t block = 0;
};

extern std::vector<NameEntry> gNameLists[kLastList + 1];  // 3..27 used
extern std::vector<SkillEntry> gSkillList;
extern std::vector<TextEntry> gTextEditList;
extern int gSortDirection[kLastList + 1];

// Tab titles, record types and name subrecords, by list number.
const char* TabTitle(int list);
const char* ListRecordType(int list);
const char* ListNameSubrecord(int list);
const char* ListDictionary(int list);  // "data\Celldata.dat" ...
int ListNameLimit(int list);          // 63 for cells, regions and path grids, else 31

struct CurrentRow {
    int list = 0;
    std::string type, flag, id, fv, ov;
};
extern CurrentRow gCurrentRow;

struct Configuration {
    int32_t windowWidth = 800;
    int32_t windowHeight = 600;
    int32_t bank = 50000;
    std::string plugPath = "C:\\";
    std::string savePath = "C:\\";
};
extern Configuration gConfig;

extern const char* const kInProgressMessage;
extern const char* const kExternalDatabase;  // "dataextra\Extradata.dat"
extern const char* const kProgramTitle;

// The plugin file last loaded or written by Save as.
extern std::string gFileInUse;

// Flags shared by the event loop and the worker.
extern std::atomic<int> gBusy;
extern std::atomic<int> gFinished;
extern std::atomic<int> gDialogOpen;
extern std::atomic<int> gQuit;

// What the "Edit text" item chose: caption, long-text file, subrecord.
struct TextEditParameters {
    std::string type;
    std::string file;
    std::string subrecord;
};
extern TextEditParameters gTextParams;

// Zeroes every list, flag and value (start-up, and between tests).
void ResetGlobalState();

}  // namespace qp

// The numbers the window system and the core agree on: list numbers (one per
// tab, its list view and its name list), menu ids, control numbers and window
// numbers. Both window backends, the core and the tests use these names.
#pragma once

namespace qp {

// List numbers: tab index + 3.
enum : int {
    kListCell = 3,
    kListRegion = 4,
    kListPathGrid = 5,
    kListActivator = 6,
    kListApparatus = 7,
    kListArmor = 8,
    kListBook = 9,
    kListCloth = 10,
    kListContainer = 11,
    kListDoor = 12,
    kListIngredient = 13,
    kListCreature = 14,
    kListSpell = 15,
    kListAlchemy = 16,
    kListLight = 17,
    kListLockpick = 18,
    kListMisc = 19,
    kListProbe = 20,
    kListRepair = 21,
    kListWeapon = 22,
    kListNpc = 23,
    kListRace = 24,
    kListClass = 25,
    kListBirthsign = 26,
    kListFaction = 27,
    kListTopic = 28,  // dialogue topics (DIAL of kind topic)
};
constexpr int kFirstList = kListCell;
constexpr int kLastList = kListTopic;
constexpr int kListCount = kLastList - kFirstList + 1;
constexpr bool IsListNumber(int n) { return n >= kFirstList && n <= kLastList; }

// Columns of a list view.
enum : int { kColFlag = 0, kColId = 1, kColFv = 2, kColOv = 3, kColumnCount = 4 };

// Windows: the main window and the dialogs.
enum : int {
    kWindowMain = 0,
    kWindowNameEdit = 1,
    kWindowTextEdit = 2,
    kWindowCheck = 3,  // the reference check's findings, a build's report
    kWindowBuild = 4,  // "Build dictionaries..."
    kWindowCount = 5,
};

// Status bar fields.
enum : int { kStatusFile = 0, kStatusProgress = 1 };
// The file field shows this label and a file name. The name is a path's bytes,
// in the file system's encoding, not in the plugin's code page.
inline constexpr char kStatusFileLabel[] = "File : ";

// Menu ids.
enum : int {
    kMenuLoad = 1,
    kMenuSave = 2,
    kMenuSaveAs = 3,
    kMenuQuit = 4,
    kMenuReset = 5,
    kMenuCheck = 6,  // "Check references..." in the File menu
    kMenuBuildDictionaries = 7,  // "External data" > "Build dictionaries..."
    kMenuForgetMemory = 8,       // "External data" > "Forget memory"
    kMenuTextBook = 9,
    kMenuTextClass = 10,
    kMenuTextRace = 11,
    kMenuTextSkill = 12,
    kMenuTextBirthsign = 13,
    kMenuTextDialogue = 14,
    kMenuTextJournal = 15,
    kMenuExportPo = 16,  // "Export for translation..."
    kMenuImportPo = 17,  // "Import translation..."
    kMenuHelp = 20,
    kMenuAbout = 21,
    kMenuEdit = 25,
    // "Code page": radio items, one per code page, in code page order.
    kMenuCodePage1250 = 30,
    kMenuCodePage1251 = 31,
    kMenuCodePage1252 = 32,
};

// Control numbers: the object window's frame and tab control (the list views
// are numbered by their list numbers), then the dialogs' controls.
enum : int {
    kCtlFrame = 1,
    kCtlTabs = 2,
    kCtlIdLabel = 1032,
    kCtlIdField = 1033,
    kCtlFvLabel = 1034,
    kCtlFvField = 1035,
    kCtlOvLabel = 1036,
    kCtlOvField = 1037,
    kCtlOk = 1038,
    kCtlCancel = 1039,
    kCtlOvCount = 1040,   // the OV name's bytes against its limit, "12 / 31"
    kCtlOkReason = 1041,  // why "OK" is off, on a row named by a dictionary
    kCtlOriginalLabel = 1050,
    kCtlTranslationLabel = 1051,
    kCtlTextList = 1052,
    kCtlTextSave = 1053,
    kCtlTextCancel = 1054,
    kCtlTextCopy = 1055,
    kCtlSourcePane = 1056,
    kCtlTranslationPane = 1057,
    // The text edit dialog for responses and journal entries: who says it
    // and when, and the filter of its long list (text, toggle, counts).
    kCtlTextContext = 1058,
    kCtlTextFilter = 1059,
    kCtlTextUntranslated = 1065,
    kCtlTextCount = 1066,
    kCtlTextFilterLabel = 1067,
    kCtlCheckSummary = 1060,
    kCtlCheckList = 1061,
    kCtlCheckCopy = 1062,
    kCtlCheckClose = 1063,
    kCtlCheckCodePage = 1064,  // a build's report: take the code page it suggests
    // The filter bar of the main window, between the menu bar and the object
    // window: the text field, the "Without counterpart" toggle, the button
    // that F3 also presses, and the line of counts.
    kCtlFilterField = 1070,
    kCtlFilterToggle = 1071,
    kCtlFilterNext = 1072,
    kCtlFilterCount = 1073,
    // "Build dictionaries...": the pairs of files, in load order, and its buttons.
    kCtlBuildNote = 1080,
    kCtlBuildPairs = 1081,
    kCtlBuildAdd = 1082,
    kCtlBuildRemove = 1083,
    kCtlBuildRun = 1084,
    kCtlBuildClose = 1085,
};

}  // namespace qp

// Shared helpers for the tests: a program directory of its own per test, a
// headless window system, and plugins built byte by byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace qt_test {

// Builds TES3 records and subrecords.
struct Sub {
    std::string name;
    std::string data;
};
std::string Subrecord(const std::string& name, const std::string& data);
std::string Record(const std::string& type, const std::vector<Sub>& subs, int32_t flags = 0);
// A zero-terminated string as name subrecords hold it.
std::string Z(const std::string& s);
std::string Int32(int32_t v);
// A header record (TES3 with HEDR of 300 bytes); count = record count field.
std::string Header(int32_t count, int32_t fileType = 0);
// A whole plugin: header with the right count, then the records.
std::string Plugin(const std::vector<std::string>& records, int32_t fileType = 0);
// Pair and triple files.
std::string Pairs(const std::vector<std::pair<std::string, std::string>>& pairs);
std::string Triples(const std::vector<std::vector<std::string>>& triples);

std::string ReadFile(const std::filesystem::path& p);
void WriteFile(const std::filesystem::path& p, const std::string& bytes);

// A fresh program directory (data/, dataextra/) and a headless platform with
// the program started: every test gets its own.
class Env {
public:
    Env();
    ~Env();
    std::filesystem::path dir;  // program directory
    qp::HeadlessPlatform ui;
    std::filesystem::path Data(const std::string& name) const { return dir / "data" / name; }
    std::filesystem::path ExtDb() const { return dir / "dataextra" / "Extradata.dat"; }
    // Writes a plugin file into the directory and returns its path.
    std::string PutPlugin(const std::string& name, const std::string& bytes);
    // Runs the Load command on path (scripted requester), waits for it.
    void Load(const std::string& path);
    void SaveAs(const std::string& path);
    void Save(bool yes = true);
    void Menu(int id);        // the menu item chosen, the loop run
    void Press(int control);  // the button pressed, the loop run
    // Runs the queued events through the real event loop.
    void Run();
};

// Every message shown as "title/icon/text" (icons: 1 information, 2 question, 3 warning, 4 stop).
std::vector<std::string> Shown(qp::HeadlessPlatform& ui);
// A book record: its ID and name, then any further subrecords.
std::string Book(const std::string& id, const std::string& name, const std::vector<Sub>& more = {});
// Every file and folder under dir by relative path, "<dir>" for folders, "<link TARGET>" for links.
std::map<std::string, std::string> DirSnapshot(const std::filesystem::path& dir);
std::string Geometry(const qp::Rect& r);  // "x,y,w,h"
// Row r of list g opened in the name edit, ov typed, OK pressed.
void EditName(Env& env, int g, int r, const std::string& ov);

// Do a file's permission bits keep this user from reading it? Not root, and
// not on Windows, where they only make a file read-only.
bool PermissionsBind();

bool CorpusAvailable();
std::vector<std::filesystem::path> CorpusFiles();

// A record named by NAME and FNAM, then any further subrecords.
std::string Object(const std::string& type, const std::string& id, const std::string& name,
                   std::vector<Sub> more = {});
// The header and the records as blocks 0..n of the table, as a load leaves them.
// The bytes of the given blocks, one after the other.
std::string JoinedBlocks(std::initializer_list<int> blocks);
void InstallBlocks(const std::vector<std::string>& records);
// What list g shows when its rows are its entries in order.
std::vector<qp::Row> EntryRows(int g);
// The ids of the enabled menu items in id order, each followed by a blank.
std::string EnabledMenus(qp::HeadlessPlatform& ui);

// Two DirSnapshots agree but for the paths in changed, the configuration every
// load rewrites and empty dictionaries a load makes in data/.
void ExpectFilesKept(std::map<std::string, std::string> before,
                     std::map<std::string, std::string> after,
                     const std::set<std::string>& changed, const std::string& why);
// Runs act, which must be refused: the only message so far, a stop holding every part; the
// table, list 19 and file in use as before, every file kept but for changed.
void ExpectRefused(Env& env, const std::function<void()>& act,
                   const std::vector<std::string>& parts, const std::string& why,
                   const std::set<std::string>& changed = {});

}  // namespace qt_test

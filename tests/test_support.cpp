#include "test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "base/workspace.h"
#include "app/shell.h"
#include "base/paths.h"
#include "platform/files.h"
#include "plugin/blocks.h"

namespace fs = std::filesystem;

namespace qt_test {

std::string Int32(int32_t v) {
    std::string s(4, '\0');
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return s;
}

std::string Z(const std::string& s) { return s + std::string(1, '\0'); }

std::string Subrecord(const std::string& name, const std::string& data) {
    return name.substr(0, 4) + Int32(static_cast<int32_t>(data.size())) + data;
}

std::string Record(const std::string& type, const std::vector<Sub>& subs, int32_t flags) {
    std::string body;
    for (const Sub& s : subs) body += Subrecord(s.name, s.data);
    return type.substr(0, 4) + Int32(static_cast<int32_t>(body.size())) + Int32(0) + Int32(flags) + body;
}

std::string Header(int32_t count, int32_t fileType) {
    std::string hedr = Int32(0x3FA66666) + Int32(fileType) + std::string(32, '\0') +
                       std::string(256, '\0') + Int32(count);
    return Record("TES3", {{"HEDR", hedr}});
}

std::string Plugin(const std::vector<std::string>& records, int32_t fileType) {
    std::string out = Header(static_cast<int32_t>(records.size()), fileType);
    for (const auto& r : records) out += r;
    return out;
}

std::string Pairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string out;
    for (const auto& [a, b] : pairs)
        out += Int32(static_cast<int32_t>(a.size())) + a + Int32(static_cast<int32_t>(b.size())) + b;
    return out;
}

std::string Triples(const std::vector<std::vector<std::string>>& triples) {
    std::string out;
    for (const auto& t : triples)
        for (const auto& s : t) out += Int32(static_cast<int32_t>(s.size())) + s;
    return out;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

// Removes a directory tree whatever the permissions its tests left: Windows
// deletes no read-only file, and a folder without permissions hides what it
// holds.
void RemoveTree(const fs::path& dir) {
    std::error_code ec, ignored;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_symlink(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir, ignored);
}

}  // namespace

Env::Env() {
    static std::atomic<int> counter{0};
    dir = fs::temp_directory_path() /
          ("quillane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    RemoveTree(dir);  // left by an earlier run with this process id
    fs::create_directories(dir / "data");
    fs::create_directories(dir / "dataextra");
    qp::SetProgramDirectory(dir.string());
    qp::gWs.env.installedData.clear();
    qp::gWs.env.programDirFailure.reset();
    qp::gWs.env.programDirWarning.reset();
    qp::SetPlatform(&ui);
    qp::Startup();
}

Env::~Env() {
    ui.WaitWorker();
    ui.ReleaseWorker();
    RemoveTree(dir);
}

std::string Env::PutPlugin(const std::string& name, const std::string& bytes) {
    fs::path p = dir / name;
    WriteFile(p, bytes);
    return p.string();
}

void Env::Run() {
    qp::RunEventLoop();
    qp::gWs.quit = 0;
    ui.WaitWorker();
}

void Env::Load(const std::string& path) {
    ui.PushOpenPath(path);
    Menu(qp::kMenuLoad);
}

void Env::SaveAs(const std::string& path) {
    ui.PushSavePath(path);
    Menu(qp::kMenuSaveAs);
}

void Env::Save(bool yes) {
    ui.PushAnswer(yes ? qp::Answer::Yes : qp::Answer::No);
    Menu(qp::kMenuSave);
}

void Env::Menu(int id) {
    ui.PushMenu(id);
    Run();
}

void Env::Press(int control) {
    ui.PushControl(control, qp::ControlAction::Press);
    Run();
}

std::vector<std::string> Shown(qp::HeadlessPlatform& ui) {
    std::vector<std::string> v;
    for (const auto& m : ui.Messages())
        v.push_back(m.title + "/" + std::to_string(int(m.icon)) + "/" + m.text);
    return v;
}

std::string Book(const std::string& id, const std::string& name, const std::vector<Sub>& more) {
    return Object("BOOK", id, name, more);
}

std::map<std::string, std::string> DirSnapshot(const fs::path& dir) {
    std::map<std::string, std::string> s;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().lexically_relative(dir).generic_string();
        s[name] = e.is_symlink() ? "<link " + fs::read_symlink(e.path()).string() + ">"
                  : e.is_directory() ? "<dir>" : ReadFile(e.path());
    }
    return s;
}

std::string Geometry(const qp::Rect& r) {
    std::string s;
    for (int v : {r.x, r.y, r.w, r.h}) s += (s.empty() ? "" : ",") + std::to_string(v);
    return s;
}

void EditName(Env& env, int g, int r, const std::string& ov) {
    env.ui.ListSelectRow(g, r);
    env.ui.PushControl(g, qp::ControlAction::Activate);
    env.Run();
    env.ui.TypeText(qp::kCtlOvField, ov);
    env.Press(qp::kCtlOk);
}

bool PermissionsBind() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() != 0;
#endif
}

bool CorpusAvailable() { return fs::is_directory(QUILLANE_CORPUS_DIR); }

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> out;
    if (!CorpusAvailable()) return out;
    for (const auto& e : fs::directory_iterator(QUILLANE_CORPUS_DIR)) {
        auto ext = e.path().extension().string();
        if (ext == ".esp" || ext == ".esm" || ext == ".omwaddon") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string Object(const std::string& type, const std::string& id, const std::string& name,
                   std::vector<Sub> more) {
    more.insert(more.begin(), {{"NAME", Z(id)}, {"FNAM", Z(name)}});
    return Record(type, more);
}

std::string JoinedBlocks(std::initializer_list<int> blocks) {
    std::string out;
    for (int b : blocks) out += qp::gWs.table.blocks[static_cast<size_t>(b)];
    return out;
}

void InstallBlocks(const std::vector<std::string>& records) {
    qp::InitBlockTable(50000);
    qp::gWs.table.blocks.push_back(Header(static_cast<int32_t>(records.size())));
    for (const auto& r : records) qp::gWs.table.blocks.push_back(r);
    qp::gWs.table.last = static_cast<int32_t>(records.size());
    for (size_t i = 0; i < qp::gWs.table.blocks.size(); ++i)
        qp::gWs.table.sizes[i] = static_cast<int32_t>(qp::gWs.table.blocks[i].size());
    qp::gWs.table.loaded = true;
}

std::vector<qp::Row> EntryRows(int g) {
    std::vector<qp::Row> rows;
    for (const auto& e : qp::gWs.nameLists[g]) rows.push_back({e.flag, e.id, e.fv, e.ov});
    return rows;
}

std::string EnabledMenus(qp::HeadlessPlatform& ui) {
    std::string out;
    for (int id = 1; id <= qp::kMenuEdit; ++id)  // the "Code page" items are always on
        if (ui.IsMenuItemEnabled(id)) out += std::to_string(id) + " ";
    return out;
}

void ExpectFilesKept(std::map<std::string, std::string> before,
                     std::map<std::string, std::string> after,
                     const std::set<std::string>& changed, const std::string& why) {
    for (auto* snap : {&before, &after}) {
        snap->erase("Voskconv.ini");
        for (const auto& name : changed) snap->erase(name);
    }
    std::erase_if(after, [&](const auto& e) {
        return !before.count(e.first) && e.second.empty() && e.first.rfind("data/", 0) == 0;
    });
    EXPECT_EQ(before, after) << why;
}

void ExpectRefused(Env& env, const std::function<void()>& act,
                   const std::vector<std::string>& parts, const std::string& why,
                   const std::set<std::string>& changed) {
    const auto blocks = qp::gWs.table.blocks;
    const auto rows = env.ui.Rows(qp::kListMisc);
    const std::string inUse = qp::gWs.fileInUse;
    const auto before = DirSnapshot(env.dir);
    act();
    const auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 1u) << why;
    EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << why;
    for (const auto& part : parts)
        EXPECT_NE(msgs[0].text.find(part), std::string::npos) << why << ": " << msgs[0].text;
    EXPECT_EQ(qp::gWs.table.blocks, blocks) << why;
    EXPECT_EQ(env.ui.Rows(qp::kListMisc), rows) << why;
    EXPECT_EQ(qp::gWs.fileInUse, inUse) << why;
    ExpectFilesKept(before, DirSnapshot(env.dir), changed, why);
}

}  // namespace qt_test

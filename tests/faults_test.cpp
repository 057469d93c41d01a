// Faults around the files Quillane reads and writes: a dictionary it cannot
// read, a plugin that changes between the requester and the read, a missing
// dataextra folder, and a quit asked for while a save runs. Every test
// compares the bytes of every file of the program directory before and after.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "app/globals.h"
#include "app/shell.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

// Every regular file under dir, by relative path.
Files Snapshot(const fs::path& dir) {
    Files out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string bytes;
        if (!qp::ReadWholeFile(e.path().string(), bytes)) bytes = "<unreadable>";
        out[fs::relative(e.path(), dir).generic_string()] = bytes;
    }
    return out;
}

// Nothing lost: every file is as it was, except those named in changed.
// Load rewrites Voskconv.ini (the folder it remembers) and may create a
// missing dictionary empty; nothing else may appear.
void ExpectUnchanged(const Files& before, const Files& after, const std::set<std::string>& changed,
                     const std::string& why) {
    for (const auto& [name, bytes] : before) {
        if (name == "Voskconv.ini" || changed.count(name)) continue;
        auto it = after.find(name);
        ASSERT_NE(it, after.end()) << why << ": " << name << " is gone";
        EXPECT_EQ(it->second, bytes) << why << ": " << name << " changed";
    }
    for (const auto& [name, bytes] : after) {
        if (before.count(name) || changed.count(name) || name == "Voskconv.ini") continue;
        EXPECT_TRUE(bytes.empty() && name.rfind("data/", 0) == 0) << why << ": " << name << " appeared";
    }
}

std::string Misc(const std::string& id, const std::string& name) {
    return Record("MISC", {{"NAME", Z(id)}, {"FNAM", Z(name)}});
}

bool IsRoot() { return ::geteuid() == 0; }

// Ways to make a dictionary file unreadable. A directory in its place fails
// for every user; taking the read permission only stops someone not root.
enum class Unreadable { Directory, NoPermission };

void MakeUnreadable(const fs::path& p, Unreadable how) {
    if (how == Unreadable::Directory) {
        fs::remove(p);
        fs::create_directories(p);
    } else {
        WriteFile(p, Pairs({{"Bucket", "Eimer"}}));
        fs::permissions(p, fs::perms::none);
    }
}

void MakeReadableAgain(const fs::path& p) {
    std::error_code ec;
    fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, ec);
}

std::vector<std::pair<Unreadable, const char*>> UnreadableWays() {
    std::vector<std::pair<Unreadable, const char*>> ways{{Unreadable::Directory, "a directory"}};
    if (!IsRoot()) ways.emplace_back(Unreadable::NoPermission, "no read permission");
    return ways;
}

}  // namespace

TEST(Faults, UnreadableDictionaryRefusesTheLoadByNameAndKeepsThePreviousPlugin) {
    for (const auto& [how, why] : UnreadableWays()) {
        Env env;
        env.Load(env.PutPlugin("good.esp", Plugin({Misc("gold", "Gold")})));
        const auto blocks = qp::gTable.blocks;
        const auto rows = env.ui.Rows(19);
        const std::string other = env.PutPlugin("other.esp", Plugin({Misc("bkt", "Bucket")}));
        MakeUnreadable(env.Data("Miscdata.dat"), how);
        const Files before = Snapshot(env.dir);
        env.Load(other);
        MakeReadableAgain(env.Data("Miscdata.dat"));
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 1u) << why;
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << why;
        EXPECT_NE(msgs[0].text.find("data\\Miscdata.dat"), std::string::npos) << why << ": " << msgs[0].text;
        EXPECT_NE(msgs[0].text.find("NOT LOADED"), std::string::npos) << why;
        EXPECT_EQ(qp::gTable.blocks, blocks) << why;
        EXPECT_EQ(env.ui.Rows(19), rows) << why;
        ExpectUnchanged(before, Snapshot(env.dir), {}, why);
    }
}

TEST(Faults, UnreadableDictionaryRefusesTheSaveByNameAndChangesNoFile) {
    for (const auto& [how, why] : UnreadableWays()) {
        Env env;
        const std::string in = env.PutPlugin("in.esp", Plugin({Misc("gold", "Gold")}));
        WriteFile(env.ExtDb(), Pairs({{"FFFF", "FFFF"}, {"Silver", "Argent"}}));
        env.Load(in);
        WriteFile(env.dir / "out.esp", "an older output");
        // The region dictionary is read by every save, for the cell links.
        MakeUnreadable(env.Data("Regndata.dat"), how);
        const Files before = Snapshot(env.dir);
        env.SaveAs((env.dir / "out.esp").string());
        MakeReadableAgain(env.Data("Regndata.dat"));
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 1u) << why;
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << why;
        EXPECT_NE(msgs[0].text.find("data\\Regndata.dat"), std::string::npos) << why << ": " << msgs[0].text;
        EXPECT_NE(msgs[0].text.find("NOT SAVED"), std::string::npos) << why;
        EXPECT_EQ(qp::gFileInUse, in) << why;
        ExpectUnchanged(before, Snapshot(env.dir), {}, why);
    }
}

TEST(Faults, PluginChangedBetweenTheRequesterAndTheReadIsRefusedByName) {
    const std::string plugin = Plugin({Misc("a", "Apple"), Misc("b", "Bread")});
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::string says;
    };
    const Case cases[] = {
        {"deleted", [](const fs::path& p) { fs::remove(p); }, "CANNOT OPEN THE FILE"},
        {"truncated to 100 bytes", [](const fs::path& p) { fs::resize_file(p, 100); }, "(100 BYTES)"},
        {"truncated inside its last record",
         [&](const fs::path& p) { fs::resize_file(p, plugin.size() - 5); },
         "RUNS PAST THE END OF THE FILE"},
        {"replaced by an empty file", [](const fs::path& p) { WriteFile(p, ""); }, "(0 BYTES)"},
    };
    for (const Case& c : cases) {
        Env env;
        env.Load(env.PutPlugin("good.esp", Plugin({Misc("gold", "Gold")})));
        const auto blocks = qp::gTable.blocks;
        const fs::path path = env.PutPlugin("chosen.esp", plugin);
        const Files before = Snapshot(env.dir);
        env.ui.onRequester = [&](const qp::ShownRequester&) {
            c.change(path);
            return path.string();
        };
        env.Load("");
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 1u) << c.what;
        EXPECT_EQ(msgs[0].icon, qp::Icon::Stop) << c.what;
        EXPECT_NE(msgs[0].text.find(path.string()), std::string::npos) << c.what << ": " << msgs[0].text;
        EXPECT_NE(msgs[0].text.find(c.says), std::string::npos) << c.what << ": " << msgs[0].text;
        EXPECT_EQ(qp::gTable.blocks, blocks) << c.what;
        EXPECT_EQ(qp::gFileInUse, (env.dir / "good.esp").string()) << c.what;
        // The changed plugin itself is left exactly as the change left it.
        Files after = Snapshot(env.dir);
        ExpectUnchanged(before, after, {"chosen.esp"}, c.what);
    }
}

// Without dataextra the external database is simply empty: the folder and
// the file are made on first use, silently, and a save fills them.
TEST(Faults, MissingDataextraFolderIsMadeOnFirstUse) {
    Env env;
    const std::string in = env.PutPlugin("in.esp", Plugin({Misc("bkt", "Bucket")}));
    fs::remove_all(env.dir / "dataextra");
    Files before = Snapshot(env.dir);
    env.Load(in);
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(env.ui.Rows(19), (std::vector<qp::Row>{{"", "bkt", "Bucket", "Bucket"}}));
    ASSERT_TRUE(fs::is_regular_file(env.ExtDb()));
    EXPECT_EQ(ReadFile(env.ExtDb()), "");
    ExpectUnchanged(before, Snapshot(env.dir), {"dataextra/Extradata.dat"}, "load");

    // Gone again by the time of the save: the save makes it anew.
    env.ui.ListSelectRow(19, 0);
    env.ui.PushControl(19, qp::ControlAction::Activate);
    env.Run();
    env.ui.TypeText(qp::kCtlOvField, "Eimer");
    env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
    env.Run();
    fs::remove_all(env.dir / "dataextra");
    before = Snapshot(env.dir);
    env.SaveAs((env.dir / "out.esp").string());
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Bucket", "Eimer"}}));
    EXPECT_EQ(ReadFile(env.dir / "out.esp"), Plugin({Misc("bkt", "Eimer")}));
    ExpectUnchanged(before, Snapshot(env.dir), {"dataextra/Extradata.dat", "out.esp"}, "save");
}

// A file where the dataextra folder belongs: loads work without a database,
// a save is refused by the database's name and leaves every file alone.
TEST(Faults, DataextraThatIsAFileRefusesTheSaveByName) {
    Env env;
    const std::string in = env.PutPlugin("in.esp", Plugin({Misc("bkt", "Bucket")}));
    fs::remove_all(env.dir / "dataextra");
    WriteFile(env.dir / "dataextra", "not a folder");
    env.Load(in);
    EXPECT_TRUE(env.ui.Messages().empty());
    ASSERT_TRUE(qp::gTable.loaded);
    const Files before = Snapshot(env.dir);
    env.SaveAs((env.dir / "out.esp").string());
    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].icon, qp::Icon::Stop);
    EXPECT_NE(msgs[0].text.find("Extradata.dat"), std::string::npos) << msgs[0].text;
    ExpectUnchanged(before, Snapshot(env.dir), {}, "save");
    EXPECT_FALSE(fs::exists(env.dir / "out.esp"));
}

// Quit while Save or Save as runs: the worker is held at its question or
// requester until the quit has been answered, so the quit surely comes in
// the middle of the command; the event loop must still end with the file
// whole.
TEST(Faults, QuitDuringASaveWaitsForTheWholeFile) {
    constexpr int kRecords = 3000;
    std::vector<std::string> records, renamed;
    for (int i = 0; i < kRecords; ++i) {
        records.push_back(Misc("id" + std::to_string(i), "Name " + std::to_string(i)));
        renamed.push_back(Misc("id" + std::to_string(i), i == 0 ? "Renamed" : "Name " + std::to_string(i)));
    }
    const std::string original = Plugin(records), expected = Plugin(renamed);
    for (bool saveAs : {false, true}) {
        const char* why = saveAs ? "save as" : "save";
        Env env;
        const std::string in = env.PutPlugin("in.esp", original);
        const std::string out = saveAs ? (env.dir / "out.esp").string() : in;
        env.Load(in);
        env.ui.ListSelectRow(19, 0);
        env.ui.PushControl(19, qp::ControlAction::Activate);
        env.Run();
        env.ui.TypeText(qp::kCtlOvField, "Renamed");
        env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
        env.Run();
        const Files before = Snapshot(env.dir);

        std::atomic<bool> quitAnswered{false}, busyAtQuit{false};
        auto holdUntilQuit = [&] {
            while (!quitAnswered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        env.ui.onMessage = [&](const qp::ShownMessage& m) {
            if (m.title == "QUIT") {
                busyAtQuit = qp::gBusy != 0;
                quitAnswered = true;
            } else {
                holdUntilQuit();  // the overwrite question, on the worker
            }
            return qp::Answer::Yes;
        };
        env.ui.onRequester = [&](const qp::ShownRequester&) {
            holdUntilQuit();
            return out;
        };
        env.ui.waitForWorker = false;
        env.ui.PushMenu(saveAs ? qp::kMenuSaveAs : qp::kMenuSave);
        env.ui.PushClose(0);
        qp::RunEventLoop();
        // Back from the event loop: the command has ended and its file is whole.
        EXPECT_TRUE(busyAtQuit) << why;
        EXPECT_EQ(qp::gQuit, 1) << why;
        EXPECT_EQ(qp::gBusy, 0) << why;
        EXPECT_FALSE(env.ui.WorkerRunning()) << why;
        EXPECT_EQ(ReadFile(out), expected) << why;
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Name 0", "Renamed"}})) << why;
        ExpectUnchanged(before, Snapshot(env.dir), {"dataextra/Extradata.dat", saveAs ? "out.esp" : "in.esp"},
                        why);
        for (const auto& m : env.ui.Messages()) EXPECT_NE(m.icon, qp::Icon::Stop) << why << ": " << m.text;
    }
}

// Faults around the files Quillane reads and writes. Every test compares the
// bytes of every file of the program directory before and after.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/workspace.h"
#include "app/shell.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {
const std::string kGold = Plugin({Object("MISC", "gold", "Gold")});
const std::string kBucket = Plugin({Object("MISC", "bkt", "Bucket")});
}  // namespace

// A folder or a loop of links in a dictionary's place fails for every user;
// no read permission stops only someone not root, and not on Windows. Load
// reads Miscdata; every save reads Regndata for the cell links.
TEST(Faults, UnreadableDictionaryRefusesTheCommandByNameAndChangesNoFile) {
    for (bool save : {false, true}) {
        for (const char* kind : {"folder", "link loop", "no permission"}) {
            const bool folder = kind[0] == 'f', loop = kind[0] == 'l';
            if (!folder && !loop && !PermissionsBind()) continue;
#ifdef _WIN32
            if (loop) continue;  // links need a privilege there, and MinGW's library makes none
#endif
            const std::string name = save ? "Regndata.dat" : "Miscdata.dat";
            const std::string why = std::string(save ? "save " : "load ") + kind;
            Env env;
            env.Load(env.PutPlugin("good.esp", kGold));
            const std::string other = env.PutPlugin("other.esp", kBucket);
            WriteFile(env.ExtDb(), Pairs({{"FFFF", "FFFF"}, {"Silver", "Argent"}}));
            WriteFile(env.dir / "out.esp", "an older output");
            const fs::path dict = env.Data(name);
            fs::remove(dict);
            if (folder) fs::create_directories(dict);
            else if (loop) fs::create_symlink(dict.filename(), dict);
            else WriteFile(dict, Pairs({{"Bucket", "Eimer"}}));
            ExpectRefused(env, [&] {
                if (!folder && !loop) fs::permissions(dict, fs::perms::none);
                save ? env.SaveAs((env.dir / "out.esp").string()) : env.Load(other);
                if (!folder && !loop) fs::permissions(dict, fs::perms::owner_all);
            }, {"data\\" + name, save ? "NOT SAVED" : "NOT LOADED"}, why);
        }
    }
}

TEST(Faults, PluginChangedBetweenTheRequesterAndTheReadIsRefusedByName) {
    const std::string plugin = Plugin({Object("MISC", "a", "Apple"), Object("MISC", "b", "B")});
    using Change = std::function<void(const fs::path&)>;
    const std::pair<Change, std::string> cases[] = {
        {[](const fs::path& p) { fs::remove(p); }, "CANNOT OPEN THE FILE"},
        {[](const fs::path& p) { fs::resize_file(p, 100); }, "(100 BYTES)"},
        {[&](const fs::path& p) { fs::resize_file(p, plugin.size() - 5); },
         "RUNS PAST THE END OF THE FILE"},
        {[](const fs::path& p) { WriteFile(p, ""); }, "(0 BYTES)"},
    };
    for (const auto& [change, says] : cases) {
        Env env;
        env.Load(env.PutPlugin("good.esp", kGold));
        const fs::path path = env.PutPlugin("chosen.esp", plugin);
        env.ui.onRequester = [&](const qp::ShownRequester&) {
            change(path);
            return path.string();
        };
        // The changed plugin itself is left as the change left it.
        ExpectRefused(env, [&] { env.Load(""); }, {path.string(), says}, says, {"chosen.esp"});
        EXPECT_EQ(ReadFile(path), plugin.substr(0, fs::exists(path) ? fs::file_size(path) : 0));
    }
}

// Without dataextra the external database is empty: the folder and the file
// are made on first use, silently, and a save fills them.
TEST(Faults, MissingDataextraIsMadeOnFirstUseAndAFileInItsPlaceRefusesTheSave) {
    Env env;
    const std::string in = env.PutPlugin("in.esp", kBucket);
    fs::remove_all(env.dir / "dataextra");
    auto before = DirSnapshot(env.dir);
    env.Load(in);
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(env.ui.Rows(qp::kListMisc), (std::vector<qp::Row>{{"", "bkt", "Bucket", "Bucket"}}));
    ASSERT_TRUE(fs::is_regular_file(env.ExtDb()));
    EXPECT_EQ(ReadFile(env.ExtDb()), "");
    ExpectFilesKept(before, DirSnapshot(env.dir), {"dataextra", "dataextra/Extradata.dat"}, "load");
    // Gone again by the time of the save: the save makes it anew.
    EditName(env, qp::kListMisc, 0, "Eimer");
    fs::remove_all(env.dir / "dataextra");
    before = DirSnapshot(env.dir);
    env.SaveAs((env.dir / "out.esp").string());
    EXPECT_TRUE(env.ui.Messages().empty());
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Bucket", "Eimer"}}));
    EXPECT_EQ(ReadFile(env.dir / "out.esp"), Plugin({Object("MISC", "bkt", "Eimer")}));
    ExpectFilesKept(before, DirSnapshot(env.dir), {"dataextra", "dataextra/Extradata.dat",
                                                   "dataextra/Memory.dat", "out.esp"}, "save");
    // A file where the folder belongs: a load works without a database; a save
    // is refused by the database's name.
    fs::remove_all(env.dir / "dataextra");
    WriteFile(env.dir / "dataextra", "not a folder");
    env.Load(in);
    ASSERT_TRUE(qp::gWs.table.loaded && env.ui.Messages().empty());
    ExpectRefused(env, [&] { env.SaveAs((env.dir / "out.esp").string()); }, {"Extradata.dat"},
                  "save");
}

// Quit while Save or Save as runs: the worker is held at its question or
// requester until the quit has been answered, so the quit surely comes in
// the middle of the command; the event loop must still end with the file whole.
TEST(Faults, QuitDuringASaveWaitsForTheWholeFile) {
    std::vector<std::string> records, renamed;
    for (int i = 0; i < 3000; ++i) {
        const std::string id = "id" + std::to_string(i), name = "Name " + std::to_string(i);
        records.push_back(Object("MISC", id, name));
        renamed.push_back(Object("MISC", id, i == 0 ? "Renamed" : name));
    }
    for (bool saveAs : {false, true}) {
        const char* why = saveAs ? "save as" : "save";
        Env env;
        const std::string in = env.PutPlugin("in.esp", Plugin(records));
        const std::string out = saveAs ? (env.dir / "out.esp").string() : in;
        env.Load(in);
        EditName(env, qp::kListMisc, 0, "Renamed");
        const auto before = DirSnapshot(env.dir);
        std::atomic<bool> quitAnswered{false}, busyAtQuit{false};
        auto holdUntilQuit = [&] {
            while (!quitAnswered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        env.ui.onMessage = [&](const qp::ShownMessage& m) {
            if (m.title != "QUIT") holdUntilQuit();  // the overwrite question, on the worker
            else busyAtQuit = qp::gWs.busy != 0, quitAnswered = true;
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
        EXPECT_TRUE(busyAtQuit) << why;
        EXPECT_EQ(qp::gWs.quit, 1) << why;
        EXPECT_EQ(qp::gWs.busy, 0) << why;
        EXPECT_FALSE(env.ui.WorkerRunning()) << why;
        EXPECT_EQ(ReadFile(out), Plugin(renamed)) << why;
        EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Name 0", "Renamed"}})) << why;
        ExpectFilesKept(before, DirSnapshot(env.dir),
                        {"dataextra/Extradata.dat", "dataextra/Memory.dat", saveAs ? "out.esp" : "in.esp"}, why);
        for (const auto& m : env.ui.Messages()) EXPECT_NE(m.icon, qp::Icon::Stop) << m.text;
    }
}

// Another run writing into the program directory: every command that writes
// there waits a while, then refuses, and changes nothing. So does a lock that
// cannot be taken at all (a folder or a link in the lock file's place): no
// command goes on unlocked, and nothing outside the directory is made.
TEST(Faults, CommandsWaitForAnotherRunInTheProgramDirectoryThenRefuse) {
    Env env;
    struct Restore {
        int wait;
        ~Restore() { qp::gWs.env.lockWaitMs = wait; }
    } restore{qp::gWs.env.lockWaitMs};
    qp::gWs.env.lockWaitMs = 100;
    env.Load(env.PutPlugin("good.esp", kGold));
    EditName(env, qp::kListMisc, 0, "Or");
    const std::string other = env.PutPlugin("other.esp", kBucket), out = (env.dir / "out.esp").string();
    const std::string lock = (env.dir / "quillane.lock").string();
    const fs::path victim = env.dir.string() + ".victim";
    const std::string busy = "ANOTHER RUN OF QUILLANE IS WRITING INTO THE PROGRAM DIRECTORY:\r" + lock +
                             "\rNOTHING WAS CHANGED. TRY AGAIN WHEN IT HAS ENDED.",
                      unlockable = "THE PROGRAM DIRECTORY COULD NOT BE LOCKED:\r" + lock + "\r";
    qp::FileLock held;  // as another run holds it
    const std::tuple<std::function<void()>, std::string, const char*> places[] = {
        {[&] { ASSERT_EQ(held.TryLock(lock, true), qp::FileLock::Result::Held); }, busy, "held"},
        {[&] { fs::create_directory(lock); }, unlockable + "it is a folder\rNOTHING WAS CHANGED.", "folder"},
#ifndef _WIN32  // links need a privilege there
        {[&] { fs::create_symlink(victim, lock); }, unlockable + "it is a link\rNOTHING WAS CHANGED.", "link"},
#endif
    };
    const std::pair<std::function<void()>, const char*> commands[] = {
        {[&] {
             env.ui.PushAnswer(qp::Answer::Yes);  // the edit may go
             env.Load(other);
         }, "load"},
        {[&] { env.SaveAs(out); }, "save as"},
        {[&] { env.Save(); }, "save"},
        {[&] {
             env.ui.PushAnswer(qp::Answer::Yes);
             env.Menu(qp::kMenuReset);
         }, "reset"},
    };
    for (const auto& [put, message, place] : places) {
        put();
        for (const auto& [act, why] : commands) {
            SCOPED_TRACE(std::string(place) + " " + why);
            const auto before = DirSnapshot(env.dir);
            const auto blocks = qp::gWs.table.blocks;
            act();
            ASSERT_FALSE(env.ui.Messages().empty());
            EXPECT_EQ(Shown(env.ui).back(), "INFORMATION/4/" + message);
            EXPECT_EQ(DirSnapshot(env.dir), before);  // Voskconv.ini too
            EXPECT_TRUE(qp::gWs.table.blocks == blocks);
            EXPECT_FALSE(fs::exists(victim));
        }
        held.Release();
        fs::remove(lock);
    }
    env.SaveAs(out);
    EXPECT_EQ(ReadFile(out), Plugin({Object("MISC", "gold", "Or")}));
    EXPECT_FALSE(fs::exists(lock)) << "the lock file goes with the lock";
}

// A save that cannot complete must lose nothing: every file as it was, the
// plugin and its rows in memory as they were, no temporary file left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "app/globals.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

using Snapshot = std::map<std::string, std::string>;

// Every file under the program directory, by relative path.
Snapshot TakeSnapshot(const fs::path& dir) {
    Snapshot s;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        s[fs::relative(e.path(), dir).string()] = e.is_regular_file() ? ReadFile(e.path()) : "<dir>";
    return s;
}

bool NoTemporaryFiles(const fs::path& dir) {
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().extension() == ".tmp") return false;
    return true;
}

void EditRow(Env& env, int g, int r, const std::string& name) {
    env.ui.ListSelectRow(g, r);
    env.ui.PushControl(g, qp::ControlAction::Activate);
    env.Run();
    env.ui.TypeText(qp::kCtlOvField, name);
    env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
    env.Run();
}

struct Memory {
    std::vector<std::string> blocks;
    std::vector<qp::Row> cells, books;
    bool operator==(const Memory&) const = default;
};

Memory TakeMemory(Env& env) { return {qp::gTable.blocks, env.ui.Rows(3), env.ui.Rows(9)}; }

// A plugin whose save changes a name, a cell, a game setting and a door, with
// every dictionary the save reads already present (so none is created).
// bookText and longName make the plugin or the external database large.
std::string Prepare(Env& env, size_t bookText, size_t longName) {
    const std::string big(longName, 'n'), bigger(longName, 'N');
    std::vector<std::pair<std::string, std::string>> held = {{"Sword", "Epee"}};
    if (longName) held.emplace_back(big, bigger);
    WriteFile(env.ExtDb(), Pairs(held));
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Town", "Ville"}}));
    WriteFile(env.Data("Regndata.dat"), "");
    WriteFile(env.Data("Gmstdata.dat"), Pairs({{"Yes", "Oui"}}));
    WriteFile(env.Data("Bookdata.dat"), "");
    WriteFile(env.Data("Skildata.dat"), "");
    std::vector<std::string> records = {
        Record("CELL", {{"NAME", Z("Home")}, {"DATA", std::string(12, '\0')}, {"DNAM", Z("Home")}}),
        Record("BOOK", {{"NAME", Z("bk1")}, {"FNAM", Z("Sword")}, {"TEXT", std::string(bookText, 't')}}),
        Record("BOOK", {{"NAME", Z("bk2")}, {"FNAM", Z("Plain")}}),
        Record("GMST", {{"NAME", Z("sYes")}, {"STRV", "Yes"}}),
    };
    if (longName) records.push_back(Record("BOOK", {{"NAME", Z("bk3")}, {"FNAM", Z(big)}}));
    std::string in = env.PutPlugin("in.esp", Plugin(records));
    env.Load(in);
    EditRow(env, 3, 0, "Maison");
    EditRow(env, 9, 1, "Simple");
    EXPECT_EQ(env.ui.Rows(9)[1][0], "*");
    return in;
}

// The last message is a refusal that names the file.
bool StoppedNaming(Env& env, const std::string& file) {
    auto msgs = env.ui.Messages();
    return !msgs.empty() && msgs.back().icon == qp::Icon::Stop &&
           msgs.back().text.find(file) != std::string::npos;
}

}  // namespace

TEST(SaveFault, UnwritableTargetLosesNothing) {
    struct Case {
        const char* what;
        const char* typed;  // relative to the program directory
        const char* target;
    } cases[] = {
        {"folder is a file", "in.esp/out", "in.esp/out.esp"},
        {"target is a folder", "folder", "folder.esp"},
        {"folder read-only", "ro/out", "ro/out.esp"},
    };
    for (const Case& c : cases) {
        Env env;
        Prepare(env, 10, 0);
        fs::create_directories(env.dir / "folder.esp" / "inside");
        fs::create_directories(env.dir / "ro");
        fs::permissions(env.dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        if (std::string(c.what) == "folder read-only") {
            std::ofstream probe(env.dir / "ro" / "probe");
            if (probe) {
                std::cout << "[ skipped ] " << c.what << ": permissions do not bind this user\n";
                continue;
            }
        }
        const Snapshot files = TakeSnapshot(env.dir);
        const Memory memory = TakeMemory(env);
        const std::string ini = ReadFile(env.dir / "Voskconv.ini");
        env.SaveAs((env.dir / c.typed).string());
        EXPECT_TRUE(StoppedNaming(env, (env.dir / c.target).string())) << c.what;
        EXPECT_TRUE(TakeSnapshot(env.dir) == files) << c.what;
        EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"), ini) << c.what;
        EXPECT_TRUE(TakeMemory(env) == memory) << c.what;
        EXPECT_EQ(qp::gNameLists[9][1].flag, "*") << c.what;
        EXPECT_TRUE(NoTemporaryFiles(env.dir)) << c.what;
        EXPECT_NE(qp::gFileInUse, (env.dir / c.target).string()) << c.what;
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuSave)) << c.what;
    }
}

// The disk fills up: a child process saves under a file size limit; the
// parent then looks at the files.
TEST(SaveFault, DiskFullLosesNothing) {
    struct Case {
        const char* what;
        size_t bookText, longName;
    } cases[] = {
        {"plugin", 300000, 0},        // the plugin outgrows the limit
        {"external database", 10, 60000},  // only the database does
    };
    constexpr rlim_t kLimit = 100000;
    for (const Case& c : cases) {
        Env env;
        const std::string in = Prepare(env, c.bookText, c.longName);
        const std::string db = env.ExtDb().string();
        const Snapshot files = TakeSnapshot(env.dir);
        std::cout.flush();
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit lim{kLimit, kLimit};
            setrlimit(RLIMIT_FSIZE, &lim);
            const Memory memory = TakeMemory(env);
            env.Save();
            int code = 0;
            if (!StoppedNaming(env, c.longName ? db : in)) code |= 1;
            if (!(TakeMemory(env) == memory)) code |= 2;
            if (qp::gNameLists[9][1].flag != "*") code |= 4;
            _exit(code);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << c.what;
        const int code = WEXITSTATUS(status);
        EXPECT_EQ(code & 1, 0) << c.what << ": no refusal naming the file";
        EXPECT_EQ(code & 2, 0) << c.what << ": blocks or rows changed";
        EXPECT_EQ(code & 4, 0) << c.what << ": the edited row lost its flag";
        EXPECT_TRUE(TakeSnapshot(env.dir) == files) << c.what;
        EXPECT_TRUE(NoTemporaryFiles(env.dir)) << c.what;
    }
}

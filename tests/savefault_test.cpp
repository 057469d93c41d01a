// A save that cannot complete must lose nothing: every file as it was (so no
// temporary file left either), the plugin and its rows in memory as they were.
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

// Every file and folder under the program directory, by relative path.
std::map<std::string, std::string> Files(const fs::path& dir) {
    std::map<std::string, std::string> s;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        s[fs::relative(e.path(), dir).string()] = e.is_regular_file() ? ReadFile(e.path()) : "<dir>";
    return s;
}

// The blocks, the cell and book rows, and the edited book's flag.
std::string Memory(Env& env) {
    std::string m = qp::gNameLists[9][1].flag;
    for (const auto& b : qp::gTable.blocks) m += "|" + b;
    for (int g : {3, 9})
        for (const auto& r : env.ui.Rows(g)) m += "|" + r[0] + "/" + r[1] + "/" + r[2] + "/" + r[3];
    return m;
}

// A save that changes a book, a cell, a game setting and a door, with every
// dictionary it reads present; bookText or longName make the plugin or the
// external database large.
std::string Prepare(Env& env, size_t bookText, size_t longName) {
    const std::string big(longName, 'n');
    WriteFile(env.ExtDb(), longName ? Pairs({{"Sword", "Epee"}, {big, std::string(longName, 'N')}})
                                    : Pairs({{"Sword", "Epee"}}));
    WriteFile(env.Data("Celldata.dat"), Pairs({{"Town", "Ville"}}));
    WriteFile(env.Data("Gmstdata.dat"), Pairs({{"Yes", "Oui"}}));
    for (const char* f : {"Regndata.dat", "Bookdata.dat", "Skildata.dat"}) WriteFile(env.Data(f), "");
    std::vector<std::string> records = {
        Record("CELL", {{"NAME", Z("Home")}, {"DATA", std::string(12, '\0')}, {"DNAM", Z("Home")}}),
        Record("BOOK", {{"NAME", Z("bk1")}, {"FNAM", Z("Sword")}, {"TEXT", std::string(bookText, 't')}}),
        Record("BOOK", {{"NAME", Z("bk2")}, {"FNAM", Z("Plain")}}),
        Record("GMST", {{"NAME", Z("sYes")}, {"STRV", "Yes"}})};
    if (longName) records.push_back(Record("BOOK", {{"NAME", Z("bk3")}, {"FNAM", Z(big)}}));
    const std::string in = env.PutPlugin("in.esp", Plugin(records));
    env.Load(in);
    for (const auto& [g, r, name] : {std::tuple{3, 0, "Maison"}, {9, 1, "Simple"}}) {
        env.ui.ListSelectRow(g, r);
        env.ui.PushControl(g, qp::ControlAction::Activate);
        env.Run();
        env.ui.TypeText(qp::kCtlOvField, name);
        env.ui.PushControl(qp::kCtlOk, qp::ControlAction::Press);
        env.Run();
    }
    EXPECT_EQ(qp::gNameLists[9][1].flag, "*");
    return in;
}

// The last message is a refusal that names the file.
bool StoppedNaming(Env& env, const std::string& file) {
    const auto msgs = env.ui.Messages();
    return !msgs.empty() && msgs.back().icon == qp::Icon::Stop && msgs.back().text.find(file) != std::string::npos;
}

}  // namespace

TEST(SaveFault, UnwritableTargetLosesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"in.esp/out", "in.esp/out.esp"},  // the folder is a file
        {"folder", "folder.esp"},          // the target is a folder
        {"ro/out", "ro/out.esp"},          // the folder is read-only
    };
    for (const auto& [typed, target] : cases) {
        SCOPED_TRACE(typed);
        Env env;
        Prepare(env, 10, 0);
        fs::create_directories(env.dir / "folder.esp" / "inside");
        fs::create_directories(env.dir / "ro");
        fs::permissions(env.dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        if (std::string(typed) == "ro/out" && std::ofstream(env.dir / "ro" / "probe")) {
            std::cout << "[ skipped ] read-only folder: permissions do not bind this user\n";
            continue;
        }
        const auto files = Files(env.dir);
        const std::string memory = Memory(env);
        env.SaveAs((env.dir / typed).string());
        EXPECT_TRUE(StoppedNaming(env, (env.dir / target).string()));
        EXPECT_TRUE(Files(env.dir) == files);  // Voskconv.ini included
        EXPECT_TRUE(Memory(env) == memory);
        EXPECT_NE(qp::gFileInUse, (env.dir / target).string());
        EXPECT_TRUE(env.ui.IsMenuItemEnabled(qp::kMenuSave));
    }
}

// The disk fills up: a child process saves under a file size limit while the
// plugin, or only the external database, is written; the parent then looks
// at the files.
TEST(SaveFault, DiskFullLosesNothing) {
    for (const auto& [what, bookText, longName] : {std::tuple{"plugin", 300000, 0}, {"external database", 10, 60000}}) {
        SCOPED_TRACE(what);
        Env env;
        const std::string in = Prepare(env, bookText, longName);
        const auto files = Files(env.dir);
        std::cout.flush();
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit lim{100000, 100000};
            setrlimit(RLIMIT_FSIZE, &lim);
            const std::string memory = Memory(env);
            env.Save();
            _exit((StoppedNaming(env, longName ? env.ExtDb().string() : in) ? 0 : 1) | (Memory(env) == memory ? 0 : 2));
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "no refusal naming the file";
        EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "blocks, rows or the edited row's flag changed";
        EXPECT_TRUE(Files(env.dir) == files);
    }
}

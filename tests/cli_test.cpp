// quillane-cli end to end: the built binary on a program directory of its own.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include <cstdlib>

#include "platform/files.h"
#include "platform/codepage.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

struct Result {
    int code;
    std::string out, err;
};

std::string Q(const std::string& s) { return "\"" + s + "\""; }

// The exit status of a command line run by the system's shell.
int ExitCode(const std::string& command) {
#ifdef _WIN32
    // cmd.exe takes the first and the last quote of the line for its own.
    return std::system(Q(command).c_str());
#else
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

const std::string kOdd = "A\tB\\C\nD\rE", kLong31(31, 'x'), kLong63(63, 'c');

// One row of each flag, two rows sharing an ID, a name needing escapes.
const std::vector<std::string> kNames = {"Balmora", "Lever", "Barrel", "Chest", "Rock", "Rock",
                                         kOdd};
std::string Sample(const std::vector<std::string>& n = kNames, int32_t fileType = 0) {
    return Plugin({Record("CELL", {{"NAME", Z(n[0])}}), Object("ACTI", "act_plain", n[1]),
                   Object("ACTI", "act_dict", n[2]), Record("ACTI", {{"NAME", Z("act_noname")}}),
                   Object("ACTI", "act_ext", n[3]), Object("ACTI", "act_twice", n[4]),
                   Object("ACTI", "act_twice", n[5]), Object("NPC_", "npc_odd", n[6])},
                  fileType);
}

class Cli : public ::testing::Test {
protected:
    Env env;  // the directory only: the binary runs on its own
    const fs::path dir = env.dir;
    std::string plugin = Put("p.esp", Sample());

    void SetUp() override {
        Put("data/Actidata.dat", Pairs({{"Barrel", "Fass"}}));
        Put("dataextra/Extradata.dat", Pairs({{"FFFF", "FFFF"}, {"Chest", "Truhe"}}));
    }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    std::string Put(const std::string& n, const std::string& b) { return env.PutPlugin(n, b); }
    // Runs the binary, with --root pointing here unless root is false; the
    // output goes beside the directory so that snapshots do not see it.
    Result Run(const std::string& args, bool root = true) {
        const std::string out = dir.string() + ".out", err = dir.string() + ".err";
        const int code = ExitCode(Q(QUILLANE_CLI_PATH) + " " + args +
                                  (root ? " --root " + Q(dir.string()) : "") + " >" + Q(out) + " 2>" + Q(err));
        Result r{code, ReadFile(out), ReadFile(err)};
#ifdef _WIN32
        // Messages are text: a console program ends their lines with CR LF there.
        for (size_t at; (at = r.err.find("\r\n")) != std::string::npos;) r.err.erase(at, 1);
#endif
        for (const auto& f : {out, err}) fs::remove(f);
        return r;
    }
    Result Convert(const std::string& in, const std::string& out, const std::string& more = "") {
        return Run("convert " + Q(in) + " " + Q(out) + more);
    }
    std::string WithEdits() const { return " --edits " + Q(P("edits.txt")); }
};

}  // namespace

TEST_F(Cli, UsageErrorsExitOneWithTheUsage) {
    for (const char* args :
         {"", "frobnicate", "list", "list p.esp q.esp", "convert p.esp", "reset extra",
          "list p.esp --overwrite", "list p.esp --edits e.txt", "convert p.esp q.esp --edits",
          "convert p.esp q.esp --bogus", "convert p.esp q.esp --root . --root .",
          "convert p.esp .esp", "list \"\"", "convert \"\" q.esp", "list p.esp --root \"\"",
          "list p.esp --codepage 866", "list p.esp --codepage", "check p.esp --without-counterpart",
          "export p.esp", "import p.esp t.po", "convert p.esp q.esp --strict", "export p.esp t.po --kind words"}) {
        Result r = Run(args, false);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_NE(r.err.find("usage:\n  quillane-cli list    PLUGIN [--root DIR] [--codepage CP] "
                             "[--without-counterpart]\n"),
                  std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    // Every command, build-dictionaries too, under the same rules.
    for (const char* args : {"build-dictionaries p.esp p.esp --root \"\"",
                             "build-dictionaries p.esp p.esp --root . --root=.",
                             "list p.esp --without-counterpart --without-counterpart",
                             "strings p.esp --kind words"}) {
        Result r = Run(args, false);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_NE(r.err.find(args[0] == 'b' ? "build-dictionaries: " : "quillane-cli: "), std::string::npos) << args;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
    }
    Result help = Run("--help", false);
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("build-dictionaries FV-FILE OV-FILE [FV-FILE OV-FILE ...] [--root DIR] [--force]"),
              std::string::npos);
    EXPECT_EQ(Run("reset --bogus").code, 1);
}

TEST_F(Cli, ListPrintsEveryRowWithEscapesAndLoadsLikeTheWindow) {
    // A damaged dictionary is only a notice: the list still comes, exit 0.
    Put("data/Npc_data.dat", Int32(1000) + "ab");
    const auto before = DirSnapshot(dir);
    Result r = Run("list " + Q(plugin));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Cell\t\tBalmora\tBalmora\tBalmora\nActivator\t\tact_plain\tLever\tLever\n"
                     "Activator\tL\tact_dict\tBarrel\tFass\nActivator\tN\tact_noname\t\t\n"
                     "Activator\tT\tact_ext\tChest\tTruhe\nActivator\t\tact_twice\tRock\tRock\n"
                     "Activator\t\tact_twice\tRock\tRock\n"
                     "NPC\t\tnpc_odd\tA\\tB\\\\C\\nD\\rE\tA\\tB\\\\C\\nD\\rE\n");
    // The work list: the rows nothing matched.
    EXPECT_EQ(Run("list --without-counterpart " + Q(plugin)).out,
              "Cell\t\tBalmora\tBalmora\tBalmora\nActivator\t\tact_plain\tLever\tLever\n"
              "Activator\t\tact_twice\tRock\tRock\nActivator\t\tact_twice\tRock\tRock\n"
              "NPC\t\tnpc_odd\tA\\tB\\\\C\\nD\\rE\tA\\tB\\\\C\\nD\\rE\n");
    EXPECT_NE(r.err.find("INFORMATION: THE DICTIONARY FILE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" IS DAMAGED AT BYTE 0.\nTHE REST OF IT WAS IGNORED.\n"),
              std::string::npos) << r.err;
    EXPECT_EQ(DirSnapshot(dir), before) << "no folder stored, no dictionary made";
    // An empty folder as --root converts nothing: said, and the folder stays empty.
    fs::create_directories(dir / "empty");
    Result empty = Run("list " + Q(plugin) + " --root " + Q(P("empty")), false);
    EXPECT_EQ(empty.code, 0);
    EXPECT_NE(empty.err.find("warning: no dictionary in " + (dir / "empty" / "data").string() + " holds a pair"),
              std::string::npos) << empty.err;
    EXPECT_TRUE(fs::is_empty(dir / "empty"));

    // A zero-filled tail (what a crash leaves) is told, and the list still comes.
    Result tail = Run("list " + Q(Put("tail.esp", Sample() + std::string(160, '\0'))));
    EXPECT_EQ(tail.code, 0);
    EXPECT_EQ(tail.out, r.out);
    EXPECT_NE(tail.err.find("INFORMATION: THE FILE " + P("tail.esp") + "\nENDS IN 160 BYTES FROM OFFSET " +
                            std::to_string(Sample().size()) + " THAT ARE NO RECORD\n"),
              std::string::npos) << tail.err;

    Result missing = Run("list " + Q(P("nothing.esp")));
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("INFORMATION: CANNOT LOAD " + P("nothing.esp")), std::string::npos);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(Run("list " + Q(plugin) + " --root " + Q(P("nowhere")), false).code, 2);
}

TEST_F(Cli, ConvertAppliesEditsToEveryMatchingRowThenSavesAs) {
    Put("edits.txt", "Activator\tact_plain\tHebel\r\n\nActivator\tact_twice\t" + kLong31 +
                         "\nCell\tBalmora\t" + kLong63 +
                         "\nActivator\tact_ext\tChest\n"  // the FV name: the row stays as it was
                         "NPC\tnpc_odd\tX\\tY\\\\");
    // OUTPUT follows Save as's naming rule: "out" becomes "out.esp", and says so.
    Result r = Convert(plugin, P("out"), WithEdits());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "quillane-cli: " + P("edits.txt") + ":5: tab \"Activator\" row 4 (ID \"act_ext\"): "
                     "the new name is its FV name; the row is left as it was\n"
                     "quillane-cli: OUTPUT " + P("out") + " was written as " + P("out.esp") +
                     " (a plugin's name ends in .esp)\n");
    EXPECT_EQ(ReadFile(dir / "out.esp"),
              Sample({kLong63, "Hebel", "Fass", "Truhe", kLong31, kLong31, "X\tY\\"}));
    EXPECT_EQ(ReadFile(dir / "dataextra" / "Extradata.dat"),
              Pairs({{"FFFF", "FFFF"}, {"Balmora", kLong63}, {"Lever", "Hebel"}, {"Chest", "Truhe"},
                     {"Rock", kLong31}, {"Rock", kLong31}, {kOdd, "X\tY\\"}}));
    EXPECT_EQ(ReadFile(plugin), Sample());
    for (const char* temp : {"Concat.dat", "Vfvfdata.dat"})
        EXPECT_FALSE(fs::exists(env.Data(temp))) << "no temporary file left";
}

// list's lines come back as edits, the last column edited: the rows left as
// they were listed are no edits at all, whatever their flag.
TEST_F(Cli, ListLinesComeBackAsEdits) {
    std::string lines = Run("list " + Q(plugin)).out;
    const std::string plain = "act_plain\tLever\tLever\n";
    ASSERT_NE(lines.find(plain), std::string::npos) << lines;
    Put("edits.txt", lines.replace(lines.find(plain), plain.size(), "act_plain\tLever\tHebel\n"));
    Result r = Convert(plugin, P("out.esp"), WithEdits());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir / "out.esp"), Sample({"Balmora", "Hebel", "Fass", "Truhe", "Rock", "Rock", kOdd}));
}

// Long texts by "Edit text" item and ID, written whole as the text edit
// dialog's SAVE writes them; a title that is a tab's too stays the name's,
// as edits files written before long texts mean it.
TEST_F(Cli, EditsTakeLongTextsByItem) {
    auto texts = [](const std::string& name, const std::string& text, const std::string& desc,
                    const std::string& response) {
        return Plugin({Book("bk_a", name, {{"TEXT", text}}),
                       Record("SKIL", {{"INDX", Int32(3)}, {"SKDT", std::string(24, '\0')}, {"DESC", desc}}),
                       Record("DIAL", {{"NAME", Z("ferry")}, {"DATA", std::string(1, '\0')}}),
                       Record("INFO", {{"INAM", Z("7")}, {"NAME", response}})});
    };
    const std::string in = Put("t.esp", texts("Tome", "Old text", "Old description", "Old response"));
    Put("edits.txt", "Book text\tbk_a\tNew\\nText \\\\ with a \\t\n"
                     "Book\tbk_a\tFolio\n"
                     "Skill\t3\tNeu\n"
                     "Dialogue\t7\t" + std::string(511, 'r') + "\n");
    Result r = Convert(in, P("out.esp"), WithEdits());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "out.esp"), texts("Folio", "New\nText \\ with a \t", "Neu", std::string(511, 'r')));
    for (const auto& [edit, message] :
         {std::pair<std::string, std::string>{"Book text\tbk_b\tX\n", ":1: no text with ID \"bk_b\" in \"Edit text\" item \"Book\""},
          {"Dialogue\t7\t" + std::string(512, 'r') + "\n", "INFORMATION: The text has more than 511 characters.\n"}}) {
        Put("edits.txt", edit);
        r = Convert(in, P("out2.esp"), WithEdits());
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "out2.esp"));
    }
}

#ifndef _WIN32
// An installed program's first starts, eight at once: each finds the per-user
// folder seeded whole, and no run's copy is left behind.
TEST_F(Cli, ConcurrentFirstStartsOfAnInstalledProgram) {
    const fs::path usr = dir.string() + ".usr";  // beside: no snapshot of dir sees it
    fs::remove_all(usr);
    fs::create_directories(usr / "bin");
    fs::copy_file(QUILLANE_CLI_PATH, usr / "bin" / "quillane-cli");
    for (const char* f : {"data/Actidata.dat", "dataextra/Extradata.dat", "plugins/x.esp", "cyrillic/data/Celldata.dat"})
        WriteFile(usr / "share/quillane/demo" / f, Pairs({{"Barrel", "Fass"}}));
    const std::string run = "XDG_DATA_HOME=" + Q((usr / "xdg").string()) + " " + Q((usr / "bin/quillane-cli").string()) +
                            " list " + Q(plugin) + " >/dev/null 2>>" + Q((usr / "errors").string());
    EXPECT_EQ(ExitCode("for i in 1 2 3 4 5 6 7 8; do " + run + " || echo failed >>" + Q((usr / "errors").string()) +
                       " & done; wait"), 0);
    EXPECT_EQ(ReadFile(usr / "errors"), "");
    std::vector<std::string> names;
    for (const auto& [name, bytes] : DirSnapshot(usr / "xdg/quillane")) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"data", "data/Actidata.dat", "dataextra", "dataextra/Extradata.dat",
                                               "demo-cyrillic", "demo-cyrillic/data", "demo-cyrillic/data/Celldata.dat",
                                               "plugins", "plugins/x.esp"}));
    fs::remove_all(usr);
}
#endif

// Every refusal and failure exits 2 and leaves every file as it was.
TEST_F(Cli, RefusalsLeaveEveryFileUntouched) {
    const std::string master = Put("m.esm", Sample(kNames, 1));
    // A stale link dictionary of an interrupted save: only a save that succeeds removes it.
    Put("data/Concat.dat", Pairs({{"Unknown", "Stale"}}));
#ifndef _WIN32
    const std::string pipe = dir.string() + ".pipe.esp";  // beside: a snapshot would wait on it
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
#endif
    const std::string same = "INFORMATION: THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME "
                             "OF THE INPUT FILE.\n";
    const std::string hebel = "Activator\tact_plain\tHebel\n";
    struct Case {
        std::string edits, message;
        char match = '~';  // the message: '~' anywhere in the errors, '^' at their start, '=' all
        std::string out = "out.esp";
        bool master = false;
        std::string in = "";  // the plugin read: "" the sample
    } cases[] = {
        {"Activator\tact_dict\tX\n", "flagged L"},
        {"Activator\tact_noname\tX\n", "INFORMATION: NAME EMPTIES UNAUTHORIZED TRANSLATION.\n"},
        {"Activator\tact_plain\t" + kLong31 + "y\n",
         "INFORMATION: The name has more than 31 characters.\n"},
        {"Cell\tBalmora\t" + kLong63 + "y\n",
         "INFORMATION: The name has more than 63 characters.\n"},
        {"Weapon\tact_plain\tX\n", "no row with ID \"act_plain\" in tab \"Weapon\""},
        {"Activatr\tact_plain\tX\n", "no tab titled \"Activatr\""},
        {"Activator\tact_plain\n", "malformed"},
        {"Activator\tact_plain\tA\tB\n", "malformed"},
        {"Activator\tact_plain\tX\\q\n", "malformed"},
        {hebel + "Activator\tact_dict\tX\n", ":2: "},  // the accepted edit before is not saved
        {hebel, "INFORMATION:     THIS IS A MASTER FILE.\nYOU CANNOT MODIFY IT\n", '~', "out.esp",
         true},
        {"Book text\tbk\tText\n", "INFORMATION:     THIS IS A MASTER FILE.\nYOU CANNOT MODIFY IT\n", '~', "out.esp",
         true},
        {"", "INFORMATION: THIS IS A MASTER FILE FUNCTION NONAVAILABLE.\n", '=', "out.esp", true},
        // Any spelling that names the plugin after the naming rule.
        {hebel, same, '~', "p.esp"},
        {hebel, same, '~', "p"},
        {hebel, same, '~', "data/../p.esp"},
        {"", "INFORMATION: THE PLUGIN WAS NOT SAVED.\n", '^', "p.esp/out.esp"},  // folder: a file
        {"Activator\tact_plain\tA" + std::string(1, '\0') + "B\n", ":1: the new name holds a zero byte"},
        // Control characters come as escapes: a raw one is refused, a doubled CR of a line end too.
        {"Activator\tact_plain\tAB\r\r\n", ":1: a raw control character 0x0D (CR) in the line"},
        {hebel + "Activator\tact_plain\tA\x01\n", ":2: a raw control character 0x01 in the line"},
        {"\xEF\xBB\xBF" + hebel, ":1: the file starts with a byte-order mark"},
        // A line of list's whose FV name the row no longer has.
        {"Activator\t\tact_plain\tLevers\tHebel\n", ":1: stale: no row with ID \"act_plain\" in tab "
                                                      "\"Activator\" has the FV name \"Levers\" any more"},
#ifndef _WIN32  // Windows has no named pipes among its files
        {"", "CANNOT OPEN THE FILE: cannot open for reading (not a regular file)", '~', "out.esp", false,
         pipe},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out + " " + c.edits);
        Put("edits.txt", c.edits);
        const auto before = DirSnapshot(dir);
        Result r =
            Convert(c.master ? master : c.in.empty() ? plugin : c.in, P(c.out), c.edits.empty() ? "" : WithEdits());
        EXPECT_EQ(r.code, 2);
        const size_t at = r.err.find(c.message);
        EXPECT_TRUE(c.match == '=' ? r.err == c.message
                    : c.match == '^' ? at == 0 : at != std::string::npos) << r.err;
        EXPECT_EQ(DirSnapshot(dir), before);
    }
    EXPECT_EQ(Convert(plugin, P("out.esp"), " --edits " + Q(P("none.txt"))).code, 2);
#ifndef _WIN32
    fs::remove(pipe);
#endif
}

// With --codepage the list is UTF-8 and the edits file is read as UTF-8 into
// the code page; an edit the code page cannot hold stops the run (exit 1).
TEST_F(Cli, CodePageListsAndEditsInUtf8) {
    struct Case {
        int cp;
        std::string cell, npc, edit, editBytes, lacking, named;  // UTF-8 but editBytes
    } cases[] = {
        {1251, "Балмора", "Вельт", "Глеб Сорокин", "\xC3\xEB\xE5\xE1 \xD1\xEE\xF0\xEE\xEA\xE8\xED",
         "Ł", "U+0141 (Ł)"},
        {1250, "Łódź", "Wiślak", "Żółć Gęś", "\xAF\xF3\xB3\xE6 G\xEA\x9C", "Ж", "U+0416 (Ж)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cp);
        auto bytes = [&](const std::string& utf8) {
            std::string b;
            EXPECT_TRUE(qp::FromUtf8(c.cp, utf8, b));
            return b;
        };
        auto plugin = [&](const std::string& npc) {
            return Plugin({Record("CELL", {{"NAME", Z(bytes(c.cell))}}), Object("NPC_", "npc_a", npc)});
        };
        const std::string in = Put("cp.esp", plugin(bytes(c.npc))), cp = " --codepage " + std::to_string(c.cp);
        Result list = Run("list " + Q(in) + cp);
        EXPECT_EQ(list.out, "Cell\t\t" + c.cell + "\t" + c.cell + "\t" + c.cell + "\nNPC\t\tnpc_a\t" + c.npc +
                                "\t" + c.npc + "\n") << list.err;
        Put("edits.txt", "\xEF\xBB\xBFNPC\tnpc_a\t" + c.edit + "\n");  // as an editor may save it
        Result r = Convert(in, P("out.esp"), WithEdits() + cp);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(ReadFile(dir / "out.esp"), plugin(c.editBytes));
        fs::remove(dir / "edits.txt");
        const auto before = DirSnapshot(dir);
        for (const auto& [line, why] : {std::pair("NPC\tnpc_a\tX" + c.lacking, "code page " +
                                                   std::to_string(c.cp) + " has no character " + c.named),
                                        std::pair(std::string("NPC\tnpc_a\t\xC3("), std::string("not UTF-8 text")),
                                        std::pair(std::string("NPC\tnpc_a\tA\xEF\xBF\xBD"),
                                                  "code page " + std::to_string(c.cp) + " has no character " +
                                                      qp::DescribeChar(0xFFFD))}) {
            Put("edits.txt", "NPC\tnpc_a\tok\n" + line + "\n");
            r = Convert(in, P("out2.esp"), WithEdits() + cp);
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err, "quillane-cli: " + P("edits.txt") + ":2: " + why + "\n");
            fs::remove(dir / "edits.txt");
            EXPECT_EQ(DirSnapshot(dir), before);
        }
    }
}

// --overwrite on a link replaces the file it points to; a second run waits for the first.
TEST_F(Cli, OverwriteAfterItsQuestionAndReset) {
    Put("edits.txt", "Activator\tact_plain\tHebel\n");
#ifdef _WIN32
    const std::string link = plugin;  // links need a privilege there, and MinGW's library makes none
#else
    const std::string link = P("link.esp");
    fs::create_symlink(plugin, link);
#endif
    Result r = Convert(link, link, " --overwrite" + WithEdits());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("QUESTION: OVERWRITE THE FILE IN USE  :", 0), 0u) << r.err;
    EXPECT_NE(ReadFile(plugin).find(Z("Hebel")), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(link) || link == plugin);
    EXPECT_FALSE(fs::exists(link + ".esp"));
    const std::string db = ReadFile(dir / "dataextra" / "Extradata.dat");
    {
        qp::FileLock other;  // as another run holds it
        ASSERT_EQ(other.TryLock(P("quillane.lock"), true), qp::FileLock::Result::Held);
        r = Run("reset");
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("INFORMATION: ANOTHER RUN OF QUILLANE IS WRITING INTO THE PROGRAM DIRECTORY:\n" +
                             P("quillane.lock")), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(dir / "dataextra" / "Extradata.dat"), db);
    }
    EXPECT_FALSE(fs::exists(dir / "quillane.lock"));
    r = Run("reset");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "dataextra" / "Extradata.dat"), Pairs({{"FFFF", "FFFF"}}));
    EXPECT_EQ(r.err.rfind("ALERT!: ERASE THE EXTERNAL BASE", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nINFORMATION: DATA BASE ERASED.\n"), std::string::npos) << r.err;
}

// check: what a save would leave in the first version's form, nothing written.
// Every kind of text with its identity; a record the file repeats gets @2.
TEST_F(Cli, StringsListsEveryTranslatableStringOnce) {
    const std::string script = "begin s\r\nMessageBox \"Hello\" \"Yes\" \"No\" ; \"not this\"\r\n"
                               "\"npc\"->Say \"vo\\a.mp3\" \"Hi there\"\r\nset x to \"nor this\"\r\nend";
    Put("p.esp", Plugin({
        Object("MISC", "m1", "Cup"), Object("MISC", "m1", "Cup"),
        Record("FACT", {{"NAME", Z("guild")}, {"FNAM", Z("Guild")}, {"RNAM", std::string("Novice\0\0\0", 9)},
                        {"RNAM", std::string(4, '\0')}, {"RNAM", Z("Master")}}),
        Record("DIAL", {{"NAME", Z("rumors")}, {"DATA", std::string(1, '\0')}}),
        Record("INFO", {{"INAM", Z("1")}, {"NAME", "They say..."}, {"BNAM", "Choice \"Yes\" 1 \"No\" 2"}}),
        Record("DIAL", {{"NAME", Z("quest_a")}, {"DATA", std::string(1, '\4')}}),
        Record("INFO", {{"INAM", Z("2")}, {"NAME", "I found it."}}),
        Record("SCPT", {{"SCHD", std::string("s\0", 2) + std::string(50, '\0')}, {"SCTX", script}}),
        Record("GMST", {{"NAME", Z("sYes")}, {"STRV", "Yes"}}),
        Record("CELL", {{"NAME", Z("Balmora")}, {"DATA", Int32(0) + Int32(-3) + Int32(-2)}})}));
    Result r = Run("strings " + Q(P("p.esp")));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "MISC|m1|FNAM\tname\t\tCup\tCup\n"
              "MISC|m1|FNAM@2\tname\t\tCup\tCup\n"
              "FACT|guild|FNAM\tname\t\tGuild\tGuild\n"
              "FACT|guild|RNAM#1\trank\t\tNovice\tNovice\n"
              "FACT|guild|RNAM#3\trank\t\tMaster\tMaster\n"
              "DIAL|rumors|NAME\ttopic\t\trumors\trumors\n"
              "INFO|1|NAME\tresponse\t\tThey say...\tThey say...\n"
              "INFO|1|BNAM#1\tscript\tR\tYes\tYes\n"
              "INFO|1|BNAM#2\tscript\tR\tNo\tNo\n"
              "INFO|2|NAME\tjournal\t\tI found it.\tI found it.\n"
              "SCPT|s|SCTX#1\tscript\tR\tHello\tHello\n"
              "SCPT|s|SCTX#2\tscript\tR\tYes\tYes\n"
              "SCPT|s|SCTX#3\tscript\tR\tNo\tNo\n"
              "SCPT|s|SCTX#4\tscript\tR\tHi there\tHi there\n"
              "GMST|sYes|STRV\tsetting\t\tYes\tYes\n"
              "CELL|Balmora (-3, -2)|NAME\tname\t\tBalmora\tBalmora\n");
    EXPECT_NE(r.err.find("MISC|m1 more than once"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("name\t4\ntext\t0\ntopic\t1\nresponse\t1\njournal\t1\nsetting\t1\nrank\t2\n"
                         "effect\t0\nscript\t6\n"), std::string::npos) << r.err;
    r = Run("strings " + Q(P("p.esp")) + " --kind=rank");
    EXPECT_EQ(r.out, "FACT|guild|RNAM#1\trank\t\tNovice\tNovice\nFACT|guild|RNAM#3\trank\t\tMaster\tMaster\n");
    EXPECT_EQ(r.err.substr(r.err.find("\nrank") + 1), "rank\t2\n");
}

TEST_F(Cli, CheckListsTheCellNamesASaveLeavesAndWritesNothing) {
    Put("data/Celldata.dat", Pairs({{"Old Mill", "Alte Muehle"}}));
    Put("edits.txt", "Cell\tHut\tHuette\n");  // pending: the check takes it as a save would
    const std::string room = Int32(1) + Int32(0) + Int32(0);
    const std::string script = "Begin s1\r\nif ( GetPCCell \"hut\" == 1 )\r\n"
                               "; PositionCell 0 0 0 0 \"Nowhere\"\r\n\tPositionCell 0 0 0 0 Nowhere\r\n"
                               "endif\r\nShowMap \"Old\"\r\nShowMap \"Alte\"\r\nEnd";
    const std::string checked = Put(
        "c.esp",
        Plugin({Record("CELL", {{"NAME", Z("Old Mill")}, {"DATA", room}}),
                Record("CELL", {{"NAME", Z("Hut")}, {"DATA", room}, {"MVRF", Int32(1)},
                                {"CNAM", Z("Old Mill")}}),
                Record("NPC_", {{"NAME", Z("guard")}, {"AI_E", std::string(48, '\0')},
                                {"CNDT", Z("Old Mill")}, {"AI_F", std::string(48, '\0')},
                                {"CNDT", Z("Alte Muehle")}}),
                Record("SCPT", {{"SCHD", "s1" + std::string(50, '\0')}, {"SCTX", script}})}));
    const auto before = DirSnapshot(dir);
    Result r = Run("check " + Q(checked) + WithEdits());
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(r.out, "CELL\tHuette\tMVRF CNAM\tOld Mill\tAlte Muehle\n"
                     "NPC_\tguard\tAI_E CNDT\tOld Mill\tAlte Muehle\n"
                     "SCPT\ts1\tSCTX line 2\thut\tHuette\n"
                     "SCPT\ts1\tSCTX line 4\tNowhere\t\n"
                     "SCPT\ts1\tSCTX line 6\tOld\tAlte Muehle\n");
    EXPECT_EQ(r.err, "check: 4 names with a known counterpart, 1 unknown name, "
                     "0 names with several counterparts\n");
    auto after = DirSnapshot(dir);
    auto kept = before;
    for (auto* s : {&kept, &after}) s->erase("Voskconv.ini");
    EXPECT_EQ(after, kept) << "only the load's configuration may change";

    Result clean = Run("check " + Q(plugin));
    EXPECT_EQ(clean.code, 0) << clean.err;
    EXPECT_EQ(clean.out + clean.err, "check: 0 names with a known counterpart, 0 unknown names, "
                                     "0 names with several counterparts\n");
    Put("cut.esp", Sample().substr(0, 400));
    Result cut = Run("check " + Q(P("cut.esp")));
    EXPECT_EQ(cut.code, 2);
    EXPECT_EQ(cut.err.rfind("INFORMATION: CANNOT LOAD " + P("cut.esp"), 0), 0u) << cut.err;
    EXPECT_EQ(Run("check " + Q(plugin) + " --overwrite").code, 1);
    fs::create_directory(dir / "data" / "Regndata.dat");  // unreadable, as a save would find it
    Result unreadable = Run("check " + Q(plugin));
    EXPECT_EQ(unreadable.code, 2);
    EXPECT_NE(unreadable.err.find("INFORMATION: THE REFERENCES WERE NOT CHECKED.\nA DICTIONARY FILE "
                                  "CANNOT BE READ:\ndata\\Regndata.dat: "),
              std::string::npos) << unreadable.err;
}

TEST_F(Cli, CheckTakesEveryCorpusPlugin) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        Result r = Run("check " + Q(f.string()));
        EXPECT_TRUE(r.code == 0 || r.code == 3) << f << " exit " << r.code << "\n" << r.err;
        for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_EQ(std::count(r.out.begin() + at, r.out.begin() + end, '\t'), 4) << f;
    }
}

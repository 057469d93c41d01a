// quillane-cli end to end: the built binary on a program directory of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

class Cli : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        static std::atomic<int> counter{0};
        dir = fs::temp_directory_path() /
              ("quillane-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir);
        fs::create_directories(dir / "data");
        fs::create_directories(dir / "dataextra");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string P(const std::string& name) const { return (dir / name).string(); }
    std::string Put(const std::string& name, const std::string& bytes) {
        WriteFile(dir / name, bytes);
        return P(name);
    }

    // Runs the binary with --root pointing here (unless root is false).
    Result Run(const std::string& args, bool root = true) {
        std::string cmd = Quote(QUILLANE_CLI_PATH) + " " + args;
        if (root) cmd += " --root " + Quote(dir.string());
        cmd += " >" + Quote(P("cli.out")) + " 2>" + Quote(P("cli.err"));
        int status = std::system(cmd.c_str());
        Result r;
#ifdef _WIN32
        r.code = status;
#else
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        r.out = ReadFile(dir / "cli.out");
        r.err = ReadFile(dir / "cli.err");
        fs::remove(dir / "cli.out");
        fs::remove(dir / "cli.err");
        return r;
    }

    // Every file under the program directory, bytes included.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file()) files[e.path().string()] = ReadFile(e.path());
        return files;
    }
};

std::string Named(const std::string& type, const std::string& id, const std::string& name) {
    return Record(type, {{"NAME", Z(id)}, {"FNAM", Z(name)}});
}

const std::string kOdd = "A\tB\\C\nD\rE";
const std::string kLong31(31, 'x'), kLong63(63, 'c');

// One row of each flag, two rows sharing an ID, a name needing escapes.
std::string SamplePlugin(int32_t fileType = 0) {
    return Plugin({Record("CELL", {{"NAME", Z("Balmora")}}),
                   Named("ACTI", "act_plain", "Lever"),
                   Named("ACTI", "act_dict", "Barrel"),
                   Record("ACTI", {{"NAME", Z("act_noname")}}),
                   Named("ACTI", "act_ext", "Chest"),
                   Named("ACTI", "act_twice", "Rock"),
                   Named("ACTI", "act_twice", "Rock"),
                   Named("NPC_", "npc_odd", kOdd)},
                  fileType);
}

class CliSample : public Cli {
protected:
    std::string plugin;
    void SetUp() override {
        Cli::SetUp();
        Put("data/Actidata.dat", Pairs({{"Barrel", "Fass"}}));
        Put("dataextra/Extradata.dat", Pairs({{"FFFF", "FFFF"}, {"Chest", "Truhe"}}));
        plugin = Put("p.esp", SamplePlugin());
    }
};

}  // namespace

TEST_F(Cli, UsageErrorsExitOneWithTheUsage) {
    Put("p.esp", SamplePlugin());
    const char* cases[] = {"",
                           "frobnicate",
                           "list",
                           "list p.esp q.esp",
                           "convert p.esp",
                           "reset extra",
                           "list p.esp --overwrite",
                           "list p.esp --edits e.txt",
                           "convert p.esp q.esp --edits",
                           "convert p.esp q.esp --bogus",
                           "convert p.esp q.esp --root . --root .",
                           "convert p.esp .esp"};
    for (const char* args : cases) {
        Result r = Run(args, false);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_NE(r.err.find("usage:\n  quillane-cli list    PLUGIN [--root DIR]\n"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    Result help = Run("--help", false);
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("quillane-cli build-dictionaries FV-FILE OV-FILE [--root DIR] [--force]"),
              std::string::npos);
    EXPECT_EQ(Run("reset --bogus").code, 1);
}

TEST_F(CliSample, ListPrintsEveryRowWithEscapesAndLoadsLikeTheWindow) {
    // A damaged dictionary is only a notice: the list still comes, exit 0.
    Put("data/Npc_data.dat", Int32(1000) + "ab");
    Result r = Run("list " + Quote(plugin));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Cell\t\tBalmora\tBalmora\tBalmora\n"
              "Activator\t\tact_plain\tLever\tLever\n"
              "Activator\tL\tact_dict\tBarrel\tFass\n"
              "Activator\tN\tact_noname\t\t\n"
              "Activator\tT\tact_ext\tChest\tTruhe\n"
              "Activator\t\tact_twice\tRock\tRock\n"
              "Activator\t\tact_twice\tRock\tRock\n"
              "NPC\t\tnpc_odd\tA\\tB\\\\C\\nD\\rE\tA\\tB\\\\C\\nD\\rE\n");
    // Message boxes: title, colon, text with the carriage return as a line break.
    EXPECT_NE(r.err.find("INFORMATION: THE DICTIONARY FILE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" IS DAMAGED AT BYTE 0.\nTHE REST OF IT WAS IGNORED.\n"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir / "Voskconv.ini"));
    EXPECT_TRUE(fs::exists(dir / "data" / "Celldata.dat"));

    Result missing = Run("list " + Quote(P("nothing.esp")));
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("INFORMATION: CANNOT LOAD " + P("nothing.esp")), std::string::npos);
    EXPECT_EQ(missing.out, "");
    Put("short.esp", SamplePlugin().substr(0, 330));
    EXPECT_EQ(Run("list " + Quote(P("short.esp"))).code, 2);
    EXPECT_EQ(Run("list " + Quote(plugin) + " --root " + Quote(P("nowhere")), false).code, 2);
}

TEST_F(CliSample, ConvertAppliesEditsToEveryMatchingRowThenSavesAs) {
    Put("edits.txt", "Activator\tact_plain\tHebel\r\n"
                     "\n"
                     "Activator\tact_twice\t" + kLong31 + "\n"
                     "Cell\tBalmora\t" + kLong63 + "\n"
                     "Activator\tact_ext\tChest\n"  // equal to the FV name: row unchanged
                     "NPC\tnpc_odd\tX\\tY\\\\");
    // OUTPUT follows Save as's naming rule: "out" becomes "out.esp".
    Result r = Run("convert " + Quote(plugin) + " " + Quote(P("out")) + " --edits " + Quote(P("edits.txt")));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string out = ReadFile(dir / "out.esp");
    EXPECT_EQ(out, Plugin({Record("CELL", {{"NAME", Z(kLong63)}}),
                           Named("ACTI", "act_plain", "Hebel"),
                           Named("ACTI", "act_dict", "Fass"),
                           Record("ACTI", {{"NAME", Z("act_noname")}}),
                           Named("ACTI", "act_ext", "Truhe"),
                           Named("ACTI", "act_twice", kLong31),
                           Named("ACTI", "act_twice", kLong31),
                           Named("NPC_", "npc_odd", "X\tY\\")}));
    EXPECT_EQ(ReadFile(dir / "dataextra" / "Extradata.dat"),
              Pairs({{"FFFF", "FFFF"},
                     {"Balmora", kLong63},
                     {"Lever", "Hebel"},
                     {"Chest", "Truhe"},
                     {"Rock", kLong31},
                     {"Rock", kLong31},
                     {kOdd, "X\tY\\"}}));
    EXPECT_EQ(ReadFile(plugin), SamplePlugin());
    EXPECT_FALSE(fs::exists(dir / "data" / "Concat.dat"));
    EXPECT_FALSE(fs::exists(dir / "data" / "Vfvfdata.dat"));
}

TEST_F(CliSample, RefusedEditsLeaveEveryFileUntouched) {
    ASSERT_EQ(Run("list " + Quote(plugin)).code, 0);  // Load's own files now exist
    Put("data/Regndata.dat", "");                       // and the one the save reads
    struct Case {
        std::string edits, message;
    } cases[] = {
        {"Activator\tact_dict\tX\n", "flagged L"},
        {"Activator\tact_noname\tX\n", "INFORMATION: NAME EMPTIES UNAUTHORIZED TRANSLATION.\n"},
        {"Activator\tact_plain\t" + kLong31 + "y\n", "INFORMATION: The name has more than 31 characters.\n"},
        {"Cell\tBalmora\t" + kLong63 + "y\n", "INFORMATION: The name has more than 63 characters.\n"},
        {"Weapon\tact_plain\tX\n", "no row with ID \"act_plain\" in tab \"Weapon\""},
        {"Activatr\tact_plain\tX\n", "no tab titled \"Activatr\""},
        {"Activator\tact_plain\n", "malformed"},
        {"Activator\tact_plain\tA\tB\n", "malformed"},
        {"Activator\tact_plain\tX\\q\n", "malformed"},
        // An accepted edit before a refused one is not saved either.
        {"Activator\tact_plain\tHebel\nActivator\tact_dict\tX\n", ":2: "},
    };
    auto before = Snapshot();
    for (const Case& c : cases) {
        Put("edits.txt", c.edits);
        auto expected = before;
        expected[P("edits.txt")] = c.edits;
        Result r = Run("convert " + Quote(plugin) + " " + Quote(P("out.esp")) + " --edits " +
                       Quote(P("edits.txt")));
        EXPECT_EQ(r.code, 2) << c.edits;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.edits << "\n" << r.err;
        EXPECT_EQ(Snapshot(), expected) << c.edits;
    }
    EXPECT_EQ(Run("convert " + Quote(plugin) + " " + Quote(P("out.esp")) + " --edits " +
                  Quote(P("none.txt")))
                  .code,
              2);
    // A save that fails (its folder is a file) is a failure too.
    Result failed = Run("convert " + Quote(plugin) + " " + Quote(P("p.esp/out.esp")));
    EXPECT_EQ(failed.code, 2);
    EXPECT_EQ(failed.err.rfind("INFORMATION: THE PLUGIN WAS NOT SAVED.\n", 0), 0u) << failed.err;
    before[P("edits.txt")] = cases[std::size(cases) - 1].edits;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliSample, MasterFileIsNeitherEditedNorSaved) {
    std::string master = Put("m.esm", SamplePlugin(1));
    ASSERT_EQ(Run("list " + Quote(master)).code, 0);
    Put("edits.txt", "Activator\tact_plain\tHebel\n");
    const auto before = Snapshot();
    Result edit = Run("convert " + Quote(master) + " " + Quote(P("out.esp")) + " --edits " +
                      Quote(P("edits.txt")));
    EXPECT_EQ(edit.code, 2);
    EXPECT_NE(edit.err.find("INFORMATION:     THIS IS A MASTER FILE.\nYOU CANNOT MODIFY IT\n"),
              std::string::npos)
        << edit.err;
    Result save = Run("convert " + Quote(master) + " " + Quote(P("out.esp")));
    EXPECT_EQ(save.code, 2);
    EXPECT_EQ(save.err, "INFORMATION: THIS IS A MASTER FILE FUNCTION NONAVAILABLE.\n");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliSample, OutputEqualToPluginNeedsOverwrite) {
    ASSERT_EQ(Run("list " + Quote(plugin)).code, 0);
    Put("edits.txt", "Activator\tact_plain\tHebel\n");
    const auto before = Snapshot();
    // Any spelling that names the plugin after the naming rule is refused.
    for (std::string output : {plugin, P("p"), (dir / "data" / ".." / "p.esp").string()}) {
        Result r = Run("convert " + Quote(plugin) + " " + Quote(output) + " --edits " + Quote(P("edits.txt")));
        EXPECT_EQ(r.code, 2) << output;
        EXPECT_NE(r.err.find("INFORMATION: THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF THE "
                             "INPUT FILE.\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Snapshot(), before) << output;
    }
    Result r = Run("convert " + Quote(plugin) + " " + Quote(plugin) + " --overwrite --edits " +
                   Quote(P("edits.txt")));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("QUESTION: OVERWRITE THE FILE IN USE  :", 0), 0u) << r.err;
    EXPECT_NE(ReadFile(plugin).find(Z("Hebel")), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "p.esp.esp"));
}

TEST_F(CliSample, ResetEmptiesTheExternalDatabase) {
    Result r = Run("reset");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "dataextra" / "Extradata.dat"), Pairs({{"FFFF", "FFFF"}}));
    EXPECT_EQ(r.err.rfind("ALERT!: ERASE THE EXTERNAL BASE", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nINFORMATION: DATA BASE ERASED.\n"), std::string::npos) << r.err;
}

TEST_F(Cli, CorpusListAndConvert) {
    if (!CorpusAvailable()) GTEST_SKIP() << "no corpus";
    for (const auto& f : CorpusFiles()) {
        const std::string name = f.filename().string();
        if (name != "ashfall_Ashfall.esp" && name != "traits_mtrCultures.omwaddon" &&
            name != "t3m_Wares-base.esm")
            continue;
        Result list = Run("list " + Quote(f.string()));
        EXPECT_EQ(list.code, 0) << name << list.err;
        EXPECT_NE(list.out, "") << name;
        for (size_t p = 0, e; (e = list.out.find('\n', p)) != std::string::npos; p = e + 1)
            ASSERT_EQ(std::count(list.out.begin() + p, list.out.begin() + e, '\t'), 4) << name;

        Result conv = Run("convert " + Quote(f.string()) + " " + Quote(P("out.esp")));
        if (name.ends_with(".esm")) {
            EXPECT_EQ(conv.code, 2) << name;
            EXPECT_FALSE(fs::exists(dir / "out.esp"));
            continue;
        }
        EXPECT_EQ(conv.code, 0) << name << conv.err;
        // No dictionary entries: the plugin comes back as it was.
        EXPECT_EQ(ReadFile(dir / "out.esp"), ReadFile(f)) << name;
        fs::remove(dir / "out.esp");
    }
}

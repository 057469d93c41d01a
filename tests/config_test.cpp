#include <gtest/gtest.h>

#include <tuple>

#include "base/config.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

const std::string kDefault = "<default>", kP = "[Plugin Path]\r\n", kW = "[Window]\r\n";

// PlugPath of [Plugin Path] as a string, or WindowWidth of [Window] as an integer.
std::string Read(bool integer, const char* key = "PlugPath") {
    qp::OpenConfiguration(qp::kConfigurationFile);
    qp::SelectGroup(integer ? "Window" : "Plugin Path");
    std::string v = integer ? std::to_string(qp::ReadInteger("WindowWidth", -424242))
                            : qp::ReadString(key, kDefault);
    qp::CloseConfiguration();
    return v == "-424242" ? kDefault : v;
}

}  // namespace

TEST(Configuration, ReadingRules) {
    struct Case {
        const char* what;
        bool integer;
        std::string file, expected;
    } cases[] = {
        {"group and key in any case", true, "[window]\r\nWINDOWWIDTH=1024\r\n", "1024"},
        {"spaces around", true, kW + "   WindowWidth    =    640\r\n", "640"},
        {"leading digits", true, kW + "WindowWidth = 12ab\r\n", "12"},
        {"nothing after the equal sign", true, kW + "WindowWidth =\r\n", "0"},
        {"negative", true, kW + "WindowWidth = -5\r\n", "-5"},
        {"tab before the equal sign", true, kW + "WindowWidth\t= 640\r\n", kDefault},
        {"tab before the value is no blank", true, kW + "WindowWidth =\t640\r\n", "0"},
        {"last line without line end", true, kW + "WindowWidth = 77", "77"},
        {"empty file", true, "", kDefault},
        {"trailing space kept, CR dropped", false, kP + "PlugPath = D:\\Mods \r\n", "D:\\Mods "},
        {"equal sign inside the value", false, kP + "PlugPath = a=b\r\n", "a=b"},
        {"text after the closing bracket", false, "[Plugin Path] old\r\nPlugPath = X\r\n", "X"},
        {"group line beginning with a space", false, " " + kP + "PlugPath = X\r\n", kDefault},
        {"no closing bracket keeps the CR", false, "[Plugin Path\r\nPlugPath = X\r\n", kDefault},
        {"no closing bracket, LF only", false, "[Plugin Path\nPlugPath = X\n", "X"},
        {"group name only a prefix", false, "[Plugin]\r\nPlugPath = X\r\n", kDefault},
        {"key name only a prefix", false, kP + "PlugPathX = X\r\n", kDefault},
        {"before the first group", false, "PlugPath = X\r\n" + kP, kDefault},
        {"under another group", false, "[Save Path]\r\nPlugPath = X\r\n" + kP, kDefault},
        {"the next group ends the search", false, kP + "[Other]\r\nPlugPath = X\r\n", kDefault},
        {"an indented bracket line ends nothing", false, kP + " [Other]\r\nPlugPath = X\r\n", "X"},
        {"first group of a name wins", false,
         kP + "PlugPath = 1st\r\n[PLUGIN PATH]\r\nPlugPath = 2nd\r\n", "1st"},
        {"a second group of the name is never read", false,
         kP + "X = 1\r\n" + kP + "PlugPath = 2nd\r\n", kDefault},
        {"first matching key wins", false, kP + "PlugPath = A\r\nplugpath = B\r\n", "A"},
        {"comments and lines without equal sign skipped", false,
         kP + ";PlugPath = C\r\n   ;PlugPath = D\r\nPlugPath\r\nPlugPath = E\r\n", "E"},
    };
    Env env;
    for (const Case& c : cases) {
        WriteFile(env.dir / "Voskconv.ini", c.file);
        EXPECT_EQ(Read(c.integer), c.expected) << c.what;
    }
    WriteFile(env.dir / "Voskconv.ini", kP + " = X\r\n");
    EXPECT_EQ(Read(false, ""), kDefault) << "empty key";
    std::filesystem::remove(env.dir / "Voskconv.ini");
    EXPECT_EQ(Read(true), kDefault) << "missing file";
}

// Bank values that cannot make a table fall back to the default size; the
// value itself is kept and written back as read.
TEST(Configuration, StartupDefaultsAndBanksThatCannotMakeATable) {
    Env env;
    const qp::Configuration& c = qp::gWs.config;
    EXPECT_EQ(std::make_tuple(c.windowWidth, c.windowHeight, c.bank, c.plugPath, c.savePath),
              std::make_tuple(800, 600, 50000, std::string("C:\\"), std::string("C:\\")));
    EXPECT_EQ(qp::gWs.table.sizes.size(), 50002u);
    EXPECT_FALSE(std::filesystem::exists(env.dir / "Voskconv.ini")) << "start-up never writes";
    const std::pair<int32_t, int32_t> entries[] = {
        {0, 2}, {10, 12}, {50000, 50002}, {-1, 50002}, {INT32_MIN, 50002}, {INT32_MAX, 50002}};
    for (auto [bank, n] : entries) EXPECT_EQ(qp::BankEntries(bank), n) << bank;
}

TEST(Configuration, LoadRewritesAFileOfAnotherLayoutInSixteenLines) {
    Env env;
    WriteFile(env.dir / "Voskconv.ini",
              "; hand-made\nextra = 1\n[save path]\n  savepath=D:\\Out \\ \n"
              "[WINDOW]\nwindowheight=99999\nWindowWidth = -2147483648\nColour = blue\n"
              "[Block Size Save]\nBANK=-7\n[Plugin Path]\nPlugPath = F:\\Old\\\n");
    qp::Startup();
    const qp::Configuration& c = qp::gWs.config;
    EXPECT_EQ(std::make_tuple(c.windowWidth, c.windowHeight, c.bank, c.savePath),
              std::make_tuple(INT32_MIN, 99999, -7, std::string("D:\\Out \\ ")));
    EXPECT_EQ(qp::gWs.table.sizes.size(), 50002u) << "a negative bank makes no table";
    int w = 0, h = 0;
    env.ui.GetMainWindowSize(w, h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(800, 600)) << "sizes no window can have";
    const std::string plugin = env.PutPlugin("mods/a.esp", Plugin({}));
    env.Load(plugin);
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"),
              ";Quillane Init file\r\n;\r\nPreferenceVersion = 1\r\n;\r\n"
              "[Block size save]\r\nBank = -7\r\n;\r\n"
              "[Window]\r\nWindowWidth = -2147483648\r\nWindowHeight = 99999\r\n;\r\n"
              "[Plugin Path]\r\nPlugPath = " + qp::FolderPart(plugin) + "\r\n;\r\n"
              "[Save Path]\r\nSavePath = D:\\Out \\ \r\n");
}

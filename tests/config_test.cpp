#include <gtest/gtest.h>

#include "app/config.h"
#include "app/globals.h"
#include "app/shell.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "test_support.h"

using namespace qt_test;

namespace {

const std::string kDefault = "<default>";

struct ReadCase {
    const char* what;
    std::string file;
    std::string group, key;
    bool integer;
    std::string expected;  // string value, or the integer in decimal
};

std::string Read(const ReadCase& c) {
    qp::OpenConfiguration(qp::kConfigurationFile);
    qp::SelectGroup(c.group);
    std::string v = c.integer ? std::to_string(qp::ReadInteger(c.key, -424242))
                              : qp::ReadString(c.key, kDefault);
    qp::CloseConfiguration();
    if (v == "-424242") v = kDefault;
    return v;
}

}  // namespace

TEST(Configuration, ReadingRules) {
    const ReadCase cases[] = {
        {"group and key in any case, no blanks", "[window]\r\nWINDOWWIDTH=1024\r\n", "Window",
         "WindowWidth", true, "1024"},
        {"leading and surrounding spaces", "[Window]\r\n   WindowWidth    =    640\r\n", "Window",
         "WindowWidth", true, "640"},
        {"leading digits", "[Window]\r\nWindowWidth = 12ab\r\n", "Window", "WindowWidth", true,
         "12"},
        {"nothing after the equal sign", "[Window]\r\nWindowWidth =\r\n", "Window",
         "WindowWidth", true, "0"},
        {"negative", "[Window]\r\nWindowWidth = -5\r\n", "Window", "WindowWidth", true, "-5"},
        {"tab before the equal sign", "[Window]\r\nWindowWidth\t= 640\r\n", "Window",
         "WindowWidth", true, kDefault},
        {"tab before the value is no blank", "[Window]\r\nWindowWidth =\t640\r\n", "Window",
         "WindowWidth", true, "0"},
        {"last line without line end", "[Window]\r\nWindowWidth = 77", "Window", "WindowWidth",
         true, "77"},
        {"trailing space kept, CR dropped", "[Plugin Path]\r\nPlugPath = D:\\Mods \r\n",
         "Plugin Path", "PlugPath", false, "D:\\Mods "},
        {"LF-only lines", "[Plugin Path]\nPlugPath = D:\\Mods\\\n", "Plugin Path", "PlugPath",
         false, "D:\\Mods\\"},
        {"equal sign inside the value", "[Plugin Path]\r\nPlugPath = a=b\r\n", "Plugin Path",
         "PlugPath", false, "a=b"},
        {"text after the closing bracket", "[Plugin Path] old\r\nPlugPath = X\r\n",
         "Plugin Path", "PlugPath", false, "X"},
        {"group line beginning with a space", " [Plugin Path]\r\nPlugPath = X\r\n",
         "Plugin Path", "PlugPath", false, kDefault},
        {"no closing bracket keeps the CR in the name", "[Plugin Path\r\nPlugPath = X\r\n",
         "Plugin Path", "PlugPath", false, kDefault},
        {"no closing bracket, LF only", "[Plugin Path\nPlugPath = X\n", "Plugin Path",
         "PlugPath", false, "X"},
        {"group name is only a prefix", "[Plugin]\r\nPlugPath = X\r\n", "Plugin Path",
         "PlugPath", false, kDefault},
        {"key name is only a prefix", "[Plugin Path]\r\nPlugPathX = X\r\n", "Plugin Path",
         "PlugPath", false, kDefault},
        {"before the first group", "PlugPath = X\r\n[Plugin Path]\r\n", "Plugin Path",
         "PlugPath", false, kDefault},
        {"under another group", "[Save Path]\r\nPlugPath = X\r\n[Plugin Path]\r\n",
         "Plugin Path", "PlugPath", false, kDefault},
        {"the next group ends the search", "[Plugin Path]\r\n[Other]\r\nPlugPath = X\r\n",
         "Plugin Path", "PlugPath", false, kDefault},
        {"an indented bracket line does not end the group",
         "[Plugin Path]\r\n [Other]\r\nPlugPath = X\r\n", "Plugin Path", "PlugPath", false,
         "X"},
        {"first group of a name wins", "[Plugin Path]\r\nPlugPath = 1st\r\n[PLUGIN PATH]\r\nPlugPath = 2nd\r\n",
         "Plugin Path", "PlugPath", false, "1st"},
        {"a second group of the name is never read", "[Plugin Path]\r\nX = 1\r\n[Plugin Path]\r\nPlugPath = 2nd\r\n",
         "Plugin Path", "PlugPath", false, kDefault},
        {"first matching key wins", "[Plugin Path]\r\nPlugPath = A\r\nplugpath = B\r\n",
         "Plugin Path", "PlugPath", false, "A"},
        {"comments and lines without equal sign skipped",
         "[Plugin Path]\r\n;PlugPath = C\r\n   ;PlugPath = D\r\nPlugPath\r\nPlugPath = E\r\n",
         "Plugin Path", "PlugPath", false, "E"},
        {"empty key", "[Plugin Path]\r\n = X\r\n", "Plugin Path", "", false, kDefault},
        {"empty file", "", "Window", "WindowWidth", true, kDefault},
    };
    Env env;
    for (const ReadCase& c : cases) {
        WriteFile(env.dir / "Voskconv.ini", c.file);
        EXPECT_EQ(Read(c), c.expected) << c.what;
    }
    std::filesystem::remove(env.dir / "Voskconv.ini");
    EXPECT_EQ(Read(cases[0]), kDefault) << "missing file";
}

TEST(Configuration, StartupDefaultsWithoutFile) {
    Env env;
    EXPECT_EQ(qp::gConfig.windowWidth, 800);
    EXPECT_EQ(qp::gConfig.windowHeight, 600);
    EXPECT_EQ(qp::gConfig.bank, 50000);
    EXPECT_EQ(qp::gConfig.plugPath, "C:\\");
    EXPECT_EQ(qp::gConfig.savePath, "C:\\");
    EXPECT_EQ(qp::gTable.sizes.size(), 50002u);
    int w = 0, h = 0;
    env.ui.GetMainWindowSize(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    // Start-up reads; it never creates the file.
    EXPECT_FALSE(std::filesystem::exists(env.dir / "Voskconv.ini"));
}

TEST(Configuration, WriterProducesSixteenLines) {
    Env env;
    qp::gConfig.bank = -7;
    qp::gConfig.windowWidth = 1024;
    qp::gConfig.windowHeight = 700;
    qp::gConfig.plugPath = "E:\\Games\\Mods\\";
    qp::gConfig.savePath = "D:\\Out \\";
    ASSERT_TRUE(qp::WriteConfiguration());
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"),
              ";Quillane Init file\r\n"
              ";\r\n"
              "PreferenceVersion = 1\r\n"
              ";\r\n"
              "[Block size save]\r\n"
              "Bank = -7\r\n"
              ";\r\n"
              "[Window]\r\n"
              "WindowWidth = 1024\r\n"
              "WindowHeight = 700\r\n"
              ";\r\n"
              "[Plugin Path]\r\n"
              "PlugPath = E:\\Games\\Mods\\\r\n"
              ";\r\n"
              "[Save Path]\r\n"
              "SavePath = D:\\Out \\\r\n");
}

// Bank values that cannot make a table fall back to the default size; the
// value itself is kept and written back as read.
TEST(Configuration, BankValuesThatCannotMakeATable) {
    EXPECT_EQ(qp::BankEntries(0), 2);
    EXPECT_EQ(qp::BankEntries(10), 12);
    EXPECT_EQ(qp::BankEntries(50000), 50002);
    EXPECT_EQ(qp::BankEntries(-1), 50002);
    EXPECT_EQ(qp::BankEntries(INT32_MIN), 50002);
    EXPECT_EQ(qp::BankEntries(INT32_MAX), 50002);

    Env env;
    for (const char* bank : {"-5", "99999999999", "2147483647"}) {
        WriteFile(env.dir / "Voskconv.ini",
                  std::string("[Block size save]\r\nBank = ") + bank + "\r\n");
        qp::Startup();
        EXPECT_EQ(qp::gTable.sizes.size(), 50002u) << bank;
    }
    // A plugin still loads with such a table.
    env.Load(env.PutPlugin("a.esp", Plugin({Record("CELL", {{"NAME", Z("Cell A")}})})));
    EXPECT_EQ(env.ui.Rows(3).size(), 1u);
}

TEST(Configuration, LoadRewritesAFileOfAnotherLayout) {
    Env env;
    WriteFile(env.dir / "Voskconv.ini",
              "; hand-made\n"
              "extra = 1\n"
              "[save path]\n"
              "  savepath=D:\\Out\\ \n"
              "[WINDOW]\n"
              "windowheight=700\n"
              "WindowWidth = 1024\n"
              "Colour = blue\n"
              "[Block Size Save]\n"
              "BANK=1234\n"
              "[Plugin Path]\n"
              "PlugPath = F:\\Old\\\n");
    qp::Startup();
    EXPECT_EQ(qp::gConfig.windowWidth, 1024);
    EXPECT_EQ(qp::gConfig.windowHeight, 700);
    EXPECT_EQ(qp::gConfig.bank, 1234);
    EXPECT_EQ(qp::gConfig.savePath, "D:\\Out\\ ");

    // Load reads its folder again from the file, so a hand edit counts.
    std::string text = ReadFile(env.dir / "Voskconv.ini");
    text.replace(text.find("F:\\Old\\"), 7, "G:\\New\\");
    WriteFile(env.dir / "Voskconv.ini", text);

    std::string plugin = env.PutPlugin("mods/a.esp", Plugin({}));
    env.Load(plugin);
    ASSERT_EQ(env.ui.Requesters().size(), 1u);
    EXPECT_EQ(env.ui.Requesters()[0].folder, "G:\\New\\");
    EXPECT_EQ(ReadFile(env.dir / "Voskconv.ini"),
              ";Quillane Init file\r\n;\r\nPreferenceVersion = 1\r\n;\r\n"
              "[Block size save]\r\nBank = 1234\r\n;\r\n"
              "[Window]\r\nWindowWidth = 1024\r\nWindowHeight = 700\r\n;\r\n"
              "[Plugin Path]\r\nPlugPath = " + qp::FolderPart(plugin) + "\r\n;\r\n"
              "[Save Path]\r\nSavePath = D:\\Out\\ \r\n");
}

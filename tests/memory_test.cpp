// The memory of translations across plugins: filled by saves and the text
// edit dialog, used at load (flag "M") and in the text edit dialog, forgotten
// on request, read up to its damage.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

fs::path Memory(const Env& env) { return env.dir / "dataextra" / "Memory.dat"; }
fs::path Memtext(const Env& env) { return env.dir / "dataextra" / "Memtext.dat"; }

// Flag and OV name of each NPC row.
std::vector<std::string> Npcs() {
    std::vector<std::string> v;
    for (const auto& e : qp::gWs.nameLists[qp::kListNpc]) v.push_back(e.flag + "|" + e.fv + "|" + e.ov);
    return v;
}

}  // namespace

TEST(Memory, FillsAcrossPluginsAndIsForgotten) {
    Env env;
    WriteFile(env.Data("Npc_data.dat"), Pairs({{"Smith", "Smed"}}));
    const std::string a = env.PutPlugin("a.esp", Plugin({Object("NPC_", "n1", "Ingrid"), Object("NPC_", "n2", "Smith")}));
    const std::string b = env.PutPlugin("b.esp", Plugin({Object("NPC_", "x1", "Ingrid"), Object("NPC_", "x2", "Bob")}));
    // Without memory files, nothing changes and none is made by a load.
    env.Load(b);
    EXPECT_EQ(Npcs(), (std::vector<std::string>{"|Ingrid|Ingrid", "|Bob|Bob"}));
    EXPECT_FALSE(fs::exists(Memory(env)));

    env.Load(a);
    EditName(env, qp::kListNpc, 0, "Ingrida");
    env.SaveAs((env.dir / "a_out.esp").string());
    EXPECT_EQ(ReadFile(Memory(env)), Pairs({{"Ingrid", "Ingrida"}}));
    // "Reset file" leaves the memory; B's Ingrid then comes from it alone.
    env.ui.PushAnswer(qp::Answer::Yes);
    env.Menu(qp::kMenuReset);
    env.Load(b);
    EXPECT_EQ(Npcs(), (std::vector<std::string>{"M|Ingrid|Ingrida", "|Bob|Bob"}));
    // A save stores the "M" row as a "T" row; the newest pair comes first.
    EditName(env, qp::kListNpc, 1, "Bobby");
    env.SaveAs((env.dir / "b_out.esp").string());
    EXPECT_EQ(Npcs(), (std::vector<std::string>{"T|Ingrid|Ingrida", "T|Bob|Bobby"}));
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"Ingrid", "Ingrida"}, {"Bob", "Bobby"}}));
    EXPECT_EQ(ReadFile(Memory(env)), Pairs({{"Ingrid", "Ingrida"}, {"Bob", "Bobby"}}));

    // "Forget memory": No is the default; No keeps it, Yes removes both files.
    WriteFile(Memtext(env), Triples({{"Book", "Hello", "Hei"}}));
    env.ui.PushAnswer(qp::Answer::No);
    env.Menu(qp::kMenuForgetMemory);
    EXPECT_TRUE(fs::exists(Memory(env)));
    EXPECT_EQ(env.ui.Messages().back().buttons, qp::Buttons::YesNoDefaultNo);
    env.ui.PushAnswer(qp::Answer::Yes);
    env.Menu(qp::kMenuForgetMemory);
    EXPECT_FALSE(fs::exists(Memory(env)) || fs::exists(Memtext(env)));
    EXPECT_EQ(Shown(env.ui).back(), "INFORMATION/1/MEMORY FORGOTTEN.");
    env.ui.PushAnswer(qp::Answer::Yes);
    env.Menu(qp::kMenuReset);
    env.Load(b);
    EXPECT_EQ(Npcs(), (std::vector<std::string>{"|Ingrid|Ingrid", "|Bob|Bob"}));
}

// A counted string running past the end: the load says so once and uses what
// came before; the next save writes the file whole again.
TEST(Memory, DamagedFileIsReadUpToTheFaultAndWrittenWholeAgain) {
    Env env;
    const std::string good = Pairs({{"Ingrid", "Ingrida"}});
    WriteFile(Memory(env), good + Int32(1000) + "ab");
    env.Load(env.PutPlugin("b.esp", Plugin({Object("NPC_", "x1", "Ingrid"), Object("NPC_", "x2", "Ingrida")})));
    // Only first names are looked for in the memory.
    EXPECT_EQ(Npcs(), (std::vector<std::string>{"M|Ingrid|Ingrida", "|Ingrida|Ingrida"}));
    EXPECT_EQ(Shown(env.ui),
              (std::vector<std::string>{"INFORMATION/1/THE MEMORY FILE dataextra\\Memory.dat IS DAMAGED AT BYTE " +
                                        std::to_string(good.size()) +
                                        ".\rWHAT CAME BEFORE WAS USED; THE NEXT SAVE WRITES IT WHOLE AGAIN."}));
    env.SaveAs((env.dir / "b_out.esp").string());
    EXPECT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_EQ(ReadFile(Memory(env)), good);
}

// Texts saved in the text edit dialog are offered for the same text of
// another plugin when no long-text dictionary has one.
TEST(Memory, TextEditOffersRememberedTexts) {
    Env env;
    auto book = [](const char* id, const char* text) { return Book(id, id, {{"TEXT", text}}); };
    env.Load(env.PutPlugin("a.esp", Plugin({book("bk1", "Hello")})));
    env.Menu(qp::kMenuTextBook);
    auto select = [&](int row) {
        env.ui.FocusDialogRow(qp::kCtlTextList, row);
        env.ui.PushControl(qp::kCtlTextList, qp::ControlAction::Click);
        env.Run();
    };
    select(0);
    env.Press(qp::kCtlTextCopy);
    env.ui.TypeText(qp::kCtlTranslationPane, "Hei");
    env.Press(qp::kCtlTextSave);
    env.Press(qp::kCtlTextCancel);
    EXPECT_EQ(ReadFile(Memtext(env)), Triples({{"Book", "Hello", "Hei"}}));

    WriteFile(env.Data("Txtbookdata.dat"), Triples({{"bk3", "", "Fra ordboka"}}));
    env.ui.PushAnswer(qp::Answer::Yes);  // the saved text is not in a saved plugin: lose it
    env.Load(env.PutPlugin("b.esp", Plugin({book("bk2", "Hello"), book("bk3", "Hello"), book("bk4", "Bye")})));
    env.Menu(qp::kMenuTextBook);
    std::vector<std::string> offered;
    for (int r = 0; r < 3; ++r) {
        select(r);
        offered.push_back(env.ui.Control(qp::kCtlTranslationPane).text);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"Hei", "Fra ordboka", ""}));
}

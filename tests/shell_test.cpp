#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>

#include "app/app.h"
#include "app/globals.h"
#include "app/shell.h"
#include "platform/files.h"
#include "test_support.h"

using namespace qt_test;
using qp::Answer;
using qp::ControlAction;

namespace {

const int kAllIds[] = {qp::kMenuLoad, qp::kMenuSave, qp::kMenuSaveAs, qp::kMenuQuit,
                       qp::kMenuReset, qp::kMenuTextBook, qp::kMenuTextClass,
                       qp::kMenuTextRace, qp::kMenuTextSkill, qp::kMenuTextBirthsign,
                       qp::kMenuHelp, qp::kMenuAbout, qp::kMenuEdit};

std::map<int, bool> MenuStates(qp::HeadlessPlatform& ui) {
    std::map<int, bool> m;
    for (int id : kAllIds) m[id] = ui.IsMenuItemEnabled(id);
    return m;
}

std::string Geometry(qp::HeadlessPlatform& ui, int control) {
    qp::Rect r = ui.ControlRect(control);
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
           std::to_string(r.h);
}

// Everything in the program directory, folders with a trailing slash.
std::vector<std::string> Listing(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        out.push_back(std::filesystem::relative(e.path(), dir).generic_string() +
                      (e.is_directory() ? "/" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

std::string TwoCells(const std::string& first, const std::string& second) {
    return Plugin({Record("CELL", {{"NAME", Z(first)}}), Record("CELL", {{"NAME", Z(second)}})});
}

}  // namespace

TEST(Shell, MainWindowAtStartup) {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    EXPECT_EQ(ui.Title(), "QUILLANE v3.03a");

    const std::map<int, bool> expected = {
        {qp::kMenuLoad, true},       {qp::kMenuSave, false},       {qp::kMenuSaveAs, false},
        {qp::kMenuQuit, true},       {qp::kMenuReset, true},       {qp::kMenuTextBook, false},
        {qp::kMenuTextClass, false}, {qp::kMenuTextRace, false},   {qp::kMenuTextSkill, false},
        {qp::kMenuTextBirthsign, false}, {qp::kMenuHelp, true},    {qp::kMenuAbout, true},
        {qp::kMenuEdit, false},
    };
    EXPECT_EQ(MenuStates(ui), expected);

    std::string bar;
    for (const qp::Menu& m : ui.MenuBar()) {
        bar += m.title + ":";
        for (const qp::MenuItem& i : m.items) bar += " " + std::to_string(i.id) + "=" + i.caption;
        bar += "\n";
    }
    EXPECT_EQ(bar,
              "File: 1=&Load 2=Save 3=Save as... 0= 4=&Quit\n"
              "External data: 5=Reset file\n"
              "Edit text: 9=Book 10=Class 11=Race 12=Skill 13=Birthsign\n"
              "?: 20=Help 0= 21=About\n");

    EXPECT_EQ(ui.FrameTitle(), "OBJECT WINDOW...");
    const std::vector<std::string> tabs = {
        "Cell",      "Region",   "Pgrd",        "Activator", "Apparatus", "Armor",
        "Book",      "Cloth",    "Container",   "Door",      "Ingredient", "Creature",
        "Spellmaking", "Alchemy", "Light",      "Lockpick",  "Misc Item", "Probe",
        "Repair Item", "Weapon", "NPC",         "Race",      "Class",     "Birthsign",
        "Faction"};
    EXPECT_EQ(ui.TabTitles(), tabs);
    std::string columns;
    for (const qp::ListColumn& c : ui.Columns()) columns += c.title + "/" + std::to_string(c.width) + " ";
    EXPECT_EQ(columns, "F/20 ID/200 FV Name/248 OV Name/248 ");

    EXPECT_EQ(ui.StatusFirstFieldWidth(), 200);
    EXPECT_EQ(ui.GetStatusText(0), "File :");

    EXPECT_EQ(Geometry(ui, qp::kCtlFrame), "5,0,790,560");
    EXPECT_EQ(Geometry(ui, qp::kCtlTabs), "10,15,780,540");
    for (int g = 3; g <= 27; ++g) EXPECT_EQ(Geometry(ui, g), "1,1,774,513") << g;

    // Maximise, then restore: everything follows but the status field.
    ui.PushSize(1024, 768);
    env.Run();
    EXPECT_EQ(Geometry(ui, qp::kCtlFrame), "5,0,1014,728");
    EXPECT_EQ(Geometry(ui, qp::kCtlTabs), "10,15,1004,708");
    for (int g = 3; g <= 27; ++g) EXPECT_EQ(Geometry(ui, g), "0,0,998,681") << g;
    ui.PushSize(800, 600);
    env.Run();
    EXPECT_EQ(Geometry(ui, qp::kCtlFrame), "5,0,790,560");
    EXPECT_EQ(Geometry(ui, 27), "0,0,774,513");
    EXPECT_EQ(ui.StatusFirstFieldWidth(), 200);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_FALSE(std::filesystem::exists(env.dir / "Voskconv.ini"));
}

TEST(Shell, QuitAsksAndYesEndsWithoutWritingAFile) {
    for (bool closeBox : {false, true}) {
        Env env;
        auto quit = [&] {
            if (closeBox)
                env.ui.PushClose(0);
            else
                env.ui.PushMenu(qp::kMenuQuit);
        };
        env.ui.PushAnswer(Answer::No);
        env.ui.PushAnswer(Answer::Yes);
        quit();
        env.ui.PushMenu(qp::kMenuAbout);  // served: No changed nothing
        quit();
        env.ui.PushMenu(qp::kMenuAbout);  // never served
        EXPECT_EQ(qp::RunQuillane(), 0);
        EXPECT_EQ(qp::gQuit.load(), 1);
        qp::gQuit = 0;

        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 3u) << closeBox;
        for (int i : {0, 2}) {
            EXPECT_EQ(msgs[i].title, "QUIT");
            EXPECT_EQ(msgs[i].text, "LEAVE THE PROGRAM?");
            EXPECT_EQ(msgs[i].icon, qp::Icon::Question);
            EXPECT_EQ(msgs[i].buttons, qp::Buttons::YesNo);
        }
        EXPECT_EQ(msgs[0].answer, Answer::No);
        EXPECT_EQ(msgs[1].title, "ABOUT");
        EXPECT_EQ(msgs[2].answer, Answer::Yes);
        EXPECT_EQ(Listing(env.dir), (std::vector<std::string>{"data/", "dataextra/"}));
    }
}

TEST(Shell, AboutAndHelp) {
    Env env;
    env.ui.PushMenu(qp::kMenuAbout);
    env.ui.PushMenu(qp::kMenuHelp);  // no help viewer: nothing at all
    env.Run();
    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].title, "ABOUT");
    EXPECT_EQ(msgs[0].buttons, qp::Buttons::Ok);
    EXPECT_EQ(msgs[0].icon, qp::Icon::None);
    std::vector<std::string> lines;
    std::string text = msgs[0].text;
    for (size_t start = 0;;) {
        size_t cr = text.find('\r', start);
        lines.push_back(text.substr(start, cr - start));
        if (cr == std::string::npos) break;
        start = cr + 1;
    }
    EXPECT_EQ(lines[0], "QUILLANE");
    EXPECT_NE(std::find_if(lines.begin() + 1, lines.end(),
                           [](const std::string& l) {
                               size_t p = l.find_first_not_of(' ');
                               return p > 0 && p != std::string::npos && l.substr(p) == "V3.03a";
                           }),
              lines.end())
        << text;
    EXPECT_TRUE(env.ui.HelpOpened().empty());

    // The viewer is looked for once, at start-up.
    env.ui.SetHelpViewer(true);
    qp::Startup();
    env.ui.PushMenu(qp::kMenuHelp);
    env.Run();
    ASSERT_EQ(env.ui.HelpOpened().size(), 1u);
    EXPECT_EQ(env.ui.HelpOpened()[0], qp::ResolvePath("Vosk.chm"));
    EXPECT_EQ(qp::FileNamePart(env.ui.HelpOpened()[0]), "Vosk.chm");
    EXPECT_EQ(env.ui.Messages().size(), 1u);
}

// While a Load waits in its requester: a double click shows the in-progress
// box, header clicks do nothing and no second command starts.
TEST(Shell, WhileACommandRuns) {
    Env env;
    env.Load(env.PutPlugin("a.esp", TwoCells("Beta", "Alpha")));
    ASSERT_EQ(env.ui.Rows(3).size(), 2u);
    env.ui.ListSelectRow(3, 0);
    const int fills = env.ui.ListSetRowsCalls(3);
    const auto menus = MenuStates(env.ui);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> requesters{0};
    env.ui.waitForWorker = false;
    env.ui.onRequester = [&](const qp::ShownRequester&) {
        ++requesters;
        released.wait_for(std::chrono::seconds(20));
        return std::string();
    };
    const int kMarker = 999;  // an id nobody handles
    env.ui.onEvent = [&](const qp::Event& ev) {
        if (ev.kind == qp::EventKind::Menu && ev.id == kMarker) release.set_value();
    };
    env.ui.PushMenu(qp::kMenuLoad);
    env.ui.PushControl(3, ControlAction::Activate);
    env.ui.PushHeaderClick(3, 1);
    env.ui.PushMenu(qp::kMenuLoad);
    env.ui.PushMenu(qp::kMenuSave);
    env.ui.PushMenu(qp::kMenuSaveAs);
    env.ui.PushMenu(kMarker);
    env.Run();
    env.ui.onEvent = nullptr;
    env.ui.onRequester = nullptr;
    env.ui.waitForWorker = true;

    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].title, "INFORMATION");
    EXPECT_EQ(msgs[0].text, "LOAD/SAVE IN PROGRESS.\r              PLEASE WAIT!");
    EXPECT_EQ(msgs[0].icon, qp::Icon::Stop);
    EXPECT_FALSE(env.ui.IsDialogOpen(1));
    EXPECT_EQ(requesters.load(), 1) << "a second command started";
    EXPECT_EQ(qp::gSortDirection[3], 1);
    EXPECT_EQ(env.ui.ListSetRowsCalls(3), fills);
    EXPECT_EQ(qp::gBusy.load(), 0);
    EXPECT_EQ(qp::gFinished.load(), 0);
    EXPECT_EQ(MenuStates(env.ui), menus) << "the cancelled load took no lock";

    // Header clicks are ignored while the name edit dialog is open too.
    env.ui.ListSelectRow(3, 0);
    env.ui.PushControl(3, ControlAction::Activate);
    env.ui.PushHeaderClick(3, 1);
    env.Run();
    ASSERT_TRUE(env.ui.IsDialogOpen(1));
    EXPECT_EQ(qp::gSortDirection[3], 1);
    EXPECT_EQ(env.ui.Rows(3)[0][1], "Beta");
    env.ui.PushClose(1);
    env.ui.PushHeaderClick(3, 1);
    env.Run();
    EXPECT_FALSE(env.ui.IsDialogOpen(1));
    EXPECT_EQ(qp::gSortDirection[3], -1);
    EXPECT_EQ(env.ui.Rows(3)[0][1], "Alpha");
}

TEST(Shell, WorkerThatCannotStart) {
    Env env;
    const auto menus = MenuStates(env.ui);
    env.ui.failNextWorker = true;
    env.ui.PushMenu(qp::kMenuLoad);
    env.Run();
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_EQ(env.ui.Messages()[0].title, "INFORMATION");
    EXPECT_EQ(env.ui.Messages()[0].icon, qp::Icon::Stop);
    EXPECT_EQ(qp::gBusy.load(), 0);
    EXPECT_EQ(qp::gFinished.load(), 0);
    EXPECT_TRUE(env.ui.Requesters().empty());
    EXPECT_EQ(MenuStates(env.ui), menus);
    // The next command starts normally.
    env.Load(env.PutPlugin("a.esp", TwoCells("Beta", "Alpha")));
    EXPECT_EQ(env.ui.Rows(3).size(), 2u);
}

TEST(Shell, SecondLoadAfterAFinishedOne) {
    Env env;
    const std::vector<std::string> paths = {env.PutPlugin("a.esp", TwoCells("A1", "A2")),
                                            env.PutPlugin("b.esp", TwoCells("B1", "B2"))};
    std::vector<int> busy, finished;
    env.ui.onRequester = [&](const qp::ShownRequester&) {
        busy.push_back(qp::gBusy);
        finished.push_back(qp::gFinished);
        return paths[busy.size() - 1];
    };
    // Both in one run of the loop: the second start meets the finished flag.
    env.ui.PushMenu(qp::kMenuLoad);
    env.ui.PushMenu(qp::kMenuLoad);
    env.Run();
    EXPECT_EQ(busy, (std::vector<int>{1, 1}));
    EXPECT_EQ(finished, (std::vector<int>{0, 0}));
    ASSERT_EQ(env.ui.Rows(3).size(), 2u);
    EXPECT_EQ(env.ui.Rows(3)[0][2], "B1");
    EXPECT_EQ(env.ui.GetStatusText(0), "File : b.esp");
    EXPECT_EQ(qp::gBusy.load(), 0);
    EXPECT_TRUE(env.ui.Messages().empty());
}

TEST(Shell, CancelledLoadLeavesFlagsClearAndMenusAsTheyWere) {
    Env env;
    for (bool loadedBefore : {false, true}) {
        if (loadedBefore) env.Load(env.PutPlugin("a.esp", TwoCells("A1", "A2")));
        std::filesystem::remove(env.dir / "Voskconv.ini");
        const auto menus = MenuStates(env.ui);
        const std::string status = env.ui.GetStatusText(0);
        env.Load("");
        EXPECT_EQ(MenuStates(env.ui), menus) << loadedBefore;
        EXPECT_EQ(qp::gBusy.load(), 0);
        EXPECT_EQ(qp::gFinished.load(), 0);
        EXPECT_EQ(env.ui.GetStatusText(0), status);
        EXPECT_FALSE(std::filesystem::exists(env.dir / "Voskconv.ini")) << loadedBefore;
        EXPECT_EQ(env.ui.Rows(3).size(), loadedBefore ? 2u : 0u);
    }
    EXPECT_TRUE(env.ui.Messages().empty());
}

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>
#include <map>
#include <set>
#include <sstream>

#include "app/app.h"
#include "base/workspace.h"
#include "app/commands.h"
#include "app/shell.h"
#include "base/paths.h"
#include "platform/files.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;
using qp::Answer;
using qp::ControlAction;

namespace {

// Frame, tab control, the distinct list rectangles, status field width.
std::string Layout(qp::HeadlessPlatform& ui) {
    auto rect = [&](int c) { return Geometry(ui.ControlRect(c)) + " "; };
    std::set<std::string> lists;
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) lists.insert(rect(g));
    std::string out = rect(qp::kCtlFrame) + rect(qp::kCtlTabs);
    for (const auto& l : lists) out += l;
    return out + std::to_string(ui.StatusFirstFieldWidth());
}

auto Box(const qp::ShownMessage& m) {
    return std::tie(m.title, m.text, m.icon, m.buttons, m.answer);
}

std::string TwoCells(const std::string& first, const std::string& second) {
    return Plugin({Record("CELL", {{"NAME", Z(first)}}), Record("CELL", {{"NAME", Z(second)}})});
}

}  // namespace

TEST(Shell, MainWindowAtStartup) {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    EXPECT_EQ(ui.Title() + "|" + ui.FrameTitle() + "|" + ui.GetStatusText(0),
              "QUILLANE v3.03a|OBJECT WINDOW...|File :");
    EXPECT_EQ(EnabledMenus(ui), "1 4 5 7 8 20 21 ");
    std::string all;  // menus, tabs, list columns
    for (const qp::Menu& m : ui.MenuBar()) {
        all += m.title + ":";
        for (const qp::MenuItem& i : m.items)
            all += " " + std::to_string(i.id) + "=" + i.caption + (!i.radio ? "" : i.checked ? "(x)" : "( )");
        all += "\n";
    }
    for (const std::string& t : ui.TabTitles()) all += t + ",";
    for (const qp::ListColumn& c : ui.Columns()) all += "\n" + c.title + std::to_string(c.width);
    EXPECT_EQ(all, "File: 1=&Load 2=Save 3=Save as... 6=Check references... 0= 16=Export for translation... "
                   "17=Import translation... 0= 4=&Quit\n"
                   "External data: 5=Reset file 8=Forget memory 0= 7=Build dictionaries...\n"
                   "Edit text: 9=Book 10=Class 11=Race 12=Skill 13=Birthsign 14=Dialogue 15=Journal\n"
                   "Code page: 30=1250 Central European( ) 31=1251 Cyrillic( ) 32=1252 Western(x)\n"
                   "?: 20=Help 0= 21=About\nCell,Region,Pgrd,Activator,Apparatus,Armor,Book,Cloth,"
                   "Container,Door,Ingredient,Creature,Spellmaking,Alchemy,Light,Lockpick,"
                   "Misc Item,Probe,Repair Item,Weapon,NPC,Race,Class,Birthsign,Faction,Topic,\n"
                   "F20\nID200\nFV Name248\nOV Name248");
    // Maximise, then restore: everything follows but the status field.
    std::string layouts = Layout(ui);
    for (auto [w, h] : {std::pair(1024, 768), std::pair(800, 600)}) {
        ui.PushSize(w, h);
        env.Run();
        layouts += "\n" + Layout(ui);
    }
    EXPECT_EQ(layouts, "5,0,790,560 10,15,780,540 1,1,774,513 200\n"
                       "5,0,1014,728 10,15,1004,708 0,0,998,681 200\n"
                       "5,0,790,560 10,15,780,540 0,0,774,513 200");
}

// The code page: read from Quillane.ini at start-up (a bad setting is the
// default), switched by its menu at once, kept only when it changes, and a
// file that cannot be written is told.
TEST(Shell, CodePageMenuAndItsSettingsFile) {
    Env env;
    const std::string kept = ";Quillane settings\r\n[Code page]\r\nCodePage = 1251\r\n";
    for (const auto& [file, codePage] : {std::pair{kept, 1251}, {"[code page]\nCODEPAGE=1250", 1250},
                                         {"[Code page]\r\nCodePage = 437\r\n", 1252}, {"", 1252}}) {
        WriteFile(env.dir / "Quillane.ini", file);
        qp::Startup();
        EXPECT_EQ(qp::gWs.codePage * 10000 + env.ui.CodePage(), codePage * 10001) << file;
    }
    fs::remove(env.dir / "Quillane.ini");
    qp::Startup();
    const auto before = DirSnapshot(env.dir);
    for (int id : {qp::kMenuCodePage1251, qp::kMenuCodePage1251}) env.ui.PushMenu(id);
    env.Run();
    std::string marks = std::to_string(env.ui.CodePage());
    const auto bar = env.ui.MenuBar();  // a copy: the loop must not outlive it
    for (const qp::MenuItem& i : bar[3].items) marks += i.checked ? "1" : "0";
    EXPECT_EQ(marks, "1251010");
    auto after = DirSnapshot(env.dir);
    EXPECT_EQ(after["Quillane.ini"], kept);
    after.erase("Quillane.ini");
    EXPECT_EQ(after, before) << "Voskconv.ini and the rest untouched";
    fs::remove(env.dir / "Quillane.ini");
    fs::create_directory(env.dir / "Quillane.ini");
    env.Menu(qp::kMenuCodePage1250);
    EXPECT_EQ(qp::gWs.codePage, 1250);
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_EQ(env.ui.Messages()[0].text.rfind("THE CODE PAGE COULD NOT BE KEPT", 0), 0u);
}

TEST(Shell, QuitAsksAndYesEndsWithoutWritingAFile) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "menu");
        Env env;
        WriteFile(env.Data("Gmstdata.dat"), Pairs({{"Yes", "Ja"}}));  // no advice about dictionaries
        auto quit = [&] { closeBox ? env.ui.PushClose(0) : env.ui.PushMenu(qp::kMenuQuit); };
        env.ui.PushAnswer(Answer::No);
        env.ui.PushAnswer(Answer::Yes);
        quit();
        env.ui.PushMenu(qp::kMenuAbout);  // served: No changed nothing
        quit();
        env.ui.PushMenu(qp::kMenuAbout);  // never served
        EXPECT_EQ(qp::RunQuillane(), 0);
        EXPECT_EQ(int(qp::gWs.quit), 1);
        qp::gWs.quit = 0;
        auto msgs = env.ui.Messages();
        ASSERT_EQ(msgs.size(), 3u);
        for (int i : {0, 2})
            EXPECT_EQ(Box(msgs[i]), Box({"QUIT", "LEAVE THE PROGRAM?", qp::Icon::Question,
                                         qp::Buttons::YesNo, i ? Answer::Yes : Answer::No}));
        EXPECT_EQ(msgs[1].title, "ABOUT");
        EXPECT_EQ(DirSnapshot(env.dir), (std::map<std::string, std::string>{
                                            {"data", "<dir>"},
                                            {"data/Gmstdata.dat", Pairs({{"Yes", "Ja"}})},
                                            {"dataextra", "<dir>"}}));
    }
}

// Rows flagged "*" and texts saved in the text edit dialog are named before a
// load or quit discards them, with No as the default; a save clears them, and
// the dialog marks the texts saved since the load.
TEST(Shell, UnsavedWorkIsNamedBeforeLoadAndQuitDiscardIt) {
    Env env;
    const std::string book = Book("bk1", "Old", {{"TEXT", "Hello"}});
    const std::string in = env.PutPlugin("in.esp", Plugin({book, Book("bk2", "Two")}));
    env.Load(in);
    EditName(env, qp::kListBook, 1, "Deux");
    env.Menu(qp::kMenuTextBook);
    env.ui.FocusDialogRow(qp::kCtlTextList, 0);
    env.ui.PushControl(qp::kCtlTextList, ControlAction::Click);
    env.Press(qp::kCtlTextCopy);
    env.ui.TypeText(qp::kCtlTranslationPane, "Bonjour");
    env.Press(qp::kCtlTextSave);
    EXPECT_EQ(env.ui.Control(qp::kCtlTextList).rows, (std::vector<std::string>{"* bk1", "bk2"}));
    EXPECT_EQ(env.ui.GetStatusText(qp::kStatusProgress), "Text saved : Book bk1");
    env.Press(qp::kCtlTextCancel);
    env.Menu(qp::kMenuTextBook);  // opened again: still marked
    EXPECT_EQ(env.ui.Control(qp::kCtlTextList).rows, (std::vector<std::string>{"* bk1", "bk2"}));
    env.Press(qp::kCtlTextCancel);

    const std::string unsaved = "UNSAVED : 1 EDITED ROW AND 1 EDITED TEXT.";
    env.ui.PushMenu(qp::kMenuQuit);  // no answer given: the default, No
    env.ui.PushClose(0);
    env.Load(env.PutPlugin("other.esp", Plugin({Book("bk9", "Nine")})));
    auto msgs = env.ui.Messages();
    ASSERT_EQ(msgs.size(), 3u);
    for (int i : {0, 1})
        EXPECT_EQ(Box(msgs[i]), Box({"QUIT", unsaved + "\rLEAVE THE PROGRAM?", qp::Icon::Question,
                                     qp::Buttons::YesNoDefaultNo, Answer::No}));
    EXPECT_EQ(Box(msgs[2]), Box({"QUESTION", unsaved + "\rLOAD ANOTHER PLUGIN AND LOSE THEM?",
                                 qp::Icon::Question, qp::Buttons::YesNoDefaultNo, Answer::No}));
    EXPECT_EQ(std::to_string(qp::gWs.quit) + "|" + qp::gWs.fileInUse, "0|" + in);
    EXPECT_EQ(env.ui.Rows(qp::kListBook)[1][0], "*");

    env.SaveAs((env.dir / "out.esp").string());  // nothing unsaved now: the old question
    env.ui.PushAnswer(Answer::No);
    env.Menu(qp::kMenuQuit);
    EXPECT_EQ(Box(env.ui.Messages().back()), Box({"QUIT", "LEAVE THE PROGRAM?", qp::Icon::Question,
                                                   qp::Buttons::YesNo, Answer::No}));
    EditName(env, qp::kListBook, 0, "Un");
    env.ui.PushAnswer(Answer::Yes);  // Yes discards, as a load always did
    env.Load(env.PutPlugin("other.esp", Plugin({Book("bk9", "Nine")})));
    EXPECT_EQ(env.ui.Messages().back().text, "UNSAVED : 1 EDITED ROW.\rLOAD ANOTHER PLUGIN AND LOSE THEM?");
    EXPECT_EQ(qp::FileNamePart(qp::gWs.fileInUse), "other.esp");
    EXPECT_EQ(qp::CountUnsavedWork().Any(), false);
}

// Load and Save as open in the folder stored last when it exists, else in
// the program directory's plugins folder; Save as proposes another name than
// the loaded plugin's.
TEST(Shell, RequestersOpenInTheStoredFolderElseThePluginsFolder) {
    Env env;
    const std::string plugins = qp::ResolvePath("plugins");
    const std::string in = env.PutPlugin("in.esp", Plugin({Book("bk1", "One")}));
    env.Load(in);  // nothing stored yet
    env.SaveAs("");
    fs::create_directory(env.dir / "out");
    env.SaveAs((env.dir / "out" / "x.esp").string());
    env.Load("");
    env.SaveAs("");
    fs::remove_all(env.dir / "out");  // a stored folder that is gone
    env.SaveAs("");
    std::vector<std::string> seen;
    for (const auto& r : env.ui.Requesters()) seen.push_back(r.folder + "|" + r.fileName);
    EXPECT_EQ(seen, (std::vector<std::string>{plugins + "|", plugins + "|in_converted.esp",
                                              plugins + "|in_converted.esp", qp::FolderPart(in) + "|",
                                              qp::FolderPart(qp::gWs.fileInUse) + "|x_converted.esp",
                                              plugins + "|x_converted.esp"}));
}

// Dictionaries that hold no pair convert nothing: the first start says, once,
// what to do about it.
TEST(Shell, FirstStartWithEmptyDictionariesSaysOnceWhatToDo) {
    Env env;
    for (int start = 0; start < 2; ++start) EXPECT_EQ(qp::RunQuillane(), 0);
    EXPECT_EQ(Shown(env.ui), (std::vector<std::string>{
                                 "INFORMATION/1/THE DICTIONARIES IN " + (env.dir / "data").string() +
                                 " HOLD NO PAIR: NOTHING WILL BE CONVERTED.\r\rBUILD THEM FROM THE TWO LANGUAGE "
                                 "VERSIONS OF THE GAME'S MASTERS\rWITH \"External data\" > \"Build dictionaries...\", "
                                 "OR COPY A SET OF DICTIONARIES INTO data\\."}));
    EXPECT_NE(ReadFile(env.dir / "Quillane.ini").find("[First start]\r\nDictionaryAdvice = given\r\n"),
              std::string::npos);
}

TEST(Shell, AboutAndHelp) {
    Env env;
    env.ui.PushMenu(qp::kMenuAbout);
    env.Run();
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    const qp::ShownMessage about = env.ui.Messages()[0];
    EXPECT_EQ(Box(about), Box({"ABOUT", about.text, qp::Icon::None, qp::Buttons::Ok}));
    EXPECT_TRUE(std::regex_search(about.text, std::regex("^QUILLANE\r([^\r]*\r)* +V3\\.03a(\r|$)")))
        << about.text;
    EXPECT_TRUE(env.ui.HelpOpened().empty());

    // The manual of the program directory, else the one an installed program
    // shares; in the viewer, else as HTML pages in the browser; when nothing
    // opens it, a message says where it is.
    const std::string shared = (env.dir / "share").string() + "/";
    qp::gWs.env.installedData = shared;
    const std::string chm = "Vosk.chm", index = "manual\\index.html";
    const std::string told = "INFORMATION/1/NO PROGRAM HERE CAN OPEN THE MANUAL.\rYOU FIND IT HERE :\r";
    struct Case {
        bool viewer, browser;
        std::string files, opened, message;
    } const cases[] = {
        {true, true, "", qp::ResolvePath(chm), ""},
        {true, true, "share/Vosk.chm share/manual/index.html", qp::NativePath(shared, chm), ""},
        {false, true, "share/Vosk.chm", "", told + qp::NativePath(shared, chm)},
        {false, true, "", "", told + qp::ResolvePath(index)},
        {false, true, "Vosk.chm share/manual/index.html", qp::NativePath(shared, index), ""},
        {false, true, "manual/index.html share/manual/index.html", qp::ResolvePath(index), ""},
        {false, false, "Vosk.chm manual/index.html", "", told + qp::ResolvePath(index)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.viewer) + std::to_string(c.browser) + " " + c.files);
        for (const char* old : {"share", "manual", "Vosk.chm"}) fs::remove_all(env.dir / old);
        std::istringstream names(c.files);
        for (std::string f; names >> f;) WriteFile(env.dir / f, "page");
        const size_t before = env.ui.HelpOpened().size(), messages = env.ui.Messages().size();
        env.ui.SetHelpViewer(c.viewer);
        env.ui.SetBrowser(c.browser);
        qp::Startup();
        env.Menu(qp::kMenuHelp);
        const auto shown = env.ui.HelpOpened();
        EXPECT_EQ(shown.size() > before ? shown.back() : "", c.opened);
        const auto all = Shown(env.ui);
        EXPECT_EQ(all.size() > messages ? all.back() : "", c.message);
    }
}

// "quillane FILE.esp": the plugin is loaded right after start-up as "&Load"
// loads it, refusals included, only without the requester; a relative name
// is taken from the folder the program was started in.
TEST(Shell, PluginNamedOnTheCommandLine) {
    const fs::path in = fs::temp_directory_path() / ("quillane-named-" + std::to_string(::getpid()));
    WriteFile(in / "good.esp", TwoCells("Beta", "Alpha"));
    WriteFile(in / "bad.esp", TwoCells("Beta", "Alpha").substr(0, 30));
    using Outcome = std::tuple<std::vector<std::string>, std::vector<qp::Row>, std::string, size_t, std::string>;
    auto outcome = [](qp::HeadlessPlatform& ui, const fs::path& dir) {
        return Outcome{Shown(ui), ui.Rows(qp::kListCell), EnabledMenus(ui), ui.Requesters().size(),
                       ReadFile(dir / "Voskconv.ini")};
    };
    for (const std::string name : {"good.esp", "bad.esp", "missing.esp"}) {
        const std::string path = (in / name).string();
        Outcome byMenu, byName;
        {
            Env env;
            env.Load(path);
            byMenu = outcome(env.ui, env.dir);
        }
        {
            Env env;
            WriteFile(env.dir / "Quillane.ini", "[First start]\r\nDictionaryAdvice = given\r\n");
            qp::gWs.env.startupPlugin = fs::proximate(path).string();
            qp::RunQuillane();
            qp::gWs.env.startupPlugin.clear();
            byName = outcome(env.ui, env.dir);
        }
        std::get<3>(byMenu) -= 1;  // the requester
        EXPECT_EQ(byName, byMenu) << name;
        EXPECT_EQ(std::get<0>(byName).empty(), name == "good.esp") << name;
    }
    // Two plugins named: the first is loaded, the second is said not to be.
    {
        Env env;
        WriteFile(env.dir / "Quillane.ini", "[First start]\r\nDictionaryAdvice = given\r\n");
        const std::string good = (in / "good.esp").string();
        EXPECT_EQ(qp::TakeCommandLine({good, "b.esp"}), -1);
        qp::RunQuillane();
        qp::TakeCommandLine({});
        EXPECT_EQ(Shown(env.ui), std::vector<std::string>{"INFORMATION/1/ONE PLUGIN IS LOADED AT A TIME. ONLY THE "
                                                          "FIRST ONE NAMED IS:\r" + good + "\rNOT LOADED:\rb.esp"});
        EXPECT_EQ(env.ui.Rows(qp::kListCell).size(), 2u);
    }
    // Options: the usage, and no file of that name is looked for.
    for (const auto& [arg, code] : {std::pair{"--help", 0}, {"-h", 0}, {"--bogus", 1}}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(qp::TakeCommandLine({"a.esp", arg}), code) << arg;
        const std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
        EXPECT_NE((code ? err : out).find("usage: quillane [PLUGIN]\n"), std::string::npos) << arg << err;
    }
    qp::TakeCommandLine({});
    fs::remove_all(in);
}

// While a Load waits in its requester: a double click shows the in-progress
// box, header clicks do nothing and no second command starts.
TEST(Shell, WhileACommandRuns) {
    Env env;
    env.Load(env.PutPlugin("a.esp", TwoCells("Beta", "Alpha")));
    env.ui.ListSelectRow(qp::kListCell, 0);
    const int fills = env.ui.ListSetRowsCalls(qp::kListCell);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> requesters{0};
    env.ui.waitForWorker = false;
    env.ui.onRequester = [&](const qp::ShownRequester&) {
        ++requesters;
        released.wait_for(std::chrono::seconds(20));
        return std::string();
    };
    const int kMarker = 999;  // an id nobody handles: the worker may go on after 1..3
    env.ui.onEvent = [&](const qp::Event& ev) {
        if (ev.kind == qp::EventKind::Menu && ev.id == kMarker) release.set_value();
    };
    env.ui.PushMenu(qp::kMenuLoad);
    env.ui.PushControl(qp::kListCell, ControlAction::Activate);
    env.ui.PushHeaderClick(qp::kListCell, 1);
    for (int id : {1, 2, 3, kMarker}) env.ui.PushMenu(id);
    env.Run();
    env.ui.onEvent = nullptr;
    env.ui.onRequester = nullptr;
    env.ui.waitForWorker = true;
    ASSERT_EQ(env.ui.Messages().size(), 1u);
    EXPECT_EQ(Box(env.ui.Messages()[0]),
              Box({"INFORMATION", "LOAD/SAVE IN PROGRESS.\r              PLEASE WAIT!",
                   qp::Icon::Stop, qp::Buttons::Ok}));
    EXPECT_FALSE(env.ui.IsDialogOpen(1));
    EXPECT_EQ(requesters.load(), 1) << "a second command started";
    EXPECT_EQ(env.ui.ListSetRowsCalls(qp::kListCell), fills) << "a header click sorted";
    EXPECT_EQ(int(qp::gWs.busy) + int(qp::gWs.finished), 0);

    // Header clicks are ignored while the name edit dialog is open too.
    env.ui.PushControl(qp::kListCell, ControlAction::Activate);
    env.ui.PushHeaderClick(qp::kListCell, 1);
    env.Run();
    ASSERT_TRUE(env.ui.IsDialogOpen(1));
    const std::string first = env.ui.Rows(qp::kListCell)[0][1];
    env.ui.PushClose(1);
    env.ui.PushHeaderClick(qp::kListCell, 1);
    env.Run();
    EXPECT_EQ(first + " " + env.ui.Rows(qp::kListCell)[0][1], "Beta Alpha");
}

// A worker that cannot start leaves everything clear; then two Loads in one
// run of the loop: the second start meets the finished flag of the first.
TEST(Shell, WorkerThatCannotStartThenTwoLoads) {
    Env env;
    env.ui.failNextWorker = true;
    env.Menu(qp::kMenuLoad);
    const auto shown = Shown(env.ui);
    EXPECT_EQ(shown.size() == 1 ? shown[0].substr(0, 14) : "", "INFORMATION/4/");  // a stop box
    EXPECT_EQ(int(qp::gWs.busy) + int(qp::gWs.finished), 0);
    const std::string paths[] = {env.PutPlugin("a.esp", TwoCells("A1", "A2")),
                                 env.PutPlugin("b.esp", TwoCells("B1", "B2"))};
    std::vector<int> flags;  // busy and finished as each requester opens
    env.ui.onRequester = [&](const qp::ShownRequester&) {
        flags.insert(flags.end(), {int(qp::gWs.busy), int(qp::gWs.finished)});
        return paths[flags.size() / 2 - 1];
    };
    for (int i = 0; i < 2; ++i) env.ui.PushMenu(qp::kMenuLoad);
    env.Run();
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(env.ui.Rows(qp::kListCell).at(0)[2] + "|" + env.ui.GetStatusText(0), "B1|File : b.esp");
    EXPECT_EQ(int(qp::gWs.busy) + env.ui.Messages().size(), 1u) << "not busy, nothing more shown";
}

#ifndef _WIN32
// Where the program keeps its files: beside an executable that has a data
// folder or no installed demo (a build, an unzipped folder); for an installed
// one (<prefix>/bin beside <prefix>/share/quillane/demo) in a folder of the
// user's own, each demo folder it lacks copied in, nothing there touched.
TEST(Shell, ProgramDirectoryOfAnInstalledProgram) {
    Env env;
    const fs::path r = env.dir;
    const fs::path demo = r / "usr/share/quillane/demo";
    for (const auto& [file, bytes] : {std::pair{"data/Celldata.dat", "demo"}, {"plugins/p.esp", "esp"},
                                      {"cyrillic/data/Celldata.dat", "cyr"}, {"source/en.esp", "src"}})
        WriteFile(demo / file, bytes);
    for (const fs::path& d : {demo / "dataextra", r / "usr/bin", r / "portable/data", r / "share/quillane/demo",
                             r / "x/lone", r / "home"})
        fs::create_directories(d);
    WriteFile(r / "file", "not a folder");
    const char* saved[] = {std::getenv("XDG_DATA_HOME"), std::getenv("HOME")};
    const std::string savedXdg = saved[0] ? saved[0] : "", savedHome = saved[1] ? saved[1] : "";
    auto init = [&](const char* xdg, const fs::path& home, const fs::path& exe) {
        xdg ? setenv("XDG_DATA_HOME", xdg, 1) : unsetenv("XDG_DATA_HOME");
        setenv("HOME", home.c_str(), 1);
        auto failed = qp::InitProgramDirectoryFrom(exe.string());
        const auto& warned = qp::gWs.env.programDirWarning;
        return qp::ProgramDirectory() + "|" + qp::InstalledDataDirectory() + "|" + (failed ? failed->text : "") +
               (warned ? "|" + warned->text : "");
    };
    const std::string xdg = (r / "xdg").string(), usr = (r / "usr").string() + "/";
    EXPECT_EQ(init(xdg.c_str(), r / "home", r / "portable"), (r / "portable").string() + "/||");
    EXPECT_EQ(init(xdg.c_str(), r / "home", r / "x/lone"), (r / "x/lone").string() + "/||");
    EXPECT_EQ(init(xdg.c_str(), r / "home", r / "usr/bin"), xdg + "/quillane/|" + usr + "share/quillane/|");
    const std::map<std::string, std::string> seeded = {
        {"data", "<dir>"}, {"data/Celldata.dat", "demo"}, {"dataextra", "<dir>"}, {"plugins", "<dir>"},
        {"plugins/p.esp", "esp"}, {"demo-cyrillic", "<dir>"}, {"demo-cyrillic/data", "<dir>"},
        {"demo-cyrillic/data/Celldata.dat", "cyr"}};
    EXPECT_EQ(DirSnapshot(r / "xdg/quillane"), seeded);
    // The user's changes stay; only a whole folder that went is copied again,
    // and a folder of the user's beside it, whatever its name, stays as it is.
    WriteFile(r / "xdg/quillane/data/Celldata.dat", "mine");
    fs::remove(r / "xdg/quillane/plugins/p.esp");
    fs::remove_all(r / "xdg/quillane/demo-cyrillic");
    fs::remove_all(r / "xdg/quillane/dataextra");
    WriteFile(r / "xdg/quillane/dataextra.part/MyWork.esp", "mine");
    init(xdg.c_str(), r / "home", r / "usr/bin");
    auto changed = seeded;
    changed["data/Celldata.dat"] = "mine";
    changed.erase("plugins/p.esp");
    changed.insert({{"dataextra.part", "<dir>"}, {"dataextra.part/MyWork.esp", "mine"}});
    EXPECT_EQ(DirSnapshot(r / "xdg/quillane"), changed);
    // A file where a folder is to go: said what is in the way and what to do.
    fs::remove_all(r / "xdg/quillane/plugins");
    WriteFile(r / "xdg/quillane/plugins", "mine");
    EXPECT_EQ(init(xdg.c_str(), r / "home", r / "usr/bin"),
              xdg + "/quillane/|" + usr + "share/quillane/|THE PROGRAM DIRECTORY COULD NOT BE PREPARED:\r" + xdg +
                  "/quillane/plugins\rcannot copy (a file of that name is in the way: move or rename it, and "
                  "the folder is made at the next start)");
    // A relative XDG_DATA_HOME counts for none: ~/.local/share, and said.
    EXPECT_EQ(init("relative", r / "home", r / "usr/bin"),
              (r / "home/.local/share/quillane/").string() + "|" + usr + "share/quillane/||A RELATIVE PATH IN "
              "THE ENVIRONMENT WAS IGNORED:\rXDG_DATA_HOME=relative\rTHE PROGRAM DIRECTORY IS:\r" +
              (r / "home/.local/share/quillane/").string());
    EXPECT_EQ(DirSnapshot(r / "home/.local/share/quillane"), seeded);
    // A relative HOME names no folder: nothing is made under the current one.
    const std::string relative = init(nullptr, "home", r / "usr/bin");
    EXPECT_EQ(relative.substr(relative.find("|THE")), "|THE PROGRAM DIRECTORY COULD NOT BE PREPARED:\rquillane\r"
              "the environment names no folder for the user's own files but HOME=home, which is not a full path");
    EXPECT_FALSE(fs::exists("home"));
    // A home that cannot hold the folder: said once the window is up.
    const std::string refused = init(nullptr, r / "file", r / "usr/bin");
    EXPECT_EQ(refused.substr(0, refused.find("\rcannot make the folder (")),
              (r / "file/.local/share/quillane/").string() + "|" + usr +
                  "share/quillane/|THE PROGRAM DIRECTORY COULD NOT BE PREPARED:\r" +
                  (r / "file/.local/share/quillane/").string());
    qp::RunQuillane();
    ASSERT_EQ(Shown(env.ui).size(), 1u);
    EXPECT_EQ(Shown(env.ui)[0], "INFORMATION/4/" + refused.substr(refused.find("THE PROGRAM")));
    saved[0] ? setenv("XDG_DATA_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    saved[1] ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}
#endif

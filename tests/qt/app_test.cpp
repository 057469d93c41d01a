// The whole program on the Qt window system, driven through the widgets as a
// user would: start-up, a load of a corpus plugin and a name edit in the real dialog.
#include <cstdio>  // the screenshot session reports on stderr
#include <filesystem>

#include "app/app.h"
#include "base/workspace.h"
#include "base/paths.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "qt_fixture.h"
#include "../test_support.h"

using namespace qp;

namespace {

using Step = std::pair<std::string, std::function<bool()>>;

std::string Corpus(const std::string& name) {
    return (std::filesystem::path(QUILLANE_CORPUS_DIR) / name).string();
}

class QtProgram : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        SetProgramDirectory(dir_.path().toStdString() + "/");
        ui->helpViewer.clear();
    }
    // Runs the program while a timer in its loop takes the steps in turn (true: done);
    // one stuck for a minute ends the program, so that the test fails, not hangs.
    int RunSteps(const std::vector<Step>& steps) {
        size_t next = 0;
        bool busy = false;
        QTimer timer;
        QElapsedTimer clock;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (busy || next >= steps.size()) return;
            busy = true;
            if (steps[next].second()) {
                ++next;
                clock.restart();
            } else if (clock.elapsed() > 60000) {
                ADD_FAILURE() << "stuck at " << steps[next].first;
                next = steps.size();
                delete ui->MainWidget();  // WaitEvent then ends the program
            }
            busy = false;
        });
        clock.start();
        timer.start(10);
        return RunQuillane();
    }
    Step LoadStep(const std::string& plugin) {
        ui->requesterHook = [plugin](const RequesterRequest&) { return plugin; };
        return {"load", [this] { return ui->MenuAction(kMenuLoad)->trigger(), true; }};
    }
    Step QuitStep() {
        return {"quit", [this] { return ui->MenuAction(kMenuQuit)->trigger(), true; }};
    }
    QTabWidget* Tabs() { return qobject_cast<QTabWidget*>(ui->ControlWidget(kCtlTabs)); }
    bool LoadDone() { return gWs.busy == 0 && ui->IsMenuItemEnabled(kMenuSave); }
    void ClickRow(int control, int row, int column, bool twice = false) {
        View(control)->scrollTo(View(control)->model()->index(row, column));
        QCoreApplication::processEvents();
        const QPoint at = RowPoint(control, row, column);
        QTest::mouseClick(View(control)->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(View(control)->viewport(), Qt::LeftButton, {}, at);
    }
    void DoubleClickRow(int list, int row) {
        Tabs()->setCurrentIndex(list - kFirstList);
        ClickRow(list, row, 1, true);
    }
    // A row that the name edit dialog lets the user change.
    static std::pair<int, int> EditableRow() {
        for (int g = kFirstList; g <= kLastList; ++g)
            for (size_t r = 0; r < gWs.nameLists[g].size(); ++r)
                if (auto& e = gWs.nameLists[g][r]; e.flag.empty() && !e.id.empty()) return {g, int(r)};
        return {-1, -1};
    }

    QTemporaryDir dir_;
};

}  // namespace

// A name edit through the dialog is in the two tests below.
TEST_F(QtProgram, LoadFillsEveryTabWithItsList) {
    const std::string plugin = Corpus("tes3rs_all_types.esp");
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    EXPECT_EQ(RunSteps({LoadStep(plugin), {"loaded", [&] { return LoadDone(); }}, QuitStep()}), 0);
    for (int list = kFirstList; list <= kLastList; ++list)
        EXPECT_EQ(ui->ListGetRows(list), qt_test::EntryRows(list)) << list;
}

// Start-up leaves on only what an empty session can do. With a filter on, the
// view rows are not the list rows: a double click on the second row shown edits
// the list row behind it, a sort sorts every row, and a save stores the edited
// row the filter hides.
TEST_F(QtProgram, StartsEmptyThenFilteredViewsEditSortAndSaveWholeListRows) {
    using namespace qt_test;
    std::string off;  // the menu items off at start-up
    std::string counter;  // the name edit's byte counter as the user typed
    auto look = [&] {
        if (!ui->MenuAction(kMenuEdit)) return false;
        for (int id : {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 20, 21, 25})
            if (!ui->IsMenuItemEnabled(id)) off += std::to_string(id) + " ";
        return true;
    };
    const std::string dir = dir_.path().toStdString(), plugin = dir + "/mod.esp";
    WriteFile(dir + "/data/Bookdata.dat", Pairs({{"Red Book", "Rotes Buch"}}));
    WriteFile(plugin, Plugin({Book("bk_a", "Red Book"), Book("bk_b", "Blue Scroll"),
                              Book("bk_c", "Red Scroll"), Book("bk_d", "Green Book")}));
    auto type = [&](const char* text) {
        QTest::keyClick(ui->MainWidget(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(ui->ControlWidget(kCtlFilterField), text);
        return true;
    };
    auto shows = [&](const std::string& ids) {  // the IDs the view shows
        std::string s;
        QAbstractItemModel* m = View(kListBook)->model();
        for (int r = 0; r < m->rowCount(); ++r) s += m->index(r, kColId).data().toString().toStdString() + " ";
        return s == ids;
    };
    EXPECT_EQ(RunSteps({{"start-up", look}, LoadStep(plugin),
                        {"loaded", [&] { return LoadDone() && type("scroll"); }},
                        {"filtered", [&] { return shows("bk_b bk_c ") && (DoubleClickRow(kListBook, 1), true); }},
                        {"name edit",
                         [&] {
                             if (!ui->IsDialogOpen(1)) return false;
                             // Typed over the selected OV Name, counted, and Enter is OK.
                             auto* field = qobject_cast<QLineEdit*>(ui->ControlWidget(kCtlOvField));
                             EXPECT_TRUE(field->hasFocus());
                             QTest::keyClicks(field, "Rote Rolle");
                             return true;
                         }},
                        {"counted",
                         [&] {
                             counter = ui->GetControlText(kCtlOvCount);
                             if (counter != "10 / 31") return false;
                             QTest::keyClick(ui->ControlWidget(kCtlOvField), Qt::Key_Return);
                             return true;
                         }},
                        {"sort",
                         [&] {
                             if (ui->IsDialogOpen(1)) return false;
                             QHeaderView* h = View(kListBook)->horizontalHeader();
                             QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                                               QPoint(h->sectionViewportPosition(kColFv) + 20, 5));
                             return true;
                         }},
                        {"sorted", [&] { return shows("bk_b bk_c ") && type("green"); }},
                        {"save", [&] { return shows("bk_d ") && (ui->MenuAction(kMenuSave)->trigger(), true); }},
                        {"saved", [&] { return gWs.busy == 0 && ui->IsMenuItemEnabled(kMenuSave); }},
                        QuitStep()}),
              0);
    EXPECT_EQ(off, "2 3 9 10 11 12 13 25 ");
    std::string ids;
    for (const NameEntry& e : gWs.nameLists[kListBook]) ids += e.flag + e.id + "=" + e.ov + " ";
    EXPECT_EQ(ids, "bk_b=Blue Scroll bk_d=Green Book Lbk_a=Rotes Buch Tbk_c=Rote Rolle ");
    EXPECT_EQ(ui->ListGetRows(kListBook), EntryRows(kListBook));
    EXPECT_NE(ReadFile(plugin).find(Z("Rote Rolle")), std::string::npos);
    EXPECT_EQ(ui->GetControlText(kCtlFilterCount), "1 of 4 rows in 1 tab");
}

// A mod converted into Russian (1251) and into Polish (1250), each in the code
// page Quillane.ini names: the views show the converted names as Unicode, a
// name typed in the language's script is stored as the code page's bytes and
// counted in them (31 letters pass, 32 do not).
TEST_F(QtProgram, NamesShownAndTypedInTheCodePageOfTheLanguage) {
    struct Case {
        int cp;
        const char* tower;  // "Balmora Tower" in the dictionary
        const char* guard;  // a word to type
    } cases[] = {{1251, "Башня Балмора", "Стражник"}, {1250, "Wieża Łódź", "Strażnik"}};
    using namespace qt_test;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cp);
        auto bytes = [&](const QString& text) {
            std::string b;
            EXPECT_TRUE(FromUtf8(c.cp, text.toStdString(), b));
            return b;
        };
        const std::string dir = dir_.path().toStdString();
        WriteFile(dir + "/Quillane.ini", "[Code page]\r\nCodePage = " + std::to_string(c.cp) + "\r\n");
        WriteFile(dir + "/data/Celldata.dat", Pairs({{"Balmora Tower", bytes(c.tower)}}));
        const std::string plugin = dir + "/mod.esp";
        WriteFile(plugin, Plugin({Record("CELL", {{"NAME", Z("Balmora Tower")}}), Object("NPC_", "g", "Guard")}));
        QString name = QString::fromUtf8(c.guard);
        while (name.size() < 32) name += " " + QString::fromUtf8(c.guard);
        QLineEdit* field = nullptr;
        QString shown;
        messages.clear();
        EXPECT_EQ(RunSteps({LoadStep(plugin),
                            {"loaded",
                             [&] {
                                 if (!LoadDone()) return false;
                                 shown = View(kListCell)->model()->index(0, kColOv).data().toString();
                                 DoubleClickRow(kListNpc, 0);
                                 return true;
                             }},
                            {"32 letters",
                             [&] {
                                 if (!ui->IsDialogOpen(1)) return false;
                                 field = qobject_cast<QLineEdit*>(ui->ControlWidget(kCtlOvField));
                                 field->selectAll();
                                 field->insert(name.left(32));  // as typed: the field checks it
                                 QTest::mouseClick(ui->ControlWidget(kCtlOk), Qt::LeftButton);
                                 return true;
                             }},
                            {"31 letters",
                             [&] {
                                 if (messages.empty()) return false;
                                 QTest::keyClick(field, Qt::Key_Backspace);
                                 return true;
                             }},
                            {"counted in the code page",
                             [&] {
                                 if (ui->GetControlText(kCtlOvCount) != "31 / 31") return false;
                                 QTest::mouseClick(ui->ControlWidget(kCtlOk), Qt::LeftButton);
                                 return true;
                             }},
                            {"stored", [&] { return !ui->IsDialogOpen(1); }},
                            QuitStep()}),
                  0);
        EXPECT_EQ(shown, QString::fromUtf8(c.tower));
        ASSERT_EQ(messages.size(), 2u);  // and the question before quitting, which names the edit
        EXPECT_EQ(messages[0].text, "The name has more than 31 characters.");
        EXPECT_EQ(messages[1].text, "UNSAVED : 1 EDITED ROW.\rLEAVE THE PROGRAM?");
        EXPECT_EQ(messages[1].buttons, Buttons::YesNoDefaultNo);
        EXPECT_EQ(gWs.nameLists[kListNpc].at(0).ov, bytes(name.left(31)));
        EXPECT_EQ(ui->ListGetText(kListNpc, 0, kColOv), bytes(name.left(31)));
    }
}

// "External data" > "Build dictionaries..." in the real window: a pair added
// through the two requesters, the build on the worker, the report and its
// code page button. With QUILLANE_SHOTS_DIR set, pictures of both dialogs.
TEST_F(QtProgram, BuildDictionariesDialogAndItsReport) {
    using namespace qt_test;
    const std::string dir = dir_.path().toStdString();
    std::string guard;
    ASSERT_TRUE(FromUtf8(1251, "Стражник", guard));
    WriteFile(dir + "/m.esm", Plugin({Object("NPC_", "a", "Guard"), Object("MISC", "c", "Cup")}));
    WriteFile(dir + "/m_ov.esm", Plugin({Object("NPC_", "a", guard), Object("MISC", "c", "Kruzhka")}));
    std::vector<std::string> titles;
    ui->requesterHook = [&](const RequesterRequest& r) {
        titles.push_back(r.title);
        return dir + (titles.size() % 2 ? "/m.esm" : "/m_ov.esm");
    };
    const QString shots = qEnvironmentVariable("QUILLANE_SHOTS_DIR");
    QElapsedTimer settle;
    auto shot = [&](const char* name) {
        if (shots.isEmpty()) return true;
        if (!settle.isValid()) settle.start();
        if (settle.elapsed() < 700) return false;
        settle.invalidate();
        const QString file = shots + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return QProcess::execute(QStringLiteral("import"), {"-window", "root", file}) == 0;
        return QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    };
    auto press = [&](int control) { return QTest::mouseClick(ui->ControlWidget(control), Qt::LeftButton), true; };
    EXPECT_EQ(RunSteps({{"open", [&] { return ui->MenuAction(kMenuBuildDictionaries)->trigger(), true; }},
                        {"add", [&] { return ui->IsDialogOpen(kWindowBuild) && press(kCtlBuildAdd); }},
                        {"added", [&] { return View(kCtlBuildPairs)->model()->rowCount() == 1 && shot("3-build-dialog"); }},
                        {"build", [&] { return press(kCtlBuildRun); }},
                        {"report", [&] { return ui->IsDialogOpen(kWindowCheck) && !gWs.busy && shot("3-build-report"); }},
                        {"code page", [&] { return press(kCtlCheckCodePage); }},
                        {"close", [&] { return gWs.codePage == 1251 && press(kCtlCheckClose); }},
                        QuitStep()}),
              0);
    EXPECT_EQ(titles, (std::vector<std::string>{"First version (FV): the master or plugin before conversion",
                                                 "Other version (OV) of m.esm: the same file after conversion"}));
    EXPECT_EQ(ReadFile(dir + "/data/Npc_data.dat"), Pairs({{"Guard", guard}}));
    EXPECT_FALSE(ui->IsDialogOpen(kWindowBuild));
}

namespace {
// Not a test: the scripted session of scripts/screenshots.
#include "../../scripts/screenshots_session.inc"
}  // namespace

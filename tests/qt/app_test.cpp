// The whole program on the Qt window system, driven through the widgets as a
// user would: start-up, a load of a corpus plugin, a name edit and a long-text
// edit through the real dialogs.
#include <QtWidgets>
#include <QTest>
#include <cstdio>  // the screenshot session reports on stderr
#include <filesystem>

#include "app/app.h"
#include "app/globals.h"
#include "platform/files.h"
#include "qt_fixture.h"

using namespace qp;

namespace {

using Step = std::pair<std::string, std::function<bool()>>;

std::string Corpus(const std::string& name) { return (std::filesystem::path(QUILLANE_CORPUS_DIR) / name).string(); }

class QtProgram : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ASSERT_TRUE(dir_.isValid());
        SetProgramDirectory(dir_.path().toStdString() + "/");
        ui->helpViewer.clear();
    }
    // Runs the program while a timer inside its event loop takes the steps one
    // after another; a step returns true when done. A step stuck for a minute
    // ends the program, so that the test fails instead of hanging.
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
        ui->requesterHook = [this, plugin](const RequesterRequest& r) {
            requesters_.push_back(r);
            return plugin;
        };
        return {"load", [this] { return ui->MenuAction(kMenuLoad)->trigger(), true; }};
    }
    QTabWidget* Tabs() { return qobject_cast<QTabWidget*>(ui->ControlWidget(kCtlTabs)); }
    QTableView* View(int control) { return qobject_cast<QTableView*>(ui->ControlWidget(control)); }
    bool LoadDone() { return gBusy == 0 && ui->IsMenuItemEnabled(kMenuSave); }
    void ClickRow(int control, int row, int column, bool twice = false) {
        QTableView* v = View(control);
        v->scrollTo(v->model()->index(row, column));
        QCoreApplication::processEvents();
        QPoint at = v->visualRect(v->model()->index(row, column)).center();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
    }
    void DoubleClickRow(int list, int row) {
        Tabs()->setCurrentIndex(list - kFirstList);
        ClickRow(list, row, 1, true);
    }
    Step QuitStep() {
        return {"quit", [this] {
                    answer = Answer::Yes;
                    return ui->MenuAction(kMenuQuit)->trigger(), true;
                }};
    }
    // A row that the name edit dialog lets the user change.
    static std::pair<int, int> EditableRow() {
        for (int g = kFirstList; g <= kLastList; ++g)
            for (size_t r = 0; r < gNameLists[g].size(); ++r)
                if (gNameLists[g][r].flag.empty() && !gNameLists[g][r].id.empty()) return {g, int(r)};
        return {-1, -1};
    }

    QTemporaryDir dir_;
    std::vector<RequesterRequest> requesters_;
};

}  // namespace

TEST_F(QtProgram, StartsWithTheMenusOfAnEmptySessionAndQuitsOnYes) {
    std::map<int, bool> states;
    EXPECT_EQ(RunSteps({{"start-up",
                         [&] {
                             if (!ui->MenuAction(kMenuEdit)) return false;
                             for (int id : {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 20, 21, 25})
                                 states[id] = ui->IsMenuItemEnabled(id);
                             answer = Answer::No;
                             ui->MainWidget()->close();  // the close box asks; No keeps going
                             return true;
                         }},
                        {"asked", [&] { return messages.size() == 1; }},
                        QuitStep()}),
              0);
    for (int id : {1, 4, 5, 20, 21}) EXPECT_TRUE(states[id]) << id;
    for (int id : {2, 3, 9, 10, 11, 12, 13, 25}) EXPECT_FALSE(states[id]) << id;
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "QUIT");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
    int w = 0, h = 0;
    ui->GetMainWindowSize(w, h);
    EXPECT_EQ(QSize(w, h), QSize(800, 600));
    EXPECT_EQ(ui->GetStatusText(0), "File :");
}

TEST_F(QtProgram, LoadFillsTheTabsAndANameEditGoesThroughTheDialog) {
    const std::string plugin = Corpus("tes3rs_all_types.esp");
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    const std::string newName = "Neu \x81\x8D\xE9\x80\x01\x7F";  // bytes a careless widget would lose
    int g = -1, r = -1;
    EXPECT_EQ(RunSteps({LoadStep(plugin),
                        {"loaded",
                         [&] {
                             if (!LoadDone()) return false;
                             std::tie(g, r) = EditableRow();
                             if (g >= 0) DoubleClickRow(g, r);
                             return true;
                         }},
                        {"name edit",
                         [&] {
                             if (g >= 0 && !ui->IsDialogOpen(1)) return false;
                             if (g < 0) return true;
                             EXPECT_EQ(ui->DialogWidget(1)->windowTitle().toStdString(), TabTitle(g));
                             EXPECT_EQ(ui->GetControlText(kCtlIdField), gNameLists[g][size_t(r)].id);
                             EXPECT_EQ(ui->GetControlText(kCtlFvField), gNameLists[g][size_t(r)].fv);
                             EXPECT_FALSE(ui->IsMenuItemEnabled(kMenuLoad));
                             auto* field = qobject_cast<QLineEdit*>(ui->ControlWidget(kCtlOvField));
                             field->selectAll();
                             QTest::keyClicks(field, "Typed");
                             EXPECT_EQ(ui->GetControlText(kCtlOvField), "Typed");
                             ui->SetControlText(kCtlOvField, newName);
                             QTest::mouseClick(ui->ControlWidget(kCtlOk), Qt::LeftButton);
                             return true;
                         }},
                        {"edited", [&] { return !ui->IsDialogOpen(1); }},
                        QuitStep()}),
              0);
    ASSERT_EQ(requesters_.size(), 1u);
    EXPECT_FALSE(requesters_[0].save);
    EXPECT_EQ(requesters_[0].filterLabel, "ESP (*.esp)");
    EXPECT_EQ(ui->GetStatusText(0), "File : tes3rs_all_types.esp");
    int total = 0;  // every tab shows its name list, row for row
    for (int list = kFirstList; list <= kLastList; ++list) {
        ASSERT_EQ(ui->ListRowCount(list), int(gNameLists[list].size())) << list;
        total += ui->ListRowCount(list);
        const std::vector<Row> rows = ui->ListGetRows(list);
        for (size_t row = 0; row < rows.size(); ++row) {
            const NameEntry& e = gNameLists[list][row];
            ASSERT_EQ(rows[row], (Row{e.flag, e.id, e.fv, e.ov})) << list << " " << row;
        }
    }
    EXPECT_GT(total, 25);
    for (int id : {2, 3, 9, 25}) EXPECT_TRUE(ui->IsMenuItemEnabled(id)) << id;
    ASSERT_GE(g, 0) << "no editable row in the plugin";
    EXPECT_EQ(ui->ListGetText(g, r, 0), "*");
    EXPECT_EQ(ui->ListGetText(g, r, 3), newName);
    EXPECT_EQ(gNameLists[g][size_t(r)].ov, newName);
    EXPECT_EQ(ui->ListFocusedRow(g), r);
}

namespace {
// Not a test: the scripted session of scripts/screenshots.
#include "../../scripts/screenshots_session.inc"
}  // namespace

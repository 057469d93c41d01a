// The whole program on the Qt window system: start-up, a load of a corpus
// plugin, a name edit and a long-text edit through the real dialogs, driven
// through the widgets as a user would.
#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "app/app.h"
#include "app/globals.h"
#include "platform/files.h"
#include "plugin/blocks.h"
#include "qt_fixture.h"

using namespace qp;

namespace {

std::filesystem::path Corpus() { return QUILLANE_CORPUS_DIR; }

// Steps run one after another from a timer inside whatever event loop the
// program is in; a step returns true when it is done. A step that never
// finishes ends the program so that the test fails instead of hanging.
class Script {
public:
    using Step = std::function<bool()>;
    Script(QtPlatform& ui, std::vector<std::pair<std::string, Step>> steps)
        : ui_(ui), steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(10);
        clock_.start();
    }
    std::string failedAt;
    bool Finished() const { return next_ >= steps_.size(); }

private:
    void Tick() {
        if (busy_ || Finished()) return;
        busy_ = true;
        if (steps_[next_].second()) {
            ++next_;
            clock_.restart();
        } else if (clock_.elapsed() > 60000) {
            failedAt = steps_[next_].first;
            next_ = steps_.size();
            delete ui_.MainWidget();  // WaitEvent then ends the program
        }
        busy_ = false;
    }
    QtPlatform& ui_;
    std::vector<std::pair<std::string, Step>> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
};

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

class QtProgram : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ASSERT_TRUE(dir_.isValid());
        SetProgramDirectory(dir_.path().toStdString() + "/");
        ui->helpViewer.clear();
    }
    QTabWidget* Tabs() { return qobject_cast<QTabWidget*>(ui->ControlWidget(2)); }
    QTableView* View(int control) { return qobject_cast<QTableView*>(ui->ControlWidget(control)); }
    bool LoadDone() { return gBusy == 0 && ui->IsMenuItemEnabled(kMenuSave); }
    void DoubleClickRow(int list, int row) {
        Tabs()->setCurrentIndex(list - 3);
        QTableView* v = View(list);
        v->scrollTo(v->model()->index(row, 1));
        QCoreApplication::processEvents();
        QPoint at = v->visualRect(v->model()->index(row, 1)).center();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
    }
    void Quit() {
        answer = Answer::Yes;
        ui->MenuAction(kMenuQuit)->trigger();
    }
    // A row that the name edit dialog lets the user change.
    static std::pair<int, int> EditableRow() {
        for (int g = kFirstList; g <= kLastList; ++g)
            for (size_t r = 0; r < gNameLists[g].size(); ++r)
                if (gNameLists[g][r].flag.empty() && !gNameLists[g][r].id.empty())
                    return {g, int(r)};
        return {-1, -1};
    }

    QTemporaryDir dir_;
    std::vector<RequesterRequest> requesters_;
};

}  // namespace

TEST_F(QtProgram, StartsWithTheMenusOfAnEmptySessionAndQuitsOnYes) {
    std::map<int, bool> states;
    Script script(*ui, {{"start-up", [&] {
                             if (!ui->MenuAction(kMenuEdit)) return false;
                             for (int id : {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 20, 21, 25})
                                 states[id] = ui->IsMenuItemEnabled(id);
                             answer = Answer::No;
                             ui->MainWidget()->close();  // close box: asks, No keeps going
                             return true;
                         }},
                        {"quit", [&] {
                             if (messages.size() != 1) return false;
                             Quit();
                             return true;
                         }}});
    EXPECT_EQ(RunQuillane(), 0);
    EXPECT_EQ(script.failedAt, "");
    for (int id : {1, 4, 5, 20, 21}) EXPECT_TRUE(states[id]) << id;
    for (int id : {2, 3, 9, 10, 11, 12, 13, 25}) EXPECT_FALSE(states[id]) << id;
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "QUIT");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
    int w = 0, h = 0;
    ui->GetMainWindowSize(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(ui->GetStatusText(0), "File :");
}

TEST_F(QtProgram, LoadFillsTheTabsAndANameEditGoesThroughTheDialog) {
    const auto plugin = Corpus() / "tes3rs_all_types.esp";
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    ui->requesterHook = [&](const RequesterRequest& r) {
        requesters_.push_back(r);
        return plugin.string();
    };
    // Bytes a name can hold that a careless widget would lose.
    const std::string newName = "Neu \x81\x8D\xE9\x80\x01\x7F";
    int g = -1, r = -1;
    std::string id, fv;
    Script script(*ui, {
        {"start", [&] {
             ui->MenuAction(kMenuLoad)->trigger();
             return true;
         }},
        {"load", [&] { return LoadDone(); }},
        {"open name edit", [&] {
             std::tie(g, r) = EditableRow();
             if (g < 0) return true;
             id = gNameLists[g][size_t(r)].id;
             fv = gNameLists[g][size_t(r)].fv;
             DoubleClickRow(g, r);
             return true;
         }},
        {"name edit", [&] {
             if (g < 0) return true;
             if (!ui->IsDialogOpen(1)) return false;
             EXPECT_EQ(ui->DialogWidget(1)->windowTitle().toStdString(), TabTitle(g));
             EXPECT_EQ(ui->GetControlText(kCtlIdField), id);
             EXPECT_EQ(ui->GetControlText(kCtlFvField), fv);
             EXPECT_FALSE(ui->IsMenuItemEnabled(kMenuLoad));
             auto* field = qobject_cast<QLineEdit*>(ui->ControlWidget(kCtlOvField));
             field->selectAll();
             Type(field, QString::fromUtf8("Typed \xC3\xA9"));
             EXPECT_EQ(ui->GetControlText(kCtlOvField), "Typed \xE9");
             ui->SetControlText(kCtlOvField, newName);
             QTest::mouseClick(ui->ControlWidget(kCtlOk), Qt::LeftButton);
             return true;
         }},
        {"edited", [&] {
             if (g >= 0 && ui->IsDialogOpen(1)) return false;
             Quit();
             return true;
         }},
    });
    EXPECT_EQ(RunQuillane(), 0);
    EXPECT_EQ(script.failedAt, "");

    ASSERT_EQ(requesters_.size(), 1u);
    EXPECT_FALSE(requesters_[0].save);
    EXPECT_EQ(requesters_[0].filterLabel, "ESP (*.esp)");
    EXPECT_EQ(ui->GetStatusText(0), "File : tes3rs_all_types.esp");
    // Every tab shows its name list, row for row.
    int total = 0;
    for (int list = kFirstList; list <= kLastList; ++list) {
        ASSERT_EQ(ui->ListRowCount(list), int(gNameLists[list].size())) << list;
        total += ui->ListRowCount(list);
        for (size_t row = 0; row < gNameLists[list].size(); ++row) {
            const NameEntry& e = gNameLists[list][row];
            ASSERT_EQ(ui->ListGetText(list, int(row), 1), e.id);
            ASSERT_EQ(ui->ListGetText(list, int(row), 2), e.fv);
            ASSERT_EQ(ui->ListGetText(list, int(row), 3), e.ov);
        }
    }
    EXPECT_GT(total, 25);
    for (int id : {2, 3, 9, 25}) EXPECT_TRUE(ui->IsMenuItemEnabled(id)) << id;

    ASSERT_GE(g, 0) << "no editable row in the plugin";
    EXPECT_EQ(ui->ListGetText(g, r, 0), "*");
    EXPECT_EQ(ui->ListGetText(g, r, 3), newName);
    EXPECT_EQ(gNameLists[g][size_t(r)].ov, newName);
    EXPECT_EQ(gNameLists[g][size_t(r)].flag, "*");
    EXPECT_EQ(ui->ListFocusedRow(g), r);
}

TEST_F(QtProgram, TextEditPanesKeepTheRecordBytes) {
    const auto plugin = Corpus() / "t3m_Patch_for_Purists_Book_Typos.esp";
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    ui->requesterHook = [&](const RequesterRequest&) { return plugin.string(); };
    int books = 0, checked = 0;
    size_t row = 0;
    bool sawBreaks = false;
    std::string translation, source;
    enum Stage { Looking, Copied, Saved } stage = Looking;
    Script script(*ui, {
        {"start", [&] {
             ui->MenuAction(kMenuLoad)->trigger();
             return true;
         }},
        {"load", [&] {
             if (!LoadDone()) return false;
             ui->MenuAction(kMenuTextBook)->trigger();
             return true;
         }},
        {"dialog", [&] {
             if (!ui->IsDialogOpen(2)) return false;
             books = int(gTextEditList.size());
             return true;
         }},
        // Look at books until one with line breaks has gone through COPY and SAVE.
        {"books", [&] {
             if (stage == Saved && ui->QueuedEvents() == 0) return true;
             if (sawBreaks) return false;
             if (row >= gTextEditList.size() || row >= 40) return true;
             auto* v = View(kCtlTextList);
             QPoint at = v->visualRect(v->model()->index(int(row), 0)).center();
             v->scrollTo(v->model()->index(int(row), 0));
             at = v->visualRect(v->model()->index(int(row), 0)).center();
             QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
             return false;  // the next tick looks at the panes
         }},
        {"done", [&] {
             ui->MenuAction(kMenuQuit)->trigger();
             return true;
         }},
    });
    // The "books" step clicks a row each tick; this timer checks each book
    // once the program has handled the click, then edits one with breaks:
    // COPY, Enter and a word typed at its end, SAVE.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!ui->IsDialogOpen(2) || gBusy || ui->QueuedEvents() > 0) return;
        if (stage == Looking) {
            if (row >= gTextEditList.size() || sawBreaks) return;
            if (ui->DialogListFocusedRow(kCtlTextList) != int(row)) return;
            const TextEntry& e = gTextEditList[row];
            int p = FindSubrecord(e.block, "TEXT");
            std::string text = p < 0 ? "" : ReadBlockString(e.block, p + 8, ReadBlockInt(e.block, p + 4));
            EXPECT_EQ(ui->GetControlText(kCtlSourcePane), text) << e.id;
            ++checked;
            if (text.find("\r\n") != std::string::npos && ui->IsControlEnabled(kCtlTextCopy)) {
                sawBreaks = true;
                source = text;
                QTest::mouseClick(ui->ControlWidget(kCtlTextCopy), Qt::LeftButton);
                stage = Copied;
                return;
            }
            ++row;
        } else if (stage == Copied) {
            EXPECT_EQ(ui->GetControlText(kCtlTranslationPane), source);
            EXPECT_TRUE(ui->IsControlEnabled(kCtlTextSave));
            auto* pane = qobject_cast<QPlainTextEdit*>(ui->ControlWidget(kCtlTranslationPane));
            pane->setFocus();
            pane->moveCursor(QTextCursor::End);
            QTest::keyClick(pane, Qt::Key_Return);
            QTest::keyClicks(pane, "Ende");
            translation = source + "\r\nEnde";
            EXPECT_EQ(ui->GetControlText(kCtlTranslationPane), translation);
            QTest::mouseClick(ui->ControlWidget(kCtlTextSave), Qt::LeftButton);
            stage = Saved;
        }
    });
    check.start(15);
    answer = Answer::Yes;
    EXPECT_EQ(RunQuillane(), 0);
    EXPECT_EQ(script.failedAt, "");
    ASSERT_GT(books, 0);
    EXPECT_GT(checked, 0);
    ASSERT_TRUE(sawBreaks) << "no book with line breaks among the first ones";
    const TextEntry& e = gTextEditList[row];
    int p = FindSubrecord(e.block, "TEXT");
    ASSERT_GE(p, 0);
    EXPECT_EQ(ReadBlockInt(e.block, p + 4), int(translation.size()));
    EXPECT_EQ(ReadBlockString(e.block, p + 8, int(translation.size())), translation);
}

// Not a test: writes screenshots of the program for a person to look at when
// QUILLANE_SHOTS_DIR names a folder (scripts/screenshots runs it under Xvfb).
TEST_F(QtProgram, Screenshots) {
    const QString out = qEnvironmentVariable("QUILLANE_SHOTS_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "QUILLANE_SHOTS_DIR not set";
    QString plugin = qEnvironmentVariable("QUILLANE_SHOTS_PLUGIN");
    if (plugin.isEmpty()) plugin = QString::fromStdString((Corpus() / "tes3rs_all_types.esp").string());
    ui->requesterHook = [&](const RequesterRequest&) { return plugin.toStdString(); };
    QDir().mkpath(out);
    QElapsedTimer settle;
    auto shot = [&](const char* name) {
        // Give the window time to paint, then take the whole screen.
        if (!settle.isValid()) settle.start();
        if (settle.elapsed() < 700) return false;
        settle.invalidate();
        QString file = out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            int rc = QProcess::execute(QStringLiteral("import"), {"-window", "root", file});
            EXPECT_EQ(rc, 0) << name;
        } else {
            // Without an X server: the platform's own picture of its screen.
            EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(file)) << name;
        }
        return true;
    };
    int g = -1, r = -1;
    QElapsedTimer maximiseAsked, loadTime;
    Script script(*ui, {
        {"empty", [&] { return shot("0-start"); }},
        {"load", [&] {
             ui->MenuAction(kMenuLoad)->trigger();
             loadTime.start();
             return true;
         }},
        {"loaded", [&] {
             if (!LoadDone()) return false;
             std::fprintf(stderr, "screenshots: loaded in %lld ms\n", loadTime.elapsed());
             std::tie(g, r) = EditableRow();
             if (g >= 0) {
                 Tabs()->setCurrentIndex(g - 3);
                 ui->ListSelectRow(g, r);
             }
             return true;
         }},
        {"main", [&] { return shot("1-main"); }},
        {"maximise", [&] {
             ui->MainWidget()->showMaximized();
             maximiseAsked.start();
             return true;
         }},
        {"maximised", [&] {
             int w = 0, h = 0;
             ui->GetMainWindowSize(w, h);
             if (w == 800 && h == 600) {
                 // A window manager without maximising (twm) leaves the size.
                 if (maximiseAsked.elapsed() < 3000) return false;
                 std::fprintf(stderr, "screenshots: the window manager does not maximise\n");
                 return true;
             }
             return ui->GetControlGeometry(3).w == w - 26 && shot("1-main-maximised");
         }},
        {"restore", [&] {
             ui->MainWidget()->showNormal();
             return true;
         }},
        {"restored", [&] {
             int w = 0, h = 0;
             ui->GetMainWindowSize(w, h);
             return w == 800 && h == 600 && ui->GetControlGeometry(3).w == 774;
         }},
        {"open name edit", [&] {
             if (g >= 0) DoubleClickRow(g, r);
             return true;
         }},
        {"name edit", [&] { return !ui->IsDialogOpen(1) ? g < 0 : shot("2-name-edit"); }},
        {"close name edit", [&] {
             if (ui->IsDialogOpen(1)) QTest::mouseClick(ui->ControlWidget(kCtlCancel), Qt::LeftButton);
             return true;
         }},
        {"open text edit", [&] {
             if (ui->IsDialogOpen(1)) return false;
             ui->MenuAction(kMenuTextBook)->trigger();
             return true;
         }},
        {"pick a book", [&] {
             if (!ui->IsDialogOpen(2)) return false;
             auto* v = View(kCtlTextList);
             if (v->model()->rowCount() > 0)
                 QTest::mouseClick(v->viewport(), Qt::LeftButton, {},
                                   v->visualRect(v->model()->index(0, 0)).center());
             return true;
         }},
        {"text edit", [&] { return shot("3-text-edit"); }},
        {"quit", [&] {
             answer = Answer::Yes;
             ui->MenuAction(kMenuQuit)->trigger();
             return true;
         }},
    });
    EXPECT_EQ(RunQuillane(), 0);
    EXPECT_EQ(script.failedAt, "");
}

// What the Qt window system does on its own: menus, the object window's list
// views and their events, dialogs, message boxes, requesters, events and the
// worker's calls.
#include <QtWidgets>
#include <QTest>

#include "qt_fixture.h"

using namespace qp;

namespace {

Row R(const std::string& id) { return Row{"", id, "", ""}; }

class QtWindow : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
        ui->SetMenuBar({{"File", {{1, "&Load", true}, {2, "Save", false}, {0, "", true}, {4, "&Quit", true}}},
                        {"?", {{20, "Help", true}, {21, "About", true}}}});
        ui->SetPopupMenu({25, "Edit", false});
        ui->CreateStatusBar(200);
        std::vector<std::string> titles;
        for (int i = 0; i < 25; ++i) titles.push_back("Tab" + std::to_string(i));
        ui->CreateObjectWindow("OBJECT WINDOW...", titles, {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV", 248}});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->MainWidget()));
    }
    QTableView* View(int id) { return qobject_cast<QTableView*>(ui->ControlWidget(id)); }
    QPoint RowPoint(int id, int row) { return View(id)->visualRect(View(id)->model()->index(row, 1)).center(); }
    // A tab showing rows b, a, c, with no event pending.
    QWidget* ShowList(int list) {
        ui->ListSetRows(list, {R("b"), R("a"), R("c")});
        qobject_cast<QTabWidget*>(ui->ControlWidget(2))->setCurrentIndex(list - 3);
        TakeEvents();
        return View(list)->viewport();
    }
    // The actions of the control events taken, in order, as letters.
    std::string Actions() {
        std::string s;
        for (const Event& e : TakeEvents()) s += e.kind == EventKind::Control ? "CARSP"[int(e.action)] : '-';
        return s;
    }
};

}  // namespace

TEST_F(QtWindow, StatusFieldsAndObjectWindow) {
    auto* bar = static_cast<QMainWindow*>(ui->MainWidget())->statusBar();
    auto labels = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->width(), 200);
    ui->SetStatusText(1, "File : a\xE9.esp");
    EXPECT_EQ(ui->GetStatusText(1), "File : a\xE9.esp");
    auto* tabs = qobject_cast<QTabWidget*>(ui->ControlWidget(2));
    ASSERT_EQ(tabs->count(), 25);
    EXPECT_EQ(View(27)->parentWidget(), tabs->widget(24));
    EXPECT_FALSE(View(27)->isSortingEnabled());  // the core sorts
    QPalette p = View(27)->palette();  // the focused row stays marked when the list loses the focus
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));
}

TEST_F(QtWindow, SizeChangesOnlyByMaximiseAndRestoreAndAreReported) {
    QWidget* w = ui->MainWidget();
    TakeEvents();
    w->resize(900, 700);  // a drag of the edge is undone, with nothing to re-lay out
    PumpUntil([&] { return w->size() == QSize(800, 600); }, 5000);
    EXPECT_EQ(w->size(), QSize(800, 600));
    for (const Event& e : TakeEvents()) EXPECT_NE(e.kind, EventKind::Size);
    ui->CreateMainWindow("T", 640, 480);  // smaller than the offscreen screen of 800 by 600
    w = ui->MainWidget();
    TakeEvents();
    for (bool maximise : {true, false}) {
        maximise ? w->showMaximized() : w->showNormal();
        ASSERT_TRUE(PumpUntil([&] { return (w->size() == QSize(640, 480)) != maximise; }, 5000));
        auto events = TakeEvents();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().kind, EventKind::Size);
        int iw = 0, ih = 0;
        ui->GetMainWindowSize(iw, ih);
        EXPECT_EQ(QSize(iw, ih), w->size());
    }
}

TEST_F(QtWindow, MenusKeepIdsCaptionsAndStatesAndReportChoices) {
    QAction* load = static_cast<QMainWindow*>(ui->MainWidget())->menuBar()->actions().at(0)->menu()->actions().at(0);
    EXPECT_EQ(load->text(), QStringLiteral("&Load"));
    EXPECT_FALSE(ui->IsMenuItemEnabled(2));
    ui->EnableMenuItem(25, true);  // the pop-up item goes by its id like the others
    ui->EnableMenuItem(1, false);
    EXPECT_FALSE(load->isEnabled());
    TakeEvents();
    load->trigger();  // disabled: nothing
    ui->MenuAction(21)->trigger();
    ui->PopupMenu()->actions().at(0)->trigger();
    auto events = TakeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Menu);
    EXPECT_EQ(events[0].id, 21);
    EXPECT_EQ(events[1].id, 25);
    ui->ShowPopupMenu();
    EXPECT_TRUE(PumpUntil([&] { return ui->PopupMenu()->isVisible(); }, 5000));
    ui->PopupMenu()->hide();
}

TEST_F(QtWindow, ListsGiveBackTheirBytesAndAFullTabFillsAtOnce) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    std::vector<Row> rows(50000, Row{"", "id", all, std::string("\0\r\n\xFF", 4)});
    rows.back()[1] = "last";
    ui->ListSetRows(9, rows);
    EXPECT_EQ(ui->ListGetRows(9), rows);
    ui->ListAddRow(9, R("added"));
    EXPECT_EQ(ui->ListGetText(9, 50000, 1), "added");
    EXPECT_EQ(ui->ListGetText(9, 50001, 0), "");
    ui->ListClear(9);
    EXPECT_EQ(ui->ListRowCount(9), 0);
}

TEST_F(QtWindow, UserActionsOnAListBecomeEventsAndTheProgramsOwnDoNot) {
    QWidget* vp = ShowList(8);
    ui->ListSelectRow(8, 2);
    EXPECT_TRUE(View(8)->selectionModel()->isRowSelected(2, QModelIndex()));
    ui->ListSelectRow(8, -1);
    EXPECT_FALSE(View(8)->selectionModel()->hasSelection());
    EXPECT_EQ(Actions(), "");
    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(8, 1));  // selection change, then click
    EXPECT_EQ(Actions(), "SC");
    EXPECT_EQ(ui->ListFocusedRow(8), 1);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, RowPoint(8, 1));
    EXPECT_TRUE(Actions().ends_with('A'));
    View(8)->setFocus();
    QTest::keyClick(View(8), Qt::Key_Return);
    EXPECT_EQ(Actions(), "A");
    // A right click focuses the row under the pointer, then reports.
    const QPoint at = RowPoint(8, 2);
    QTest::mousePress(vp, Qt::RightButton, {}, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, vp->mapToGlobal(at));
    QApplication::sendEvent(vp, &menuEvent);
    QTest::mouseRelease(vp, Qt::RightButton, {}, at);
    EXPECT_NE(Actions().find('R'), std::string::npos);
    EXPECT_EQ(ui->ListFocusedRow(8), 2);
    ui->ListSetRows(8, {R("z")});  // a refill leaves no row focused
    EXPECT_EQ(ui->ListFocusedRow(8), -1);

    ShowList(4);  // a header click is reported; the view does not sort
    QHeaderView* h = View(4)->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(2) + h->sectionSize(2) / 2, h->height() / 2));
    auto events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::HeaderClick);
    EXPECT_EQ(std::pair(events[0].id, events[0].column), std::pair(4, 2));
    EXPECT_EQ(ui->ListGetText(4, 0, 1), "b");
}

TEST_F(QtWindow, DialogsAreToolWindowsClosedOnlyByTheProgram) {
    ui->OpenDialog(1, "Book", {300, 200, 360, 140});
    ui->AddEditField(1, 1033, {55, 7, 280, 22}, "book_id");
    ui->AddButton(1, 1038, {97, 85, 75, 24}, "OK");
    ui->AddButton(1, 1039, {220, 85, 75, 24}, "Cancel");
    ui->AddDialogList(1, 1052, {5, 0, 198, 60}, "Id Book", 350);
    QWidget* d = ui->DialogWidget(1);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->windowFlags() & Qt::Tool);
    EXPECT_EQ(d->frameGeometry(), QRect(300, 200, 360, 140));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    TakeEvents();
    QTest::mouseClick(ui->ControlWidget(1038), Qt::LeftButton);
    ui->EnableControl(1039, false);
    QTest::mouseClick(ui->ControlWidget(1039), Qt::LeftButton);  // disabled: nothing
    ui->DialogListAddRow(1052, "first");
    ui->DialogListAddRow(1052, "second");
    QTest::mouseClick(View(1052)->viewport(), Qt::LeftButton, {},
                      View(1052)->visualRect(View(1052)->model()->index(1, 0)).center());
    EXPECT_EQ(ui->DialogListFocusedRow(1052), 1);
    d->close();
    auto events = TakeEvents();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].id, 1038);
    EXPECT_EQ(events[1].id, 1052);
    EXPECT_EQ(events.back().kind, EventKind::Close);
    EXPECT_EQ(events.back().window, 1);
    EXPECT_TRUE(d->isVisible());
    ui->CloseDialog(1);
    EXPECT_FALSE(ui->IsDialogOpen(1));
    EXPECT_EQ(ui->GetControlText(1033), "");
}

TEST_F(QtWindow, MessageBoxesAndRequestersAsTheUserSeesThem) {
    ui->messageHook = nullptr;
    QString seen;
    auto answerWith = [&](QMessageBox::StandardButton b) {
        QTimer::singleShot(0, [&, b] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon()) + "|" +
                   QString::number(box->standardButtons());
            box->button(b)->click();
        });
    };
    answerWith(QMessageBox::No);
    EXPECT_EQ(ui->MessageBox("QUIT", "LEAVE?", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(seen.toStdString(), "QUIT|LEAVE?|" + std::to_string(QMessageBox::Question) + "|" +
                                      std::to_string(QMessageBox::Yes | QMessageBox::No));
    answerWith(QMessageBox::Ok);
    EXPECT_EQ(ui->MessageBox("INFORMATION", "IN PROGRESS.\r   PLEASE WAIT!", Icon::Stop, Buttons::Ok), Answer::Ok);
    EXPECT_EQ(seen.toStdString(), "INFORMATION|IN PROGRESS.\n   PLEASE WAIT!|" + std::to_string(QMessageBox::Critical) +
                                      "|" + std::to_string(QMessageBox::Ok));
    auto cancel = [&] {
        QTimer::singleShot(0, [&] {
            auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            const bool asks =
                fd->acceptMode() == QFileDialog::AcceptSave && !fd->testOption(QFileDialog::DontConfirmOverwrite);
            seen = QDir(fd->directory()).canonicalPath() + "|" + fd->windowTitle() + "|" + fd->nameFilters().join(';') +
                   (asks ? "|asks" : "");  // the core asks itself
            fd->reject();
        });
    };
    cancel();  // a folder that does not exist here opens the home folder
    EXPECT_EQ(ui->OpenFileRequester("ESP file to load ", "C:\\", "ESP (*.esp)", "*.esp"), "");
    EXPECT_EQ(seen, QDir(QDir::homePath()).canonicalPath() + "|ESP file to load |ESP (*.esp)");
    cancel();
    EXPECT_EQ(ui->SaveFileRequester("Save as", QDir::tempPath().toStdString() + "/", "ESP (*.esp)", "*.esp"), "");
    EXPECT_EQ(seen, QDir(QDir::tempPath()).canonicalPath() + "|Save as|ESP (*.esp)");
}

TEST_F(QtWindow, WorkerCallsAreCarriedToTheGuiThreadInOrder) {
    std::atomic<bool> done{false};
    bool hookOnGui = false;
    std::string seen;
    QThread* gui = QThread::currentThread();
    ui->messageHook = [&](const MessageRequest&) {
        hookOnGui = QThread::currentThread() == gui;
        return Answer::No;
    };
    ui->OpenDialog(1, "Cell", {100, 100, 360, 140});
    ui->AddEditField(1, 1037, {55, 55, 280, 22}, "");
    ASSERT_TRUE(ui->StartWorker([&] {
        ui->ListSetRows(3, std::vector<Row>(30000, R("id")));
        for (int i = 0; i < 20000; ++i) {
            ui->SetStatusText(1, "Reading block : " + std::to_string(i));
            if (i % 10 == 0) ui->ListAddRow(4, R("n" + std::to_string(i)));
        }
        ui->ListSelectRow(3, 29999);
        ui->SetControlText(1037, "\x80\r\n\x01");
        seen = ui->GetStatusText(1) + "|" + std::to_string(ui->ListRowCount(4) + ui->ListRowCount(3)) + "|" +
               std::to_string(ui->ListFocusedRow(3)) + "|" + ui->GetControlText(1037) + "|" +
               (ui->MessageBox("QUESTION", "SAVE?", Icon::Question, Buttons::YesNo) == Answer::No ? "No" : "?");
        done = true;
    }));
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    ui->ReleaseWorker();
    EXPECT_EQ(seen, "Reading block : 19999|32000|29999|\x80\r\n\x01|No");
    EXPECT_TRUE(hookOnGui);
    EXPECT_EQ(ui->ListGetText(4, 1999, 1), "n19990");
    // Waiting for a worker still talking to the window serves its calls.
    ASSERT_TRUE(ui->StartWorker([&] {
        for (int i = 0; i < 200; ++i) ui->ListSetRows(5, {R(std::to_string(i))});
        ui->MessageBox("INFORMATION", "DONE", Icon::Information, Buttons::Ok);
    }));
    ui->ReleaseWorker();
    EXPECT_EQ(ui->ListGetText(5, 0, 1), "199");
    ui->ReleaseWorker();  // nothing left: no-op
}

TEST_F(QtWindow, WaitEventHandsOutQueuedEventsAndEndsWithTheWindow) {
    ui->MainWidget()->close();  // the close box is only reported
    EXPECT_TRUE(ui->MainWidget()->isVisible());
    ui->MenuAction(1)->trigger();
    Event ev;
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.kind, EventKind::Close);
    EXPECT_EQ(ev.window, 0);
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.id, 1);
    QTimer::singleShot(20, [&] { ui->MenuAction(20)->trigger(); });  // it waits for the user
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.id, 20);
    ui->MenuAction(21)->trigger();
    ui->Pump(5);  // serves the window but keeps user events for WaitEvent
    EXPECT_EQ(ui->QueuedEvents(), 1u);
    ASSERT_TRUE(ui->WaitEvent(ev));
    delete ui->MainWidget();
    EXPECT_FALSE(ui->WaitEvent(ev));
}

#ifndef Q_OS_WIN
// Help starts only a viewer found on the path, with the whole file name.
TEST_F(QtWindow, HelpViewerIsLookedUpOnThePath) {
    QTemporaryDir bin;
    QFile f(bin.path() + "/xchm");  // a stand-in that writes down what it was given
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.opened\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    qp::QtPlatform withViewer;
    qputenv("PATH", QByteArray("/nonexistent"));
    qp::QtPlatform without;
    qputenv("PATH", oldPath);
    EXPECT_FALSE(without.HelpViewerAvailable());
    ui->helpViewer.clear();
    ui->OpenHelp("Vosk.chm");  // no viewer: nothing happens, nothing is shown
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(QString::fromStdString(withViewer.helpViewer), f.fileName());
    withViewer.OpenHelp("Vosk.chm");  // a name without a folder is the file in the working directory
    QFile opened(f.fileName() + ".opened");
    ASSERT_TRUE(PumpUntil([&] { return opened.exists(); }, 20000));
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), QDir::current().absoluteFilePath("Vosk.chm"));
}
#endif

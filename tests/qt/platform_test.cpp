// What the Qt window system does on its own: menus, the object window's list
// views and their events, dialogs, message boxes, requesters, events and the
// worker's calls.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <thread>

#include "qt_fixture.h"

using namespace qp;

namespace {

std::vector<Menu> TheMenus() {
    return {{"File", {{1, "&Load", true}, {2, "Save", false}, {3, "Save as...", false}, {0, "", true},
                      {4, "&Quit", true}}},
            {"External data", {{5, "Reset file", true}}},
            {"Edit text", {{9, "Book", false}, {10, "Class", false}}},
            {"?", {{20, "Help", true}, {0, "", true}, {21, "About", true}}}};
}

std::vector<std::string> TabTitles() {
    std::vector<std::string> t;
    for (int i = 0; i < 25; ++i) t.push_back("Tab" + std::to_string(i));
    return t;
}

const std::vector<ListColumn> kColumns = {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}};

Row R(const std::string& a, const std::string& b, const std::string& c = "", const std::string& d = "") {
    return Row{a, b, c, d};
}

class QtWindow : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
        ui->SetMenuBar(TheMenus());
        ui->SetPopupMenu({25, "Edit", false});
        ui->CreateStatusBar(200);
        ui->CreateObjectWindow("OBJECT WINDOW...", TabTitles(), kColumns);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->MainWidget()));
    }
    QTableView* View(int list) { return qobject_cast<QTableView*>(ui->ControlWidget(list)); }
    QTabWidget* Tabs() { return qobject_cast<QTabWidget*>(ui->ControlWidget(2)); }
    QPoint RowPoint(int list, int row) {
        return View(list)->visualRect(View(list)->model()->index(row, 1)).center();
    }
    void ShowList(int list) {
        Tabs()->setCurrentIndex(list - 3);
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST_F(QtWindow, MainWindowHasItsTitleInnerSizeAndStatusFields) {
    QWidget* w = ui->MainWidget();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("QUILLANE v3.03a"));
    int iw = 0, ih = 0;
    ui->GetMainWindowSize(iw, ih);
    EXPECT_EQ(iw, 800);
    EXPECT_EQ(ih, 600);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    ui->SetStatusText(0, "File : a\xE9.esp");
    ui->SetStatusText(1, "Reading block : 5 / 9");
    EXPECT_EQ(ui->GetStatusText(0), "File : a\xE9.esp");
    EXPECT_EQ(ui->GetStatusText(1), "Reading block : 5 / 9");
    auto* bar = static_cast<QMainWindow*>(w)->statusBar();
    auto labels = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->width(), 200);
}

TEST_F(QtWindow, SizeChangesOnlyByMaximiseAndRestoreAndAreReported) {
    QWidget* w = ui->MainWidget();
    TakeEvents();
    // A drag of the edge is undone; nothing to re-lay out.
    w->resize(900, 700);
    PumpUntil([&] { return w->size() == QSize(800, 600); }, 5000);
    EXPECT_EQ(w->size(), QSize(800, 600));
    for (const Event& e : TakeEvents()) EXPECT_NE(e.kind, EventKind::Size);

    // The offscreen screen is 800 by 600: make the window smaller first.
    ui->CreateMainWindow("T", 640, 480);
    w = ui->MainWidget();
    TakeEvents();
    w->showMaximized();
    ASSERT_TRUE(PumpUntil([&] { return w->size() != QSize(640, 480); }, 5000));
    auto events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, EventKind::Size);
    int iw = 0, ih = 0;
    ui->GetMainWindowSize(iw, ih);
    EXPECT_EQ(QSize(iw, ih), w->size());
    w->showNormal();
    ASSERT_TRUE(PumpUntil([&] { return w->size() == QSize(640, 480); }, 5000));
    events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, EventKind::Size);
}

TEST_F(QtWindow, MenusKeepIdsCaptionsAndStatesAndReportChoices) {
    auto* bar = static_cast<QMainWindow*>(ui->MainWidget())->menuBar();
    auto titles = bar->actions();
    ASSERT_EQ(titles.size(), 4);
    EXPECT_EQ(titles[0]->text(), QStringLiteral("File"));
    EXPECT_EQ(titles[3]->text(), QStringLiteral("?"));
    auto file = titles[0]->menu()->actions();
    ASSERT_EQ(file.size(), 5);
    EXPECT_EQ(file[0]->text(), QStringLiteral("&Load"));
    EXPECT_TRUE(file[3]->isSeparator());

    for (int id : {1, 4, 5, 20, 21}) EXPECT_TRUE(ui->IsMenuItemEnabled(id)) << id;
    for (int id : {2, 3, 9, 10, 25}) EXPECT_FALSE(ui->IsMenuItemEnabled(id)) << id;
    EXPECT_FALSE(ui->IsMenuItemEnabled(77));

    // The pop-up item is enabled and disabled by its id like the others.
    ui->EnableMenuItem(25, true);
    EXPECT_TRUE(ui->IsMenuItemEnabled(25));
    EXPECT_TRUE(ui->PopupMenu()->actions().at(0)->isEnabled());
    ui->EnableMenuItem(1, false);
    EXPECT_FALSE(file[0]->isEnabled());

    TakeEvents();
    file[0]->trigger();  // disabled: nothing
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

TEST_F(QtWindow, ObjectWindowHasTabsListsAndColumns) {
    QTabWidget* tabs = Tabs();
    ASSERT_EQ(tabs->count(), 25);
    EXPECT_EQ(tabs->tabText(24), QStringLiteral("Tab24"));
    EXPECT_EQ(qobject_cast<QGroupBox*>(ui->ControlWidget(1))->title(), QStringLiteral("OBJECT WINDOW..."));
    QTableView* v = View(27);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->parentWidget(), tabs->widget(24));
    EXPECT_EQ(v->model()->columnCount(), 4);
    EXPECT_EQ(v->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("FV Name"));
    EXPECT_EQ(v->horizontalHeader()->sectionSize(1), 200);
    EXPECT_EQ(v->horizontalHeader()->sectionSize(3), 248);
    EXPECT_FALSE(v->isSortingEnabled());
    EXPECT_TRUE(v->showGrid());
    EXPECT_EQ(v->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(v->selectionMode(), QAbstractItemView::SingleSelection);
    QPalette p = v->palette();
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));

    // Geometry as the core asks for it; the view itself stays inside its page.
    ui->SetControlGeometry(1, {5, 0, 790, 560});
    ui->SetControlGeometry(3, {0, 0, 774, 513});
    Rect r = ui->GetControlGeometry(3);
    EXPECT_EQ(r.w, 774);
    EXPECT_EQ(r.h, 513);
    ShowList(3);
    QWidget* page = tabs->widget(0);
    EXPECT_TRUE(QRect(QPoint(0, 0), page->size()).contains(View(3)->geometry()));
    EXPECT_EQ(ui->GetControlGeometry(1).h, 560);
}

TEST_F(QtWindow, ListsGiveBackTheirBytesAndAFullTabFillsAtOnce) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    std::vector<Row> rows;
    for (int i = 0; i < 50000; ++i) rows.push_back(R("", "id" + std::to_string(i), all, "x"));
    ui->ListSetRows(9, rows);
    EXPECT_EQ(ui->ListRowCount(9), 50000);
    EXPECT_EQ(ui->ListGetText(9, 49999, 1), "id49999");
    EXPECT_EQ(ui->ListGetText(9, 123, 2), all);
    EXPECT_EQ(ui->ListGetText(9, 50000, 0), "");
    ui->ListSetText(9, 7, 0, "*");
    ui->ListSetText(9, 7, 3, std::string("\0\r\n\xFF", 4));
    EXPECT_EQ(ui->ListGetText(9, 7, 0), "*");
    EXPECT_EQ(ui->ListGetText(9, 7, 3), std::string("\0\r\n\xFF", 4));
    ui->ListAddRow(9, R("L", "last"));
    EXPECT_EQ(ui->ListRowCount(9), 50001);
    EXPECT_EQ(ui->ListGetText(9, 50000, 1), "last");
    ui->ListClear(9);
    EXPECT_EQ(ui->ListRowCount(9), 0);
    EXPECT_EQ(ui->ListRowCount(10), 0);
}

TEST_F(QtWindow, ProgramSelectionIsQuietAndSetsTheFocusedRow) {
    ui->ListSetRows(6, {R("", "a"), R("", "b"), R("", "c")});
    TakeEvents();
    EXPECT_EQ(ui->ListFocusedRow(6), -1);
    ui->ListSelectRow(6, 2);
    EXPECT_EQ(ui->ListFocusedRow(6), 2);
    EXPECT_TRUE(View(6)->selectionModel()->isRowSelected(2, QModelIndex()));
    ui->ListSelectRow(6, -1);
    EXPECT_EQ(ui->ListFocusedRow(6), -1);
    EXPECT_FALSE(View(6)->selectionModel()->hasSelection());
    EXPECT_TRUE(TakeEvents().empty());
    // A refill leaves no row focused.
    ui->ListSelectRow(6, 1);
    ui->ListSetRows(6, {R("", "z")});
    EXPECT_EQ(ui->ListFocusedRow(6), -1);
}

TEST_F(QtWindow, UserActionsOnAListBecomeEvents) {
    const int list = 8;
    ui->ListSetRows(list, {R("", "a"), R("", "b"), R("", "c")});
    ShowList(list);
    QTableView* v = View(list);
    QWidget* vp = v->viewport();
    TakeEvents();

    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(list, 1));
    auto events = TakeEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Control);
    EXPECT_EQ(events[0].id, list);
    EXPECT_EQ(events[0].action, ControlAction::SelectionChange);
    EXPECT_EQ(events.back().action, ControlAction::Click);
    EXPECT_EQ(ui->ListFocusedRow(list), 1);

    QTest::mouseDClick(vp, Qt::LeftButton, {}, RowPoint(list, 1));
    events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().action, ControlAction::Activate);

    v->setFocus();
    QTest::keyClick(v, Qt::Key_Return);
    events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].action, ControlAction::Activate);

    // A right click focuses the row under the pointer, then reports.
    QTest::mousePress(vp, Qt::RightButton, {}, RowPoint(list, 2));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, RowPoint(list, 2), vp->mapToGlobal(RowPoint(list, 2)));
    QApplication::sendEvent(vp, &menuEvent);
    QTest::mouseRelease(vp, Qt::RightButton, {}, RowPoint(list, 2));
    events = TakeEvents();
    ASSERT_FALSE(events.empty());
    bool right = false;
    for (const Event& e : events) right = right || e.action == ControlAction::RightClick;
    EXPECT_TRUE(right);
    EXPECT_EQ(ui->ListFocusedRow(list), 2);
}

TEST_F(QtWindow, HeaderClickIsReportedAndTheViewDoesNotSort) {
    const int list = 4;
    ui->ListSetRows(list, {R("", "b"), R("", "a"), R("", "c")});
    ShowList(list);
    TakeEvents();
    QHeaderView* h = View(list)->horizontalHeader();
    int x = h->sectionViewportPosition(2) + h->sectionSize(2) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    auto events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::HeaderClick);
    EXPECT_EQ(events[0].id, list);
    EXPECT_EQ(events[0].column, 2);
    EXPECT_EQ(ui->ListGetText(list, 0, 1), "b");
    EXPECT_FALSE(View(list)->selectionModel()->hasSelection());
}

TEST_F(QtWindow, DialogsAreToolWindowsClosedOnlyByTheProgram) {
    ui->OpenDialog(1, "Book", {300, 200, 360, 140});
    ui->AddLabel(1, 1032, {25, 12, 25, 22}, "ID", true);
    ui->AddEditField(1, 1033, {55, 7, 280, 22}, "book_id");
    ui->AddButton(1, 1038, {97, 85, 75, 24}, "OK");
    ui->AddButton(1, 1039, {220, 85, 75, 24}, "Cancel");
    ui->AddDialogList(1, 1052, {5, 0, 198, 60}, "Id Book", 350);
    QWidget* d = ui->DialogWidget(1);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(ui->IsDialogOpen(1));
    EXPECT_FALSE(ui->IsDialogOpen(2));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Book"));
    EXPECT_TRUE(d->windowFlags() & Qt::Tool);
    EXPECT_EQ(d->parentWidget(), ui->MainWidget());
    EXPECT_EQ(d->frameGeometry(), QRect(300, 200, 360, 140));
    EXPECT_EQ(ui->GetControlGeometry(1033).x, 55);
    EXPECT_TRUE(qobject_cast<QLabel*>(ui->ControlWidget(1032))->alignment() & Qt::AlignRight);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    TakeEvents();

    QTest::mouseClick(ui->ControlWidget(1038), Qt::LeftButton);
    ui->EnableControl(1039, false);
    EXPECT_FALSE(ui->IsControlEnabled(1039));
    QTest::mouseClick(ui->ControlWidget(1039), Qt::LeftButton);  // disabled: nothing
    ui->DialogListAddRow(1052, "first");
    ui->DialogListAddRow(1052, "second");
    auto* list = qobject_cast<QTableView*>(ui->ControlWidget(1052));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    EXPECT_EQ(ui->DialogListFocusedRow(1052), 1);
    d->close();
    auto events = TakeEvents();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EventKind::Control);
    EXPECT_EQ(events[0].id, 1038);
    EXPECT_EQ(events[0].action, ControlAction::Press);
    EXPECT_EQ(events[1].id, 1052);
    EXPECT_EQ(events.back().kind, EventKind::Close);
    EXPECT_EQ(events.back().window, 1);
    EXPECT_TRUE(ui->IsDialogOpen(1));
    EXPECT_TRUE(d->isVisible());

    ui->CloseDialog(1);
    EXPECT_FALSE(ui->IsDialogOpen(1));
    EXPECT_EQ(ui->ControlWidget(1033), nullptr);
    EXPECT_EQ(ui->GetControlText(1033), "");
    ui->DialogListClear(1052);  // gone with its dialog: harmless
}

TEST_F(QtWindow, MessageBoxShowsTitleIconButtonsAndLineBreaks) {
    ui->messageHook = nullptr;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    auto answerWith = [&](QMessageBox::StandardButton b) {
        QTimer::singleShot(0, [&, b] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = int(box->standardButtons());
            box->button(b)->click();
        });
    };
    answerWith(QMessageBox::No);
    EXPECT_EQ(ui->MessageBox("QUIT", "LEAVE THE PROGRAM?", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(title, QStringLiteral("QUIT"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, int(QMessageBox::Yes | QMessageBox::No));
    answerWith(QMessageBox::Yes);
    EXPECT_EQ(ui->MessageBox("QUIT", "LEAVE THE PROGRAM?", Icon::Question, Buttons::YesNo), Answer::Yes);

    answerWith(QMessageBox::Ok);
    EXPECT_EQ(ui->MessageBox("INFORMATION", "LOAD/SAVE IN PROGRESS.\r   PLEASE WAIT!", Icon::Stop,
                             Buttons::Ok),
              Answer::Ok);
    EXPECT_EQ(text, QStringLiteral("LOAD/SAVE IN PROGRESS.\n   PLEASE WAIT!"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, int(QMessageBox::Ok));
}

TEST_F(QtWindow, RequestersStartAtHomeForAForeignFolderAndFilterPlugins) {
    QString dir, title;
    QStringList filters;
    bool confirmOverwrite = true;
    auto cancel = [&] {
        QTimer::singleShot(0, [&] {
            auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!fd) return;
            dir = fd->directory().absolutePath();
            title = fd->windowTitle();
            filters = fd->nameFilters();
            confirmOverwrite = !fd->testOption(QFileDialog::DontConfirmOverwrite);
            fd->reject();
        });
    };
    cancel();
    EXPECT_EQ(ui->OpenFileRequester("ESP file to load ", "C:\\", "ESP (*.esp)", "*.esp"), "");
    EXPECT_EQ(dir, QDir::homePath());
    EXPECT_EQ(title, QStringLiteral("ESP file to load "));
    EXPECT_EQ(filters, QStringList{QStringLiteral("ESP (*.esp)")});

    QString tmp = QDir::tempPath();
    cancel();
    EXPECT_EQ(ui->SaveFileRequester("Save as", tmp.toStdString() + "/", "ESP (*.esp)", "*.esp"), "");
    EXPECT_EQ(QDir(dir).canonicalPath(), QDir(tmp).canonicalPath());
    EXPECT_FALSE(confirmOverwrite);
}

TEST_F(QtWindow, WorkerCallsAreCarriedToTheGuiThreadInOrder) {
    std::atomic<bool> done{false};
    bool hookOnGui = false;
    std::string statusSeen, fieldSeen;
    int countSeen = 0, focusSeen = -2;
    Answer answerSeen = Answer::Ok;
    QThread* gui = QThread::currentThread();
    ui->messageHook = [&](const MessageRequest& m) {
        hookOnGui = QThread::currentThread() == gui;
        messages.push_back(m);
        return Answer::No;
    };
    ui->OpenDialog(1, "Cell", {100, 100, 360, 140});
    ui->AddEditField(1, 1037, {55, 55, 280, 22}, "");
    ASSERT_TRUE(ui->StartWorker([&] {
        std::vector<Row> rows;
        for (int i = 0; i < 30000; ++i) rows.push_back(R("", "id" + std::to_string(i)));
        ui->ListSetRows(3, std::move(rows));
        for (int i = 0; i < 20000; ++i) {
            ui->SetStatusText(1, "Reading block : " + std::to_string(i));
            if (i % 10 == 0) ui->ListAddRow(4, R("", "n" + std::to_string(i)));
        }
        statusSeen = ui->GetStatusText(1);
        countSeen = ui->ListRowCount(4) + ui->ListRowCount(3);
        ui->ListSelectRow(3, 29999);
        focusSeen = ui->ListFocusedRow(3);
        ui->SetControlText(1037, "\x80\r\n\x01");
        fieldSeen = ui->GetControlText(1037);
        answerSeen = ui->MessageBox("QUESTION", "SAVE?", Icon::Question, Buttons::YesNo);
        done = true;
    }));
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    ui->ReleaseWorker();
    EXPECT_EQ(statusSeen, "Reading block : 19999");
    EXPECT_EQ(countSeen, 32000);
    EXPECT_EQ(focusSeen, 29999);
    EXPECT_EQ(fieldSeen, "\x80\r\n\x01");
    EXPECT_EQ(answerSeen, Answer::No);
    EXPECT_TRUE(hookOnGui);
    EXPECT_EQ(ui->GetStatusText(1), "Reading block : 19999");
    EXPECT_EQ(ui->ListGetText(4, 1999, 1), "n19990");
}

TEST_F(QtWindow, ReleasingAWorkerServesItsPendingCalls) {
    // The worker is still talking to the window when the main thread waits
    // for it: waiting must not block those calls.
    ASSERT_TRUE(ui->StartWorker([&] {
        for (int i = 0; i < 200; ++i) ui->ListSetRows(5, {R("", std::to_string(i))});
        ui->MessageBox("INFORMATION", "DONE", Icon::Information, Buttons::Ok);
    }));
    ui->ReleaseWorker();
    EXPECT_EQ(ui->ListGetText(5, 0, 1), "199");
    EXPECT_EQ(messages.size(), 1u);
    ui->ReleaseWorker();  // nothing left: no-op
}

TEST_F(QtWindow, WaitEventHandsOutQueuedEventsAndEndsWithTheWindow) {
    ui->MenuAction(1)->trigger();
    Event ev;
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.kind, EventKind::Menu);
    EXPECT_EQ(ev.id, 1);
    // Waits for the user: an event arriving later is handed out.
    QTimer::singleShot(20, [&] { ui->MenuAction(20)->trigger(); });
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.id, 20);
    // Pump serves the window but keeps user events for WaitEvent.
    ui->MenuAction(21)->trigger();
    ui->Pump(5);
    EXPECT_EQ(ui->QueuedEvents(), 1u);
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(ev.id, 21);
    delete ui->MainWidget();
    EXPECT_FALSE(ui->WaitEvent(ev));
}

TEST_F(QtWindow, CloseBoxOfTheMainWindowIsOnlyReported) {
    TakeEvents();
    ui->MainWidget()->close();
    auto events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::Close);
    EXPECT_EQ(events[0].window, 0);
    EXPECT_TRUE(ui->MainWidget()->isVisible());
}

TEST_F(QtWindow, HelpStartsOnlyAFoundViewer) {
    ui->helpViewer.clear();
    EXPECT_FALSE(ui->HelpViewerAvailable());
    ui->OpenHelp("Vosk.chm");  // nothing happens, nothing is shown
    EXPECT_TRUE(messages.empty());
}

#ifndef Q_OS_WIN
namespace {
// A stand-in viewer: an executable script that writes down what it was given.
QString FakeViewer(const QString& dir, const QString& name) {
    QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.tmp\"\n"
            "mv \"$(dirname \"$0\")/opened.tmp\" \"$(dirname \"$0\")/opened\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
}  // namespace

TEST_F(QtWindow, HelpViewerIsLookedUpOnThePathAndGetsTheWholeFileName) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    QString viewer = FakeViewer(bin.path(), QStringLiteral("xchm"));
    QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    qp::QtPlatform withViewer;
    qputenv("PATH", QByteArray("/nonexistent"));
    qp::QtPlatform without;
    qputenv("PATH", oldPath);
    EXPECT_FALSE(without.HelpViewerAvailable());
    ASSERT_TRUE(withViewer.HelpViewerAvailable());
    EXPECT_EQ(QString::fromStdString(withViewer.helpViewer), viewer);

    // A name without a folder is the file in the working directory.
    withViewer.OpenHelp("Vosk.chm");
    QFile opened(bin.path() + QStringLiteral("/opened"));
    ASSERT_TRUE(PumpUntil([&] { return opened.exists(); }, 20000));
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), QDir::current().absoluteFilePath(QStringLiteral("Vosk.chm")));
}
#endif

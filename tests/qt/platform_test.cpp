// What Qt does on its own: menus, lists and their events, dialogs, message boxes,
// requesters, typing and pasting in each code page; and the backend contract
// that every window system meets.
#include "../backend_contract.h"
#include "qt_fixture.h"

using namespace qp;

namespace {

// The contract's hands and eyes on Qt's widgets.
class QtBackend : public contract::Backend {
public:
    QtBackend() : ui_(std::make_unique<QtPlatform>()) {}
    Platform& Ui() override { return *ui_; }
    void AnswerMessages(std::function<Answer(const MessageRequest&)> answer) override {
        ui_->messageHook = std::move(answer);
    }
    bool OnGuiThread() override { return ui_->OnGuiThread(); }
    bool PumpUntil(const std::function<bool()>& done) override { return qt_test::PumpUntil(done); }
    void Settle() override { ASSERT_TRUE(QTest::qWaitForWindowExposed(ui_->MainWidget())); }
    std::optional<std::u16string> Cell(int control, int item, int column) override {
        return Utf16(View(control)->model()->index(item, column).data().toString());
    }
    std::optional<std::u16string> FieldShown(int control) override {
        return Utf16(qobject_cast<QLineEdit*>(ui_->ControlWidget(control))->text());
    }
    std::optional<std::u16string> StatusShown(int field) override {
        return Utf16(ui_->MainWidget()->findChild<QStatusBar*>()->findChildren<QLabel*>().at(field)->text());
    }
    int Items(int list) override { return View(list)->model()->rowCount(); }
    int FocusedItem(int list) override { return View(list)->currentIndex().row(); }
    void FocusItem(int list, int item) override {
        qobject_cast<QTabWidget*>(ui_->ControlWidget(kCtlTabs))->setCurrentIndex(list - kFirstList);
        QTableView* v = View(list);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(v->model()->index(item, 1)).center());
    }
    bool Type(int control, const std::u16string& keys) override {
        QWidget* w = ui_->ControlWidget(control);
        if (auto* line = qobject_cast<QLineEdit*>(w)) line->end(false);
        if (auto* pane = qobject_cast<QPlainTextEdit*>(w)) pane->moveCursor(QTextCursor::End);
        qt_test::Type(w, QString::fromStdU16String(keys));
        QCoreApplication::processEvents();  // a field tells once the refused input is undone
        return true;
    }
    void Click(int control) override {
        QWidget* w = ui_->ControlWidget(control);  // near the left edge: a check box's box
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
    }

private:
    static std::u16string Utf16(const QString& s) { return s.toStdU16String(); }
    QTableView* View(int id) { return qobject_cast<QTableView*>(ui_->ControlWidget(id)); }
    std::unique_ptr<QtPlatform> ui_;
};

std::unique_ptr<contract::Backend> MakeQt() { return std::make_unique<QtBackend>(); }

Row R(const std::string& id) { return Row{"", id, "", ""}; }

class QtWindow : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
        ui->SetMenuBar({{"File", {{1, "&Load", true}, {2, "Save", false}, {4, "&Quit", true}}},
                        {"?", {{20, "Help", true}, {21, "About", true}}}});
        ui->SetPopupMenu({25, "Edit", false});
        ui->CreateStatusBar(200);
        ui->CreateObjectWindow("OBJECT WINDOW...", std::vector<std::string>(qp::kListCount, "Tab"),
                               {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV", 248}});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->MainWidget()));
    }
    // The events taken, one word each: M menu, X close box, H header click, or a
    // control's id and action as one of CARSPE.
    std::string Log() {
        std::string s;
        for (const Event& e : TakeEvents())
            s += (e.kind == EventKind::Menu      ? "M" + std::to_string(e.id)
                  : e.kind == EventKind::Close   ? "X" + std::to_string(e.window)
                  : e.kind == EventKind::Control ? std::to_string(e.id) + "CARSPE"[int(e.action)]
                  : "H" + std::to_string(e.id) + "." + std::to_string(e.column)) + " ";
        return s;
    }
    // A tab showing rows b, a, c, with no event pending.
    QWidget* ShowList(int list) {
        ui->ListSetRows(list, {R("b"), R("a"), R("c")});
        qobject_cast<QTabWidget*>(ui->ControlWidget(2))->setCurrentIndex(list - 3);
        TakeEvents();
        return View(list)->viewport();
    }
};

}  // namespace

TEST_F(QtWindow, MenusAndTheCloseBoxOnlyReportAndWaitEventHandsEventsOut) {
    ui->EnableMenuItem(25, true);  // the pop-up item goes by its id like the others
    ui->EnableMenuItem(1, false);
    TakeEvents();
    ui->MainWidget()->close();
    EXPECT_TRUE(ui->MainWidget()->isVisible());
    ui->MenuAction(1)->trigger();  // disabled: nothing
    ui->MenuAction(21)->trigger();
    ui->PopupMenu()->actions().at(0)->trigger();
    EXPECT_EQ(Log(), "X0 M21 M25 ");
    Event ev;
    QTimer::singleShot(20, [&] { ui->MenuAction(20)->trigger(); });  // it waits for the user
    ASSERT_TRUE(ui->WaitEvent(ev) && ev.id == 20);
    ui->MenuAction(21)->trigger();
    ui->Pump(5);  // serves the window but keeps user events for WaitEvent
    EXPECT_EQ(ui->QueuedEvents(), 1u);
    delete ui->MainWidget();
    EXPECT_FALSE(ui->WaitEvent(ev) && ui->WaitEvent(ev));
}

TEST_F(QtWindow, UserActionsOnAListBecomeEventsAndTheProgramsOwnDoNot) {
    QWidget* vp = ShowList(8);
    ui->ListSelectRow(qp::kListArmor, 2);
    EXPECT_EQ(Log(), "");
    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(8, 1));
    EXPECT_EQ(Log(), "8S 8C ");
    EXPECT_EQ(ui->ListFocusedRow(qp::kListArmor), 1);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, RowPoint(8, 1));
    EXPECT_TRUE(Log().ends_with("8A "));
    View(8)->setFocus();
    QTest::keyClick(View(8), Qt::Key_Return);
    EXPECT_EQ(Log(), "8A ");
    // A right click focuses the row under the pointer, then reports.
    const QPoint at = RowPoint(8, 2);
    QTest::mousePress(vp, Qt::RightButton, {}, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, vp->mapToGlobal(at));
    QApplication::sendEvent(vp, &menuEvent);
    QTest::mouseRelease(vp, Qt::RightButton, {}, at);
    EXPECT_NE(Log().find("8R"), std::string::npos);
    EXPECT_EQ(ui->ListFocusedRow(qp::kListArmor), 2);

    ShowList(4);  // the core sorts; the view only reports the click
    QHeaderView* h = View(4)->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(2) + h->sectionSize(2) / 2, 5));
    EXPECT_EQ(Log(), "H4.2 ");
    EXPECT_EQ(ui->ListGetText(qp::kListRegion, 0, 1), "b");
}

TEST_F(QtWindow, FilteredViewsReportTheUsersClicksAndTheFilterBarItsKeys) {
    ui->CreateFilterBar("Find", "Without counterpart", "Next (F3)");
    int w = 0, h = 0;
    ui->GetMainWindowSize(w, h);
    EXPECT_EQ(QSize(w, h), QSize(800, 600));  // the bar is the window's own, on top
    EXPECT_GT(ui->MainWidget()->height(), 600);
    QWidget* vp = ShowList(8);
    TakeEvents();
    ui->ListSetRows(8, {R("a"), R("b"), R("c"), R("d"), R("e")});
    ui->ListSetVisibleRows(8, {1, 3, 4});
    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(8, 1));
    EXPECT_EQ(Log(), "8S 8C ");
    EXPECT_EQ(ui->ListFocusedRow(8), 3);
    ui->ListShowAllRows(8);
    ui->ListSelectRow(8, 4);
    EXPECT_EQ(Log(), "");  // the program's own changes

    auto* tabs = qobject_cast<QTabWidget*>(ui->ControlWidget(kCtlTabs));
    ui->SetTabHint(8, "0 of 5 rows shown", true);
    EXPECT_EQ(tabs->tabToolTip(5), "0 of 5 rows shown");
    EXPECT_EQ(tabs->tabBar()->tabTextColor(5), tabs->palette().color(QPalette::Disabled, QPalette::WindowText));
    EXPECT_TRUE(tabs->isTabEnabled(5));

    auto* field = qobject_cast<QLineEdit*>(ui->ControlWidget(kCtlFilterField));
    ui->SetControlText(kCtlFilterField, "old");  // the program's own change: no event
    QTest::keyClick(View(8), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus() && field->selectedText() == "old");
    for (QChar c : QString::fromUtf8("\u00E9t")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(ui->GetControlText(kCtlFilterField), "\xE9t");
    QTest::keyClick(field, Qt::Key_Escape);
    QTest::keyClick(field, Qt::Key_Escape);  // empty already: nothing to tell
    EXPECT_EQ(ui->GetControlText(kCtlFilterField), "");
    QTest::mouseClick(ui->ControlWidget(kCtlFilterToggle), Qt::LeftButton);
    EXPECT_TRUE(ui->IsControlChecked(kCtlFilterToggle));
    QTest::keyClick(field, Qt::Key_F3);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_TRUE(View(8)->hasFocus());
    ui->EnableControl(kCtlFilterNext, false);
    QTest::keyClick(View(8), Qt::Key_F3);
    EXPECT_EQ(Log(), "1070E 1070E 1070E 1071P 1072P ");
    field->setFocus();
    ui->ShowTab(5, false);
    EXPECT_EQ(ui->CurrentTab(), 5);
    EXPECT_TRUE(field->hasFocus());
    ui->ShowTab(4, true);
    EXPECT_TRUE(View(4)->hasFocus());
}

TEST_F(QtWindow, DialogsAreToolWindowsClosedOnlyByTheProgram) {
    ui->OpenDialog(1, "Book", {300, 200, 360, 140});
    ui->AddButton(1, 1038, {97, 85, 75, 24}, "OK");
    ui->AddDialogList(1, 1052, {5, 0, 198, 60}, "Id Book", 350);
    QWidget* d = ui->DialogWidget(1);
    EXPECT_TRUE(d->windowFlags() & Qt::Tool);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    TakeEvents();
    QTest::mouseClick(ui->ControlWidget(1038), Qt::LeftButton);
    ui->DialogListAddRow(1052, "first");
    ui->DialogListAddRow(1052, "second");
    QTest::mouseClick(View(1052)->viewport(), Qt::LeftButton, {}, RowPoint(1052, 1, 0));
    d->close();
    EXPECT_EQ(Log(), "1038P 1052S 1052C X1 ");
    EXPECT_TRUE(d->isVisible());
    ui->DialogListSetText(1052, 1, "* second");
    EXPECT_EQ(View(1052)->model()->index(1, 0).data().toString(), "* second");

    // The keyboard starts in a field with its text selected; the user's typing
    // is told, the program's is not; Enter presses OK while it is on, Escape Cancel.
    ui->AddEditField(1, 1037, {55, 55, 280, 22}, "Old name");
    ui->AddButton(1, 1039, {220, 85, 75, 24}, "Cancel");
    ui->SetDialogKeys(1, 1038, 1039);
    ui->FocusControl(1037);
    auto* field = qobject_cast<QLineEdit*>(ui->ControlWidget(1037));
    EXPECT_TRUE(qt_test::PumpUntil([&] { return field->hasFocus(); }, 5000));
    EXPECT_EQ(field->selectedText(), "Old name");
    QTest::keyClicks(field, "New");
    ui->SetControlText(1037, "set");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Escape);
    ui->EnableControl(1038, false);
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(Log(), "1037E 1037E 1037E 1038P 1039P ");
}

TEST_F(QtWindow, CheckTableHasItsColumnsAndTheClipboardTakesTextAsCharacters) {
    ui->OpenDialog(kWindowCheck, "Check references", {100, 100, 760, 480});
    ui->AddDialogTable(kWindowCheck, kCtlCheckList, {5, 28, 745, 386},
                       {{"Record", 190}, {"Where", 110}, {"Name", 205}, {"Counterpart", 215}});
    ui->DialogTableAddRows(kCtlCheckList, {{"NPC_ guard", "AI_E CNDT", "hut\x01\xE9", "Huette"}});
    QAbstractItemModel* m = View(kCtlCheckList)->model();
    EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString(), "Counterpart");
    EXPECT_EQ(m->index(0, 2).data().toString(), QString("hut") + QChar(0x2401) + QChar(0xE9));
    EXPECT_EQ(View(kCtlCheckList)->columnWidth(1), 110);
    ui->SetClipboardText("a\tb\r\n\x80\x81\xE9\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString("a\tb\r\n") + QChar(0x20AC) + QChar(0x81) + QChar(0xE9) + "\r\n");
    ui->CloseDialog(kWindowCheck);
    EXPECT_FALSE(ui->IsDialogOpen(kWindowCheck));
}

TEST_F(QtWindow, MessageBoxesAndRequestersAsTheUserSeesThem) {
    using MB = QMessageBox;
    ui->messageHook = nullptr;
    QString seen;
    // Reads the modal window Qt shows, then answers it.
    auto answerWith = [&](QMessageBox::StandardButton b) {
        QTimer::singleShot(0, [&, b] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* fd = qobject_cast<QFileDialog*>(w)) {
                const bool asks = fd->acceptMode() == QFileDialog::AcceptSave &&
                                  !fd->testOption(QFileDialog::DontConfirmOverwrite);
                seen = QDir(fd->directory()).canonicalPath() + "|" + fd->nameFilters().join(';') +
                       (asks ? "|asks" : "");
                return fd->reject();
            }
            auto* box = qobject_cast<QMessageBox*>(w);
            seen = QString("%1|%2|%3|%4").arg(box->windowTitle(), box->text())
                       .arg(box->icon()).arg(box->standardButtons());
            if (box->defaultButton()) seen += QString("|%1").arg(box->standardButton(box->defaultButton()));
            box->button(b)->click();
        });
    };
    answerWith(QMessageBox::No);
    EXPECT_EQ(ui->MessageBox("QUIT", "LEAVE?", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(seen, QString("QUIT|LEAVE?|%1|%2|%3").arg(MB::Question).arg(MB::Yes | MB::No).arg(MB::Yes));
    answerWith(QMessageBox::Yes);  // a question whose Yes destroys: Enter answers No
    EXPECT_EQ(ui->MessageBox("ALERT!", "ERASE?", Icon::Warning, Buttons::YesNoDefaultNo), Answer::Yes);
    EXPECT_EQ(seen, QString("ALERT!|ERASE?|%1|%2|%3").arg(MB::Warning).arg(MB::Yes | MB::No).arg(MB::No));
    answerWith(QMessageBox::Ok);
    EXPECT_EQ(ui->MessageBox("INFO", "WAIT.\r  PLEASE", Icon::Stop, Buttons::Ok), Answer::Ok);
    EXPECT_EQ(seen, QString("INFO|WAIT.\n  PLEASE|%1|%2").arg(MB::Critical).arg(MB::Ok));
    answerWith(QMessageBox::Cancel);  // a folder that does not exist here opens the home folder
    EXPECT_EQ(ui->OpenFileRequester("Load", "C:\\", "ESP (*.esp)", "*.esp"), "");
    EXPECT_EQ(seen, QDir(QDir::homePath()).canonicalPath() + "|ESP (*.esp)");
    answerWith(QMessageBox::Cancel);  // the core asks before overwriting, not Qt
    EXPECT_EQ(ui->SaveFileRequester("Save as", "/", "ESP (*.esp)", "*.esp", ""), "");
    EXPECT_EQ(seen, "/|ESP (*.esp)");
}

class FieldBytes : public QtWindow {
protected:
    void SetUp() override {
        QtWindow::SetUp();
        ui->OpenDialog(2, "Book", {100, 100, 700, 500});
        ui->AddEditField(2, 1033, {55, 7, 280, 22}, "");
        ui->AddTextPane(2, 1060, {205, 16, 485, 205}, true, 65536);
        ui->AddTextPane(2, 1061, {205, 239, 485, 205}, false, 65536);
    }
    QPlainTextEdit* Pane(int id) { return qobject_cast<QPlainTextEdit*>(ui->ControlWidget(id)); }
    void Type(QWidget* w, const QString& text) { qt_test::Type(w, text); }
};

TEST_F(FieldBytes, APaneShowsCrLfAsAParagraphALoneLfAsALineBreakALoneCrAsASymbol) {
    ui->SetControlText(1060, "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(Pane(1060)->document()->blockCount(), 2);
    const QString raw = Pane(1060)->document()->toRawText();
    EXPECT_TRUE(raw.contains(QChar(QChar::LineSeparator)) && raw.contains(QChar(0x240D)));
}

// Typing gives the bytes of the code page; a character it lacks is refused,
// typed or pasted, with a message naming it, never taken as '?'.
TEST_F(FieldBytes, TypedTextBecomesBytesOfTheCodePageAndMissingCharactersAreRefused) {
    struct Case {
        int cp;
        const char* typed;
        std::string bytes;
        const char* lacking;  // a character the code page has no byte for
        const char* named;
    } cases[] = {
        {1252, "Ab \u00E9\u20AC", "Ab \xE9\x80", "\u0416", "U+0416 (\u0416)"},
        {1251, "\u0411\u0430\u043B\u043C\u043E\u0440\u0430 \u0401", "\xC1\xE0\xEB\xEC\xEE\xF0\xE0 \xA8",
         "\u0141", "U+0141 (\u0141)"},
        {1250, "\u0141\u00F3d\u017A", "\xA3\xF3" "d\x9F", "\u00E8", "U+00E8 (\u00E8)"},
    };
    QLineEdit* field = qobject_cast<QLineEdit*>(ui->ControlWidget(1033));
    QPlainTextEdit* p = Pane(1061);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cp);
        ui->SetCodePage(c.cp);
        messages.clear();
        for (int control : {1033, 1061}) {
            ui->SetControlText(control, "");
            Type(ui->ControlWidget(control), QString::fromUtf8(c.typed));
            Type(ui->ControlWidget(control), QString::fromUtf8(c.lacking));
            QCoreApplication::processEvents();  // a field tells once the refused input is undone
            EXPECT_EQ(ui->GetControlText(control), c.bytes) << control;
        }
        QApplication::clipboard()->setText(QString::fromUtf8(c.typed) + QString::fromUtf8(c.lacking));
        field->paste();
        p->paste();
        QCoreApplication::processEvents();
        EXPECT_EQ(ui->GetControlText(1033) + "|" + ui->GetControlText(1061), c.bytes + "|" + c.bytes);
        ASSERT_EQ(messages.size(), 4u);
        for (const MessageRequest& m : messages)
            EXPECT_EQ(m.text, "THE CODE PAGE " + std::to_string(c.cp) + " HAS NO CHARACTER " + c.named +
                                  ".\rIT CANNOT BE PART OF A NAME OR TEXT.");
        EXPECT_TRUE(ui->ControlTextFits(1033) && ui->ControlTextFits(1061));
    }
    // Enter and Shift+Enter in a pane; a read-only pane takes nothing.
    ui->SetControlText(1061, "");
    Type(p, "ab");
    QTest::keyClick(p, Qt::Key_Return);
    QTest::keyClick(p, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(ui->GetControlText(1061), "ab\r\n\n");
    ui->SetControlText(1060, "source");
    Type(Pane(1060), "xyz\r");
    EXPECT_EQ(ui->GetControlText(1060), "source");
    // A character that got past the input checks: OK and SAVE are told, and
    // the text never comes back with a stand-in.
    messages.clear();
    p->textCursor().insertText(QStringLiteral("\u0416"));
    EXPECT_FALSE(ui->ControlTextFits(1061));
    EXPECT_EQ(ui->GetControlText(1061), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("U+0416"), std::string::npos);
}

// The file field's name is a path: in the file system's encoding, whatever the code page.
TEST_F(FieldBytes, StatusBarShowsTheFileNameAsAPath) {
    auto shown = [&] {
        QStringList texts;
        for (QLabel* l : ui->MainWidget()->findChild<QStatusBar*>()->findChildren<QLabel*>()) texts << l->text();
        return texts.join('|').toStdString();
    };
    const std::string file = qp::kStatusFileLabel + std::string("\xD0\x81\xD0\xB6\xD0\xB8\xD0\xBA mod \xC5\xBE.esp");
    ui->SetStatusText(qp::kStatusFile, file);
    for (int cp : {1250, 1251, 1252}) {
        ui->SetCodePage(cp);
        EXPECT_NE(shown().find("File : \u0401\u0436\u0438\u043A mod \u017E.esp"), std::string::npos) << cp;
        EXPECT_EQ(ui->GetStatusText(qp::kStatusFile), file);
    }
}

TEST_F(FieldBytes, PaneRefusesAPastePastItsLimitWhole) {
    ui->AddTextPane(2, 1062, {205, 239, 485, 205}, false, 10);
    QPlainTextEdit* p = Pane(1062);
    ui->SetControlText(1062, "x");
    // A paste that does not fit is refused whole, not cut.
    QApplication::clipboard()->setText(QStringLiteral("abcdefghijk"));
    p->paste();
    EXPECT_EQ(ui->GetControlText(1062), "x");
    EXPECT_EQ(messages.size(), 1u);
    QApplication::clipboard()->setText(QStringLiteral("ab\r\ncd\ne"));
    p->paste();
    EXPECT_EQ(ui->GetControlText(1062), "ab\r\ncd\r\nex");  // LF pasted as CR LF
}

using contract::BackendContract;
INSTANTIATE_TEST_SUITE_P(Qt, BackendContract, ::testing::Values(&MakeQt));

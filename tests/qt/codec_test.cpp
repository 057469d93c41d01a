// The byte strings of plugins must come back from every field and pane exactly
// as they went in; typed text becomes Windows-1252 bytes.
#include <QtWidgets>
#include <QTest>

#include "platform/qt/cp1252.h"
#include "qt_fixture.h"

using namespace qp;

TEST(Cp1252, KnownCharactersUndefinedBytesAndMessageBreaks) {
    EXPECT_EQ(int(cp1252::ByteToChar(0x80)), 0x20AC);
    EXPECT_EQ(int(cp1252::ByteToChar(0x9F)), 0x0178);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(int(cp1252::ByteToChar(b)), b);
    EXPECT_EQ(cp1252::PaneToBytes(QString::fromUtf8("\xE4\xB8\xAD")), "?");
    EXPECT_EQ(cp1252::BytesToMessage("A\r\nB\nC\rD"), QStringLiteral("A\nB\nC\nD"));
}

class FieldBytes : public qt_test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        ui->CreateMainWindow("T", 800, 600);
        ui->OpenDialog(2, "Book", {100, 100, 700, 500});
        ui->AddEditField(2, 1033, {55, 7, 280, 22}, "");
        ui->AddTextPane(2, 1060, {205, 16, 485, 205}, true, 65536);
        ui->AddTextPane(2, 1061, {205, 239, 485, 205}, false, 65536);
    }
    QPlainTextEdit* Pane(int id) { return qobject_cast<QPlainTextEdit*>(ui->ControlWidget(id)); }
};

TEST_F(FieldBytes, AllByteValuesAndLineBreaksComeBackFromTheRealWidgets) {
    std::string all, many;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    for (int i = 0; i < 160; ++i) many += all;  // past Qt's default field limit of 32767 characters
    const std::string cases[] = {all,     many,   "a\r\nb",     "a\rb",          "a\nb",       "\n\r", "\r\r\n\n\r",
                                 "end\r", "\r\n", "\r\nstart", "tab\there\r\n", "\n\n\r\r", "",     std::string("a\0b\r", 4)};
    for (const std::string& s : cases) {
        SCOPED_TRACE(s.size() > 20 ? "all bytes" : s);
        for (int control : {1033, 1060, 1061}) {
            ui->SetControlText(control, s);
            EXPECT_EQ(ui->GetControlText(control), s) << control;
        }
        EXPECT_EQ(cp1252::PaneByteCount(cp1252::BytesToPane(s)), s.size());
    }
    for (QChar c : cp1252::BytesToLine(all))  // a field shows no control characters
        EXPECT_FALSE(c.unicode() < 0x20 || c.unicode() == 0x7F) << int(c.unicode());
}

// CR LF is a paragraph, a lone LF a line break, a lone CR a visible symbol.
TEST_F(FieldBytes, PaneShowsEachKindOfBreakDifferently) {
    ui->SetControlText(1060, "one\r\ntwo\nthree\rfour");
    QTextDocument* doc = Pane(1060)->document();
    EXPECT_EQ(doc->blockCount(), 2);
    EXPECT_TRUE(doc->toRawText().contains(QChar(QChar::LineSeparator)));
    EXPECT_TRUE(doc->toRawText().contains(QChar(0x240D)));
}

TEST_F(FieldBytes, TypedTextBecomesCp1252BytesExceptInTheReadOnlyPane) {
    auto* e = qobject_cast<QLineEdit*>(ui->ControlWidget(1033));
    e->setFocus();
    // Characters QTest has no key for, Cyrillic Zhe among them.
    for (QChar c : QString::fromUtf8("Ab \xC3\xA9\xE2\x82\xAC\xD0\x96")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(e, &press);
    }
    EXPECT_EQ(ui->GetControlText(1033), "Ab \xE9\x80?");
    QPlainTextEdit* p = Pane(1061);
    p->setFocus();
    QTest::keyClicks(p, "ab");
    QTest::keyClick(p, Qt::Key_Return);
    QTest::keyClicks(p, "c");
    QTest::keyClick(p, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(ui->GetControlText(1061), "ab\r\nc\n");

    ui->SetControlText(1060, "source");
    Pane(1060)->setFocus();
    QTest::keyClicks(Pane(1060), "xyz");
    QTest::keyClick(Pane(1060), Qt::Key_Return);
    EXPECT_EQ(ui->GetControlText(1060), "source");
}

TEST_F(FieldBytes, PaneRefusesInputPastItsLimitWithAMessage) {
    ui->AddTextPane(2, 1062, {205, 239, 485, 205}, false, 10);
    QPlainTextEdit* p = Pane(1062);
    ui->SetControlText(1062, "1234567");
    p->setFocus();
    p->moveCursor(QTextCursor::End);
    QTest::keyClicks(p, "8");
    EXPECT_TRUE(messages.empty());
    QTest::keyClick(p, Qt::Key_Return);  // "\r\n": exactly 10
    QTest::keyClicks(p, "9");
    EXPECT_EQ(ui->GetControlText(1062), "12345678\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, Icon::Stop);
    p->selectAll();  // replacing a selection by something no longer is fine
    QTest::keyClicks(p, "x");
    EXPECT_EQ(ui->GetControlText(1062), "x");
    // A paste that does not fit is refused whole, not cut.
    QApplication::clipboard()->setText(QStringLiteral("abcdefghijk"));
    p->moveCursor(QTextCursor::End);
    p->paste();
    EXPECT_EQ(ui->GetControlText(1062), "x");
    EXPECT_EQ(messages.size(), 2u);
    QApplication::clipboard()->setText(QStringLiteral("ab\r\ncd\ne"));
    p->paste();
    EXPECT_EQ(ui->GetControlText(1062), "xab\r\ncd\r\ne");
}

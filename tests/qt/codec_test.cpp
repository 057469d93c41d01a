// The byte strings of plugins must come back from every field and pane exactly
// as they went in; typed text becomes Windows-1252 bytes.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>

#include "platform/qt/cp1252.h"
#include "qt_fixture.h"

using namespace qp;

namespace {

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(char(b));
    return s;
}

const std::vector<std::string> kBreaks = {
    "a\r\nb",       "a\rb",       "a\nb",         "\r\n",   "\r",        "\n",
    "\n\r",         "\r\r\n\n\r", "x\r\n\r\ny\r", "end\r",  "\r\nstart", "tab\there\r\n",
    "\r\n\r\n\r\n", "",           "\n\n\r\r",     std::string("a\0b\r", 4)};

// Types text as a keyboard would, any character included (QTest only knows
// the ASCII keys).
void Type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

}  // namespace

TEST(Cp1252, KnownCharactersAndTheUndefinedBytes) {
    EXPECT_EQ(int(cp1252::ByteToChar(0x80)), 0x20AC);
    EXPECT_EQ(int(cp1252::ByteToChar(0x9F)), 0x0178);
    EXPECT_EQ(int(cp1252::ByteToChar(0xE9)), 0x00E9);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(int(cp1252::ByteToChar(b)), b);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(cp1252::CharToByte(cp1252::ByteToChar(b)), b) << b;
    EXPECT_EQ(cp1252::CharToByte(u'\u0416'), -1);  // Cyrillic Zhe
}

TEST(Cp1252, EveryByteSurvivesLineAndPaneForms) {
    const std::string all = AllBytes();
    QString line = cp1252::BytesToLine(all);
    EXPECT_EQ(cp1252::LineToBytes(line), all);
    for (QChar c : line) EXPECT_FALSE(c.unicode() < 0x20 || c.unicode() == 0x7F) << int(c.unicode());
    EXPECT_EQ(cp1252::PaneToBytes(cp1252::BytesToPane(all)), all);
    for (const std::string& s : kBreaks) {
        EXPECT_EQ(cp1252::LineToBytes(cp1252::BytesToLine(s)), s);
        QString pane = cp1252::BytesToPane(s);
        EXPECT_EQ(cp1252::PaneToBytes(pane), s);
        EXPECT_EQ(cp1252::PaneByteCount(pane), s.size());
    }
}

TEST(Cp1252, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(cp1252::LineToBytes(QString::fromUtf8("A\xC3\xA9\xE2\x82\xAC\xD0\x96")), "A\xE9\x80?");
    EXPECT_EQ(cp1252::PaneToBytes(QString::fromUtf8("\xE4\xB8\xAD")), "?");
}

TEST(Cp1252, MessageTextsBreakAtCarriageReturns) {
    EXPECT_EQ(cp1252::BytesToMessage("LOAD/SAVE IN PROGRESS.\r  PLEASE WAIT!"),
              QStringLiteral("LOAD/SAVE IN PROGRESS.\n  PLEASE WAIT!"));
    EXPECT_EQ(cp1252::BytesToMessage("A\r\nB\nC"), QStringLiteral("A\nB\nC"));
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
    QLineEdit* Edit() { return qobject_cast<QLineEdit*>(ui->ControlWidget(1033)); }
    QPlainTextEdit* Pane(int id) { return qobject_cast<QPlainTextEdit*>(ui->ControlWidget(id)); }
};

TEST_F(FieldBytes, AllByteValuesComeBackFromTheRealWidgets) {
    const std::string all = AllBytes();
    for (int control : {1033, 1060, 1061}) {
        ui->SetControlText(control, all);
        EXPECT_EQ(ui->GetControlText(control), all) << control;
        // Longer than Qt's default field limit of 32767 characters.
        std::string many;
        for (int i = 0; i < 160; ++i) many += all;
        ui->SetControlText(control, many);
        EXPECT_EQ(ui->GetControlText(control), many) << control;
    }
}

TEST_F(FieldBytes, LineBreaksComeBackFromBothPanesAndTheField) {
    for (const std::string& s : kBreaks) {
        for (int control : {1033, 1060, 1061}) {
            ui->SetControlText(control, s);
            EXPECT_EQ(ui->GetControlText(control), s) << control;
        }
    }
}

TEST_F(FieldBytes, PaneShowsCrLfAsParagraphLoneLfAsLineAndLoneCrAsSymbol) {
    ui->SetControlText(1060, "one\r\ntwo\nthree\rfour");
    QTextDocument* doc = Pane(1060)->document();
    EXPECT_EQ(doc->blockCount(), 2);
    EXPECT_TRUE(doc->toRawText().contains(QChar(QChar::LineSeparator)));
    EXPECT_TRUE(doc->toRawText().contains(QChar(0x240D)));
}

TEST_F(FieldBytes, TypedTextBecomesCp1252Bytes) {
    QLineEdit* e = Edit();
    e->setFocus();
    e->clear();
    Type(e, QString::fromUtf8("Ab \xC3\xA9\xE2\x82\xAC\xD0\x96"));
    EXPECT_EQ(ui->GetControlText(1033), "Ab \xE9\x80?");

    QPlainTextEdit* p = Pane(1061);
    p->setFocus();
    QTest::keyClicks(p, "ab");
    QTest::keyClick(p, Qt::Key_Return);
    QTest::keyClicks(p, "c");
    QTest::keyClick(p, Qt::Key_Return, Qt::ShiftModifier);
    Type(p, QString::fromUtf8("d\xC3\xBC"));
    EXPECT_EQ(ui->GetControlText(1061), "ab\r\nc\nd\xFC");
}

TEST_F(FieldBytes, ReadOnlyPaneRefusesTyping) {
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
    EXPECT_EQ(ui->GetControlText(1062), "12345678");
    EXPECT_TRUE(messages.empty());

    QTest::keyClick(p, Qt::Key_Return);  // "\r\n": exactly 10
    EXPECT_EQ(ui->GetControlText(1062), "12345678\r\n");
    QTest::keyClicks(p, "9");
    EXPECT_EQ(ui->GetControlText(1062), "12345678\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, Icon::Stop);

    // Replacing a selection by something no longer is fine.
    p->selectAll();
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

// The widgets behind the Qt backend: the row model and list view of the
// object window's tabs and the dialogs' ID list, the multi-line text pane,
// and the main and dialog windows. They only report what the user does
// through callbacks; QtPlatform turns that into user events.
#pragma once

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTableView>
#include <QValidator>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/platform.h"

namespace qp {

// The texts of platform/codepage.h as Qt holds them.
inline QString ToQString(const std::u16string& s) { return QString::fromStdU16String(s); }
inline std::u16string_view Utf16(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())};
}

// Rows kept as the raw bytes the core gave; decoded only when painted, in the
// code page *codePage names then, so a 50,000-row tab costs one model reset
// and no conversion up front, and a new code page costs one repaint.
//
// The model may show only some of its rows (the filter). Its own rows, the
// list rows, are what the program numbers; the rows the view sees are the
// shown ones, in list order. ListRow and ViewRow turn one into the other.
class RowModel : public QAbstractTableModel {
public:
    RowModel(std::vector<QString> titles, const int* codePage, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Every list row, shown or not.
    const std::vector<Row>& Rows() const { return rows_; }
    // These show every row again.
    void SetRows(std::vector<Row> rows);
    void Clear();
    // Appended rows are shown.
    void Append(std::vector<Row> rows);
    void SetText(int listRow, int column, const std::string& text);
    // Paints every row again (the code page changed).
    void Reshow();
    // Shows only the given list rows, or every row; one reset either way.
    void ShowOnly(const std::vector<int>& listRows);
    void ShowAll();
    // -1 for a row out of range or hidden.
    int ListRow(int viewRow) const;
    int ViewRow(int listRow) const;

private:
    std::vector<QString> titles_;
    const int* codePage_;
    std::vector<Row> rows_;
    bool hiding_ = false;
    std::vector<int> shown_;  // list rows, ascending, while hiding_
};

// Takes into an edit field only text that the code page *codePage can hold:
// typing, pasting, dropping or composing a character it lacks is refused
// whole, and onMissing is told the character once the refused input is over.
class CodePageValidator : public QValidator {
public:
    CodePageValidator(const int* codePage, QObject* parent);
    State validate(QString& input, int& pos) const override;

    std::function<void(char32_t)> onMissing;

private:
    const int* codePage_;
    mutable bool telling_ = false;
};

// A report-style list: whole-row single selection, grid lines, selection
// shown even without focus, left-aligned fixed columns, no sorting of its own
// (the core sorts its name lists and refills the view).
class ListView : public QTableView {
public:
    ListView(RowModel* model, const std::vector<int>& widths, QWidget* parent);

    RowModel* Model() const { return model_; }
    // The focused list row, or -1.
    int FocusedRow() const;
    // Selects and focuses a list row (-1 or a hidden row clears) without
    // reporting it.
    void SelectRow(int row);
    // Shows other rows of the model (change), keeping the focused row
    // focused and in the middle of the view when it is still shown.
    void ChangeShownRows(const std::function<void()>& change);
    // Runs a change the program makes (new rows, new texts) without reporting
    // the selection changes it causes as user actions.
    void Quietly(const std::function<void()>& change);

    std::function<void(ControlAction)> onAction;
    std::function<void(int column)> onHeaderClick;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Report(ControlAction a);

    RowModel* model_;
    int quiet_ = 0;
};

// A multi-line pane holding raw bytes in the code page *codePage: see
// BytesToPane in platform/codepage.h for how line breaks and control bytes are
// shown. Refuses user input that would take the text past maxBytes instead of
// cutting it, and typed, pasted, dropped or composed characters the code
// page lacks.
class TextPane : public QPlainTextEdit {
public:
    TextPane(bool readOnly, int maxBytes, const int* codePage, QWidget* parent);

    void SetBytes(const std::string& bytes);
    // False, with the first character the code page lacks, when the text
    // holds one.
    bool Bytes(std::string& bytes, char32_t* missing = nullptr) const;
    size_t ByteCount() const;

    // Told when input is refused because of the limit.
    std::function<void(int maxBytes)> onRefused;
    // Told when input is refused because the code page lacks a character.
    std::function<void(char32_t)> onMissing;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    bool Fits(size_t insertedBytes);
    // False, once onMissing is told, when text holds a character the code page lacks.
    bool InCodePage(const QString& text);

    int maxBytes_;
    const int* codePage_;
};

// The filter bar's field: Escape empties it, Down, Enter and Return leave it
// for the list on view.
class FilterField : public QLineEdit {
public:
    explicit FilterField(QWidget* parent) : QLineEdit(parent) {}
    // Told after Escape has emptied the field (setText tells no one).
    std::function<void()> onCleared;
    std::function<void()> onLeave;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// Window 0. Fixed size except maximise and restore; the close box is only
// reported (the core asks before quitting).
class MainWindow : public QMainWindow {
public:
    MainWindow();

    void SetFixedInnerSize(QSize s);
    std::function<void()> onClose;
    std::function<void()> onSizeChanged;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // Reports a maximise or restore once the window has its new size.
    void CheckSize();

    QSize fixed_;
    QSize reported_;
    bool snapPending_ = false;
};

// Windows 1 and 2: tool windows owned by the main window; the close box is
// only reported, the core closes them.
class DialogWindow : public QWidget {
public:
    DialogWindow(int window, QWidget* owner);
    int Window() const { return window_; }
    std::function<void()> onClose;
    // A key no control of the dialog took (Enter, Escape); true: handled.
    std::function<bool(int key)> onKey;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int window_;
};

// The area below the menu bar and each page of the tab control: tells its
// owner when it changes size, so the controls inside can be kept within the
// visible area and their borders and scroll bars stay on screen.
class Area : public QWidget {
public:
    explicit Area(QWidget* parent) : QWidget(parent) {}
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* e) override;
};

}  // namespace qp

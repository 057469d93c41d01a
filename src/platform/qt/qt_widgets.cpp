#include "platform/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTimer>

namespace qp {

// ---------------------------------------------------------------- RowModel

RowModel::RowModel(std::vector<QString> titles, const int* codePage, QObject* parent)
    : QAbstractTableModel(parent), titles_(std::move(titles)), codePage_(codePage) {}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(hiding_ ? shown_.size() : rows_.size());
}

int RowModel::ListRow(int viewRow) const {
    if (viewRow < 0 || viewRow >= rowCount()) return -1;
    return hiding_ ? shown_[size_t(viewRow)] : viewRow;
}

int RowModel::ViewRow(int listRow) const {
    if (listRow < 0 || listRow >= int(rows_.size())) return -1;
    if (!hiding_) return listRow;
    auto it = std::lower_bound(shown_.begin(), shown_.end(), listRow);
    return it != shown_.end() && *it == listRow ? int(it - shown_.begin()) : -1;
}

void RowModel::ShowOnly(const std::vector<int>& listRows) {
    beginResetModel();
    hiding_ = true;
    shown_.clear();
    shown_.reserve(listRows.size());
    const int n = int(rows_.size());
    for (int r : listRows)
        if (r >= 0 && r < n && (shown_.empty() || r > shown_.back())) shown_.push_back(r);
    endResetModel();
}

void RowModel::ShowAll() {
    beginResetModel();
    hiding_ = false;
    shown_.clear();
    shown_.shrink_to_fit();
    endResetModel();
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles_.size());
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    const int row = index.isValid() ? ListRow(index.row()) : -1;
    if (row < 0 || index.column() >= 4) return {};
    if (role == Qt::DisplayRole)
        return ToQString(BytesToLine(*codePage_, rows_[size_t(row)][size_t(index.column())]));
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(titles_.size())) return {};
    if (role == Qt::DisplayRole) return titles_[size_t(section)];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void RowModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    hiding_ = false;
    shown_.clear();
    endResetModel();
}

void RowModel::Append(std::vector<Row> rows) {
    if (rows.empty()) return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    if (hiding_)
        for (size_t i = 0; i < rows.size(); ++i) shown_.push_back(int(rows_.size() + i));
    if (rows_.empty()) {
        rows_ = std::move(rows);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
    }
    endInsertRows();
}

void RowModel::SetText(int listRow, int column, const std::string& text) {
    if (listRow < 0 || listRow >= int(rows_.size()) || column < 0 || column >= 4) return;
    rows_[size_t(listRow)][size_t(column)] = text;
    if (const int row = ViewRow(listRow); row >= 0) {
        QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

void RowModel::Reshow() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void RowModel::Clear() {
    if (rows_.empty() && !hiding_) return;
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    hiding_ = false;
    shown_.clear();
    endResetModel();
}

// ---------------------------------------------------------------- CodePageValidator

CodePageValidator::CodePageValidator(const int* codePage, QObject* parent)
    : QValidator(parent), codePage_(codePage) {}

QValidator::State CodePageValidator::validate(QString& input, int&) const {
    std::string bytes;
    char32_t missing = 0;
    if (LineToBytes(*codePage_, Utf16(input), bytes, &missing)) return Acceptable;
    // The field undoes the input when this returns; the user is told after
    // that, once, outside the key or paste event.
    if (!telling_) {
        telling_ = true;
        QTimer::singleShot(0, this, [this, missing] {
            telling_ = false;
            if (onMissing) onMissing(missing);
        });
    }
    return Invalid;
}

// ---------------------------------------------------------------- ListView

ListView::ListView(RowModel* model, const std::vector<int>& widths, QWidget* parent)
    : QTableView(parent), model_(model) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setShowGrid(true);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setContextMenuPolicy(Qt::CustomContextMenu);

    // The selection stays as visible when the list loses the focus.
    QPalette pal = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    QHeaderView* v = verticalHeader();
    v->hide();
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(fontMetrics().height() + 4);
    v->setMinimumSectionSize(fontMetrics().height() + 2);

    QHeaderView* h = horizontalHeader();
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    h->setHighlightSections(false);
    h->setSectionsMovable(false);
    h->setSectionsClickable(true);
    h->setStretchLastSection(false);
    h->setSortIndicatorShown(false);
    h->setMinimumSectionSize(8);
    for (size_t i = 0; i < widths.size(); ++i) h->resizeSection(int(i), widths[i]);

    connect(h, &QHeaderView::sectionClicked, this, [this](int column) {
        if (onHeaderClick) onHeaderClick(column);
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { Report(ControlAction::SelectionChange); });
    connect(this, &QAbstractItemView::clicked, this, [this] { Report(ControlAction::Click); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this] { Report(ControlAction::Activate); });
    connect(this, &QWidget::customContextMenuRequested, this,
            [this] { Report(ControlAction::RightClick); });
}

int ListView::FocusedRow() const {
    QModelIndex i = currentIndex();
    return i.isValid() ? model_->ListRow(i.row()) : -1;
}

void ListView::SelectRow(int row) {
    Quietly([&] {
        const int shown = model_->ViewRow(row);
        if (shown < 0) {
            selectionModel()->clearSelection();
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            return;
        }
        QModelIndex i = model_->index(shown, 0);
        selectionModel()->setCurrentIndex(
            i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(i);
    });
}

void ListView::ChangeShownRows(const std::function<void()>& change) {
    Quietly([&] {
        const int focused = FocusedRow();
        change();
        const int shown = model_->ViewRow(focused);
        if (shown < 0) return;
        QModelIndex i = model_->index(shown, 0);
        selectionModel()->setCurrentIndex(
            i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(i, QAbstractItemView::PositionAtCenter);
    });
}

void ListView::Quietly(const std::function<void()>& change) {
    ++quiet_;
    change();
    --quiet_;
}

void ListView::Report(ControlAction a) {
    if (quiet_ == 0 && onAction) onAction(a);
}

void ListView::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        Report(ControlAction::Activate);
        return;
    }
    QTableView::keyPressEvent(e);
}

// ---------------------------------------------------------------- TextPane

TextPane::TextPane(bool readOnly, int maxBytes, const int* codePage, QWidget* parent)
    : QPlainTextEdit(parent), maxBytes_(maxBytes), codePage_(codePage) {
    setReadOnly(readOnly);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    setUndoRedoEnabled(true);
    if (readOnly) setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void TextPane::SetBytes(const std::string& bytes) {
    // setPlainText would split a lone '\r' into a paragraph; the codec has
    // already made every break a separator the document keeps as it is.
    setPlainText(ToQString(BytesToPane(*codePage_, bytes)));
}

bool TextPane::Bytes(std::string& bytes, char32_t* missing) const {
    return PaneToBytes(*codePage_, Utf16(document()->toRawText()), bytes, missing);
}

size_t TextPane::ByteCount() const { return PaneByteCount(Utf16(document()->toRawText())); }

bool TextPane::InCodePage(const QString& text) {
    std::string bytes;
    char32_t missing = 0;
    if (PaneToBytes(*codePage_, Utf16(text), bytes, &missing)) return true;
    if (onMissing) onMissing(missing);
    return false;
}

bool TextPane::Fits(size_t insertedBytes) {
    if (maxBytes_ <= 0) return true;
    size_t selected = PaneByteCount(Utf16(textCursor().selectedText()));
    size_t after = ByteCount() - selected + insertedBytes;
    if (after <= size_t(maxBytes_) || insertedBytes <= selected) return true;
    if (onRefused) onRefused(maxBytes_);
    return false;
}

void TextPane::keyPressEvent(QKeyEvent* e) {
    if (!isReadOnly()) {
        size_t inserted = 0;
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            // Enter breaks the paragraph ("\r\n"), Shift+Enter the line ("\n").
            inserted = (e->modifiers() & Qt::ShiftModifier) ? 1 : 2;
        } else if (const QChar c = e->text().isEmpty() ? QChar() : e->text().at(0);
                   c.isPrint() || c == u'\t' || c.isSurrogate()) {
            if (!InCodePage(e->text())) return;
            inserted = PaneByteCount(Utf16(e->text()));
        }
        if (inserted > 0 && !Fits(inserted)) return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TextPane::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source || !source->hasText()) return;
    // Text from the clipboard uses "\r\n" or "\n" for its line ends; both
    // become the pane's own paragraph break.
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar('\n'), QChar(QChar::ParagraphSeparator));
    if (!InCodePage(text) || !Fits(PaneByteCount(Utf16(text)))) return;
    textCursor().insertText(text);
    ensureCursorVisible();
}

void TextPane::inputMethodEvent(QInputMethodEvent* e) {
    if (isReadOnly() || e->commitString().isEmpty() ||
        (InCodePage(e->commitString()) && Fits(PaneByteCount(Utf16(e->commitString()))))) {
        QPlainTextEdit::inputMethodEvent(e);
        return;
    }
    // The composition goes on; only the refused text is not taken.
    QInputMethodEvent kept(e->preeditString(), e->attributes());
    QPlainTextEdit::inputMethodEvent(&kept);
}

// ---------------------------------------------------------------- FilterField

void FilterField::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
        if (e->key() == Qt::Key_Escape && !text().isEmpty()) {
            clear();
            if (onCleared) onCleared();
            return;
        }
        if (e->key() == Qt::Key_Down || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (onLeave) onLeave();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------- MainWindow

MainWindow::MainWindow() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
}

void MainWindow::SetFixedInnerSize(QSize s) {
    fixed_ = s;
    reported_ = s;
    resize(s);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (onClose) onClose();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    CheckSize();
}

void MainWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) CheckSize();
}

void MainWindow::CheckSize() {
    const auto large = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (windowState() & Qt::WindowMinimized) return;
    if (!(windowState() & large) && fixed_.isValid() && size() != fixed_) {
        // No sizing border: a window manager that lets the user drag the edge
        // anyway gets the window back at its own size. The check waits a
        // little, as X11 may tell the new size before the maximised state.
        if (!snapPending_) {
            snapPending_ = true;
            QTimer::singleShot(200, this, [this, large] {
                snapPending_ = false;
                if (!(windowState() & (large | Qt::WindowMinimized)) && size() != fixed_) resize(fixed_);
            });
        }
        return;
    }
    if (size() != reported_) {
        reported_ = size();
        if (onSizeChanged) onSizeChanged();
    }
}

// ---------------------------------------------------------------- DialogWindow

DialogWindow::DialogWindow(int window, QWidget* owner) : QWidget(owner), window_(window) {
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void DialogWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (onClose) onClose();
}

void DialogWindow::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier)
        if (onKey && onKey(e->key())) return e->accept();
    QWidget::keyPressEvent(e);
}

void Area::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (onResize) onResize();
}

}  // namespace qp

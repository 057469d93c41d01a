#include "platform/qt/qt_platform.h"

#include <algorithm>
#include <limits>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/codepage.h"
#include "platform/qt/qt_widgets.h"

namespace qp {

namespace {

bool IsList(int control) { return IsListNumber(control); }

QRect ToQRect(const Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

QString PathToQString(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string QStringToPath(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

// The folder a requester starts in: the stored one when it exists here, else
// the user's home (a stored Windows folder such as "C:\" means nothing on
// another system).
QString StartFolder(const std::string& folder) {
    QString f = PathToQString(folder);
    if (!f.isEmpty()) {
        QFileInfo info(QDir::fromNativeSeparators(f));
        if (info.isAbsolute() && info.isDir()) return info.absoluteFilePath();
    }
    return QDir::homePath();
}

QString FilterString(const QString& l, const QString& p) {
    if (p.isEmpty() || l.contains(QLatin1Char('('))) return l.isEmpty() ? p : l;
    return l + QStringLiteral(" (") + p + QLatin1Char(')');
}

void RaiseWindow(QWidget* w) {
    // The offscreen platform of the tests has no stacking order to change.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
    w->activateWindow();
}

}  // namespace

QtPlatform::QtPlatform() {
    invoker_ = new QObject();
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, invoker_, [this] { quitting_ = true; });
    FindHelpViewer();
}

QtPlatform::~QtPlatform() {
    ReleaseWorker();
    for (auto& d : dialogs_) delete d.data();
    delete main_.data();
    delete invoker_;
}

bool QtPlatform::OnGuiThread() const { return QThread::currentThread() == invoker_->thread(); }

void QtPlatform::RunBlocking(const std::function<void()>& f) {
    QMetaObject::invokeMethod(
        invoker_, [this, &f] { FlushQueued(); f(); }, Qt::BlockingQueuedConnection);
}

void QtPlatform::PostFlush() {
    QMetaObject::invokeMethod(invoker_, [this] { FlushQueued(); }, Qt::QueuedConnection);
}

void QtPlatform::AppendQueuedRows(int list, std::vector<Row> rows) {
    if (ListView* v = List(list)) v->Quietly([&] { v->Model()->Append(std::move(rows)); });
}

void QtPlatform::ShowQueuedStatus(int field, std::string text) {
    if (!statusField_[field]) return;
    statusBytes_[field] = std::move(text);
    statusField_[field]->setText(StatusLine(field, statusBytes_[field]));
}

QWidget* QtPlatform::MainWidget() const { return main_.data(); }

QString QtPlatform::Line(const std::string& bytes) const { return ToQString(BytesToLine(codePage_, bytes)); }

QString QtPlatform::StatusLine(int field, const std::string& bytes) const {
    const size_t label = sizeof kStatusFileLabel - 1;
    if (field != kStatusFile || bytes.compare(0, label, kStatusFileLabel) != 0) return Line(bytes);
    return Line(bytes.substr(0, label)) + PathToQString(bytes.substr(label));
}

QAction* QtPlatform::MenuAction(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QWidget* QtPlatform::ControlWidget(int control) const {
    if (control == 1) return frame_;
    if (control == 2) return tabs_;
    if (IsList(control)) return lists_[control];
    auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second.data();
}

QWidget* QtPlatform::DialogWidget(int window) const { return Dialog(window); }

DialogWindow* QtPlatform::Dialog(int window) const {
    return window >= 1 && window < kWindowCount ? dialogs_[window].data() : nullptr;
}

ListView* QtPlatform::List(int list) const { return IsList(list) ? lists_[list] : nullptr; }

RowModel* QtPlatform::Model(int list) const {
    ListView* v = List(list);
    return v ? v->Model() : nullptr;
}

void QtPlatform::PushEvent(const Event& ev) {
    OnGui([&] {
        // One relayout is enough for a burst of size changes.
        if (ev.kind == EventKind::Size && !events_.empty() && events_.back().kind == EventKind::Size)
            return;
        events_.push_back(ev);
    });
}

// ---------------------------------------------------------------- main window

void QtPlatform::CreateMainWindow(const std::string& title, int innerWidth, int innerHeight) {
    OnGui([&] {
        // A second main window (tests) starts from nothing: every part of the
        // old one goes with it.
        for (int w = 1; w < kWindowCount; ++w) CloseDialog(w);
        controls_.clear();
        actions_.clear();
        popup_ = nullptr;
        frame_ = nullptr;
        tabs_ = nullptr;
        status_ = nullptr;
        statusField_[0] = statusField_[1] = nullptr;
        for (int i = 0; i <= kLastList; ++i) {
            lists_[i] = nullptr;
            pages_[i] = nullptr;
        }
        delete main_.data();
        main_ = new MainWindow();
        main_->setWindowTitle(Line(title));
        central_ = new QWidget(main_);
        auto* column = new QVBoxLayout(central_);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        bar_ = nullptr;
        barHeight_ = 0;
        area_ = new Area(central_);
        column->addWidget(area_, 1);
        main_->setCentralWidget(central_);
        area_->onResize = [this] { PlaceObjectWindow(); };
        main_->onClose = [this] { PushEvent(Event{EventKind::Close, 0, ControlAction::Click, 0, 0}); };
        main_->onSizeChanged = [this] {
            main_->activateWindow();
            PushEvent(Event{EventKind::Size, 0, ControlAction::Click, 0, 0});
        };
        QSize inner(innerWidth, innerHeight);
        main_->SetFixedInnerSize(inner);
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            QRect avail = s->availableGeometry();
            main_->move(avail.x() + (avail.width() - innerWidth) / 2,
                        avail.y() + (avail.height() - innerHeight) / 2);
        }
        main_->show();
        main_->activateWindow();
    });
}

void QtPlatform::GetMainWindowSize(int& innerWidth, int& innerHeight) {
    OnGui([&] {
        innerWidth = main_ ? main_->width() : 0;
        innerHeight = main_ ? main_->height() - barHeight_ : 0;
    });
}

void QtPlatform::GetMainWindowPosition(int& x, int& y) {
    OnGui([&] {
        QPoint p = main_ ? main_->frameGeometry().topLeft() : QPoint();
        x = p.x();
        y = p.y();
    });
}

void QtPlatform::ActivateMainWindow() {
    OnGui([&] {
        if (!main_) return;
        RaiseWindow(main_);
        main_->update();
    });
}

// ---------------------------------------------------------------- menus

void QtPlatform::SetMenuBar(const std::vector<Menu>& menus) {
    OnGui([&] {
        if (!main_) return;
        for (auto it = actions_.begin(); it != actions_.end();) {
            if (popup_ && it->second->parent() == popup_) ++it;
            else it = actions_.erase(it);
        }
        QMenuBar* bar = main_->menuBar();
        bar->clear();
        for (const Menu& m : menus) {
            QMenu* menu = bar->addMenu(Line(m.title));
            QActionGroup* radios = nullptr;  // the run of radio items being built
            for (const MenuItem& item : m.items) {
                if (!item.radio) radios = nullptr;
                if (item.id == 0) {
                    menu->addSeparator();
                    continue;
                }
                QAction* a = menu->addAction(Line(item.caption));
                a->setEnabled(item.enabled);
                if (item.radio) {
                    if (!radios) radios = new QActionGroup(menu);
                    radios->addAction(a);
                    a->setCheckable(true);
                    a->setChecked(item.checked);
                }
                int id = item.id;
                QObject::connect(a, &QAction::triggered, invoker_, [this, id] {
                    PushEvent(Event{EventKind::Menu, id, ControlAction::Click, 0, 0});
                });
                actions_.emplace(id, a);
            }
        }
    });
}

void QtPlatform::SetPopupMenu(const MenuItem& item) {
    OnGui([&] {
        if (popup_) {
            for (auto it = actions_.begin(); it != actions_.end();)
                it = it->second->parent() == popup_ ? actions_.erase(it) : std::next(it);
            delete popup_;
        }
        popup_ = new QMenu(main_);
        QAction* a = popup_->addAction(Line(item.caption));
        a->setEnabled(item.enabled);
        int id = item.id;
        QObject::connect(a, &QAction::triggered, invoker_, [this, id] {
            PushEvent(Event{EventKind::Menu, id, ControlAction::Click, 0, 0});
        });
        actions_.emplace(id, a);
    });
}

void QtPlatform::EnableMenuItem(int id, bool enabled) {
    OnGui([&] {
        auto [from, to] = actions_.equal_range(id);
        for (auto it = from; it != to; ++it) it->second->setEnabled(enabled);
    });
}

void QtPlatform::CheckMenuItem(int id, bool checked) {
    OnGui([&] {
        auto [from, to] = actions_.equal_range(id);
        for (auto it = from; it != to; ++it) it->second->setChecked(checked);
    });
}

bool QtPlatform::IsMenuItemEnabled(int id) {
    return OnGui([&] {
        QAction* a = MenuAction(id);
        return a != nullptr && a->isEnabled();
    });
}

void QtPlatform::ShowPopupMenu() {
    OnGui([&] {
        if (popup_) popup_->popup(QCursor::pos());
    });
}

// ---------------------------------------------------------------- object window

void QtPlatform::CreateObjectWindow(const std::string& frameTitle,
                                    const std::vector<std::string>& tabTitles,
                                    const std::vector<ListColumn>& columns) {
    OnGui([&] {
        if (!main_) return;
        delete frame_;
        delete tabs_;
        frame_ = new QGroupBox(Line(frameTitle), area_);
        tabs_ = new QTabWidget(area_);
        tabs_->setUsesScrollButtons(true);
        tabs_->setElideMode(Qt::ElideNone);
        tabs_->setDocumentMode(false);
        std::vector<QString> titles;
        std::vector<int> widths;
        for (const ListColumn& c : columns) {
            titles.push_back(Line(c.title));
            widths.push_back(c.width);
        }
        int w = main_->width(), h = main_->height();
        wanted_[1] = Rect{5, 0, w - 10, h - 40};
        wanted_[2] = Rect{10, 15, w - 20, h - 60};
        for (int list = kFirstList; list <= kLastList; ++list) {
            lists_[list] = nullptr;
            pages_[list] = nullptr;
            size_t tab = size_t(list - kFirstList);
            if (tab >= tabTitles.size()) continue;
            Area* page = new Area(tabs_);
            pages_[list] = page;
            page->onResize = [this, list] { PlaceList(list); };
            auto* model = new RowModel(titles, &codePage_, page);
            ListView* view = new ListView(model, widths, page);
            lists_[list] = view;
            view->onAction = [this, list](ControlAction a) {
                PushEvent(Event{EventKind::Control, list, a, 0, 0});
            };
            view->onHeaderClick = [this, list](int column) {
                PushEvent(Event{EventKind::HeaderClick, list, ControlAction::Click, 0, column});
            };
            wanted_[list] = Rect{1, 1, w - 26, h - 87};
            tabs_->addTab(page, Line(tabTitles[tab]));
        }
        frame_->show();
        tabs_->show();
        frame_->lower();
        PlaceObjectWindow();
    });
}

// The core lays the object window out for the window it knows; Qt's menu bar,
// status bar and tab bar need a few pixels more or less than that. Every
// control keeps the position asked for but is kept within its parent's
// visible area.
void QtPlatform::PlaceObjectWindow() {
    if (!area_) return;
    QRect inside(0, 0, area_->width(), area_->height());
    if (frame_) frame_->setGeometry(ToQRect(wanted_[1]).intersected(inside));
    if (tabs_) {
        QRect t = ToQRect(wanted_[2]);
        // The frame's lower edge stays visible below the tabs.
        QRect room = inside.adjusted(0, 0, 0, -3);
        tabs_->setGeometry(t.intersected(room));
    }
}

void QtPlatform::PlaceList(int list) {
    if (!lists_[list] || !pages_[list]) return;
    QRect inside(0, 0, pages_[list]->width(), pages_[list]->height());
    lists_[list]->setGeometry(ToQRect(wanted_[list]).intersected(inside));
}

void QtPlatform::SetControlGeometry(int control, const Rect& r) {
    OnGui([&] {
        if (control == 1 || control == 2) {
            wanted_[control] = r;
            PlaceObjectWindow();
        } else if (IsList(control)) {
            wanted_[control] = r;
            PlaceList(control);
        } else if (QWidget* w = ControlWidget(control)) {
            w->setGeometry(ToQRect(r));
        }
    });
}

Rect QtPlatform::GetControlGeometry(int control) {
    return OnGui([&] {
        if (control >= kCtlFrame && control <= kLastList) return wanted_[control];
        QWidget* w = ControlWidget(control);
        if (!w) return Rect{};
        QRect g = w->geometry();
        return Rect{g.x(), g.y(), g.width(), g.height()};
    });
}

// ---------------------------------------------------------------- list views

void QtPlatform::ListClear(int list) {
    OnGui([&] {
        if (ListView* v = List(list)) v->Quietly([&] { v->Model()->Clear(); });
    });
}

void QtPlatform::ListAddRow(int list, const Row& row) {
    if (!OnGuiThread()) return QueueRow(list, row);
    FlushQueued();
    if (ListView* v = List(list)) v->Quietly([&] { v->Model()->Append({row}); });
}

void QtPlatform::ListSetRows(int list, std::vector<Row> rows) {
    OnGui([&] {
        if (ListView* v = List(list)) v->Quietly([&] { v->Model()->SetRows(std::move(rows)); });
    });
}

void QtPlatform::ListSetText(int list, int row, int column, const std::string& text) {
    OnGui([&] {
        if (RowModel* m = Model(list)) m->SetText(row, column, text);
    });
}

std::string QtPlatform::ListGetText(int list, int row, int column) {
    return OnGui([&]() -> std::string {
        RowModel* m = Model(list);
        if (!m || row < 0 || row >= int(m->Rows().size()) || column < 0 || column >= kColumnCount) return {};
        return m->Rows()[size_t(row)][size_t(column)];
    });
}

int QtPlatform::ListRowCount(int list) {
    return OnGui([&] {
        RowModel* m = Model(list);
        return m ? int(m->Rows().size()) : 0;
    });
}

int QtPlatform::ListFocusedRow(int list) {
    return OnGui([&] {
        ListView* v = List(list);
        return v ? v->FocusedRow() : -1;
    });
}

void QtPlatform::ListSelectRow(int list, int row) {
    OnGui([&] {
        if (ListView* v = List(list)) v->SelectRow(row);
    });
}

void QtPlatform::ListSetRedraw(int list, bool on) {
    OnGui([&] {
        if (ListView* v = List(list)) {
            v->setUpdatesEnabled(on);
            if (on) v->viewport()->update();
        }
    });
}

void QtPlatform::ListSetVisibleRows(int list, const std::vector<int>& rows) {
    OnGui([&] {
        if (ListView* v = List(list)) v->ChangeShownRows([&] { v->Model()->ShowOnly(rows); });
    });
}

void QtPlatform::ListShowAllRows(int list) {
    OnGui([&] {
        if (ListView* v = List(list)) v->ChangeShownRows([&] { v->Model()->ShowAll(); });
    });
}

int QtPlatform::CurrentTab() {
    return OnGui([&] { return tabs_ ? tabs_->currentIndex() + kFirstList : kFirstList; });
}

void QtPlatform::ShowTab(int list, bool takeKeyboard) {
    OnGui([&] {
        ListView* v = List(list);
        if (!tabs_ || !v) return;
        tabs_->setCurrentIndex(list - kFirstList);
        if (takeKeyboard) v->setFocus(Qt::OtherFocusReason);
    });
}

void QtPlatform::SetTabHint(int list, const std::string& tooltip, bool dimmed) {
    OnGui([&] {
        if (!tabs_ || !List(list)) return;
        const int tab = list - kFirstList;
        tabs_->setTabToolTip(tab, Line(tooltip));
        // Still a tab one can pick; only its caption looks disabled.
        tabs_->tabBar()->setTabTextColor(
            tab, dimmed ? tabs_->palette().color(QPalette::Disabled, QPalette::WindowText) : QColor());
    });
}

// ---------------------------------------------------------------- filter bar

void QtPlatform::CreateFilterBar(const std::string& fieldHint, const std::string& toggleCaption,
                                 const std::string& nextCaption) {
    OnGui([&] {
        if (!main_ || !central_) return;
        delete bar_;
        bar_ = new QWidget(central_);
        auto* row = new QHBoxLayout(bar_);
        row->setContentsMargins(5, 3, 5, 3);
        row->setSpacing(10);

        auto* field = new FilterField(bar_);
        field->setMaxLength(std::numeric_limits<int>::max());
        auto* validator = new CodePageValidator(&codePage_, field);
        validator->onMissing = [this](char32_t c) { TellMissing(c); };
        field->setValidator(validator);
        field->setPlaceholderText(Line(fieldHint));
        field->setClearButtonEnabled(true);
        field->setFixedWidth(std::max(260, field->fontMetrics().horizontalAdvance(field->placeholderText()) + 40));
        auto* toggle = new QCheckBox(Line(toggleCaption), bar_);
        auto* next = new QPushButton(Line(nextCaption), bar_);
        next->setAutoDefault(false);
        next->setFocusPolicy(Qt::TabFocus);
        auto* count = new QLabel(bar_);
        count->setTextFormat(Qt::PlainText);
        row->addWidget(field);
        row->addWidget(toggle);
        row->addWidget(next);
        row->addWidget(count, 1);
        static_cast<QVBoxLayout*>(central_->layout())->insertWidget(0, bar_);

        const auto changed = [this] { PushEvent(Event{EventKind::Control, kCtlFilterField, ControlAction::Change, 0, 0}); };
        // textEdited: the user's changes only (the clear button's too), never setText's.
        QObject::connect(field, &QLineEdit::textEdited, invoker_, changed);
        field->onCleared = changed;
        field->onLeave = [this] {
            ListView* v = tabs_ ? List(tabs_->currentIndex() + kFirstList) : nullptr;
            if (!v) return;
            v->setFocus(Qt::OtherFocusReason);
            if (!v->currentIndex().isValid() && v->model()->rowCount() > 0)
                v->selectionModel()->setCurrentIndex(v->model()->index(0, 0),
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        };
        QObject::connect(toggle, &QCheckBox::clicked, invoker_, [this] {
            PushEvent(Event{EventKind::Control, kCtlFilterToggle, ControlAction::Press, 0, 0});
        });
        const auto pressNext = [this] {
            PushEvent(Event{EventKind::Control, kCtlFilterNext, ControlAction::Press, 0, 0});
        };
        QObject::connect(next, &QPushButton::clicked, invoker_, pressNext);
        auto* find = new QShortcut(QKeySequence::Find, bar_);
        QObject::connect(find, &QShortcut::activated, field, [field] {
            field->setFocus(Qt::ShortcutFocusReason);
            field->selectAll();
        });
        auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), bar_);
        QObject::connect(f3, &QShortcut::activated, invoker_, [next, pressNext] {
            if (next->isEnabled()) pressNext();
        });
        controls_[kCtlFilterField] = field;
        controls_[kCtlFilterToggle] = toggle;
        controls_[kCtlFilterNext] = next;
        controls_[kCtlFilterCount] = count;

        // The window grows by the bar, so that the area the object window is
        // laid out in keeps the size the core asked for.
        const int height = bar_->sizeHint().height();
        bar_->setFixedHeight(height);
        const int grow = height - barHeight_;
        barHeight_ = height;
        bar_->show();
        if (!(main_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            main_->SetFixedInnerSize(main_->size() + QSize(0, grow));
            main_->move(main_->pos() - QPoint(0, grow / 2));
        }
    });
}

bool QtPlatform::IsControlChecked(int control) {
    return OnGui([&] {
        auto* box = qobject_cast<QCheckBox*>(ControlWidget(control));
        return box != nullptr && box->isChecked();
    });
}

// ---------------------------------------------------------------- status bar

void QtPlatform::CreateStatusBar(int firstFieldWidth) {
    OnGui([&] {
        if (!main_) return;
        status_ = main_->statusBar();
        status_->setSizeGripEnabled(false);
        for (int i = 0; i < 2; ++i) {
            delete statusField_[i];
            statusField_[i] = new QLabel(status_);
            statusField_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            statusField_[i]->setTextFormat(Qt::PlainText);
            statusField_[i]->setIndent(3);
        }
        statusBytes_[0].clear();
        statusBytes_[1].clear();
        statusField_[0]->setFixedWidth(firstFieldWidth);
        status_->addWidget(statusField_[0]);
        status_->addWidget(statusField_[1], 1);
        status_->show();
    });
}

void QtPlatform::SetStatusText(int field, const std::string& text) {
    if (field < 0 || field > 1) return;
    if (!OnGuiThread()) return QueueStatus(field, text);
    FlushQueued();
    if (!statusField_[field]) return;
    statusBytes_[field] = text;
    statusField_[field]->setText(StatusLine(field, text));
}

std::string QtPlatform::GetStatusText(int field) {
    return OnGui([&]() -> std::string {
        if (field < 0 || field > 1 || !statusField_[field]) return {};
        return statusBytes_[field];
    });
}

// ---------------------------------------------------------------- dialogs

void QtPlatform::OpenDialog(int window, const std::string& caption, const Rect& outer) {
    OnGui([&] {
        if (window < 1 || window >= kWindowCount) return;
        CloseDialog(window);
        auto* d = new DialogWindow(window, main_);
        dialogs_[window] = d;
        d->setWindowTitle(Line(caption));
        d->onClose = [this, window] {
            PushEvent(Event{EventKind::Close, 0, ControlAction::Click, window, 0});
        };
        // The core gives the outer rectangle, caption and border included;
        // take the main window's decoration as the measure of ours.
        QMargins m;
        if (main_) {
            QRect f = main_->frameGeometry(), g = main_->geometry();
            m = QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                         f.bottom() - g.bottom());
        }
        QRect inner = ToQRect(outer).marginsRemoved(m);
        d->setFixedSize(inner.size());
        d->move(outer.x, outer.y);
        d->show();
        RaiseWindow(d);
    });
}

void QtPlatform::CloseDialog(int window) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        for (auto it = controls_.begin(); it != controls_.end();) {
            if (!it->second || it->second->window() == d) it = controls_.erase(it);
            else ++it;
        }
        d->hide();
        delete d;
        dialogs_[window] = nullptr;
        if (main_) main_->activateWindow();
    });
}

bool QtPlatform::IsDialogOpen(int window) {
    return OnGui([&] { return Dialog(window) != nullptr; });
}

void QtPlatform::AddControl(int window, int control, QWidget* w, const Rect& r) {
    auto it = controls_.find(control);
    if (it != controls_.end()) delete it->second.data();
    controls_[control] = w;
    w->setGeometry(ToQRect(r));
    w->show();
    // A window manager with a taller caption than the one the sizes were made
    // for leaves less room inside: the dialog grows rather than cut a control.
    if (DialogWindow* d = Dialog(window)) {
        QSize need = d->size().expandedTo(QSize(r.x + r.w, r.y + r.h));
        if (need != d->size()) d->setFixedSize(need);
    }
}

void QtPlatform::AddLabel(int window, int control, const Rect& r, const std::string& text,
                          bool alignRight) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* l = new QLabel(Line(text), d);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment((alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        // The sizes were made for a narrower system font: a caption that does
        // not fit grows away from the field it labels instead of being cut.
        Rect fit = r;
        auto needed = [l] { return l->fontMetrics().horizontalAdvance(l->text()) + 2; };
        int room = alignRight ? r.x + r.w : r.w;
        QFont font = l->font();
        while (needed() > room && font.pointSizeF() > 7.5) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
            l->setFont(font);
        }
        if (needed() > fit.w) {
            if (alignRight) {
                int right = fit.x + fit.w;
                fit.x = std::max(0, right - needed());
                fit.w = right - fit.x;
            } else {
                fit.w = needed();
            }
        }
        AddControl(window, control, l, fit);
    });
}

void QtPlatform::AddEditField(int window, int control, const Rect& r, const std::string& text) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* e = new QLineEdit(d);
        // Qt would cut a field at 32767 characters; a field gives back all it got.
        e->setMaxLength(std::numeric_limits<int>::max());
        auto* v = new CodePageValidator(&codePage_, e);
        v->onMissing = [this](char32_t c) { TellMissing(c); };
        e->setValidator(v);
        e->setText(Line(text));
        e->setCursorPosition(0);
        QObject::connect(e, &QLineEdit::textEdited, invoker_, [this, control] {
            PushEvent(Event{EventKind::Control, control, ControlAction::Change, 0, 0});
        });
        AddControl(window, control, e, r);
    });
}

void QtPlatform::FocusControl(int control) {
    OnGui([&] {
        auto* e = qobject_cast<QLineEdit*>(ControlWidget(control));
        if (!e) return;
        RaiseWindow(e->window());
        e->setFocus(Qt::OtherFocusReason);
        e->selectAll();
    });
}

void QtPlatform::SetDialogKeys(int window, int enterButton, int escapeButton) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        d->onKey = [this, enterButton, escapeButton](int key) {
            const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
            if (!enter && key != Qt::Key_Escape) return false;
            const int button = enter ? enterButton : escapeButton;
            QWidget* b = ControlWidget(button);
            if (b && b->isEnabled()) PushEvent(Event{EventKind::Control, button, ControlAction::Press, 0, 0});
            return true;
        };
    });
}

void QtPlatform::AddButton(int window, int control, const Rect& r, const std::string& text) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* b = new QPushButton(Line(text), d);
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, invoker_, [this, control] {
            PushEvent(Event{EventKind::Control, control, ControlAction::Press, 0, 0});
        });
        AddControl(window, control, b, r);
    });
}

void QtPlatform::AddTextPane(int window, int control, const Rect& r, bool readOnly, int maxBytes) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* p = new TextPane(readOnly, maxBytes, &codePage_, d);
        p->onMissing = [this](char32_t c) { TellMissing(c); };
        p->setFont(QFont(QStringLiteral("Arial"), 10));
        p->onRefused = [this](int limit) {
            ShowMessage(MessageRequest{
                "INFORMATION",
                "THE TEXT CANNOT BE LONGER THAN " + std::to_string(limit) + " CHARACTERS.",
                Icon::Stop, Buttons::Ok});
        };
        AddControl(window, control, p, r);
    });
}

void QtPlatform::AddCheckBox(int window, int control, const Rect& r, const std::string& caption) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* box = new QCheckBox(Line(caption), d);
        QObject::connect(box, &QCheckBox::clicked, invoker_, [this, control] {
            PushEvent(Event{EventKind::Control, control, ControlAction::Press, 0, 0});
        });
        AddControl(window, control, box, r);
    });
}

void QtPlatform::AddDialogList(int window, int control, const Rect& r,
                               const std::string& columnTitle, int columnWidth) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        auto* model = new RowModel({Line(columnTitle)}, &codePage_, d);
        auto* v = new ListView(model, {columnWidth}, d);
        v->onAction = [this, control](ControlAction a) {
            PushEvent(Event{EventKind::Control, control, a, 0, 0});
        };
        v->onHeaderClick = [this, control](int) {
            PushEvent(Event{EventKind::Control, control, ControlAction::Click, 0, 0});
        };
        AddControl(window, control, v, r);
    });
}

void QtPlatform::AddDialogTable(int window, int control, const Rect& r,
                                const std::vector<ListColumn>& columns) {
    OnGui([&] {
        DialogWindow* d = Dialog(window);
        if (!d) return;
        std::vector<QString> titles;
        std::vector<int> widths;
        for (size_t c = 0; c < columns.size() && c < size_t(kColumnCount); ++c) {
            titles.push_back(Line(columns[c].title));
            widths.push_back(columns[c].width);
        }
        auto* v = new ListView(new RowModel(titles, &codePage_, d), widths, d);
        v->onAction = [this, control](ControlAction a) {
            PushEvent(Event{EventKind::Control, control, a, 0, 0});
        };
        AddControl(window, control, v, r);
    });
}

void QtPlatform::DialogTableAddRows(int control, std::vector<Row> rows) {
    OnGui([&] {
        if (auto* v = dynamic_cast<ListView*>(ControlWidget(control)))
            v->Quietly([&] { v->Model()->Append(std::move(rows)); });
    });
}

void QtPlatform::SetControlText(int control, const std::string& text) {
    OnGui([&] {
        QWidget* w = ControlWidget(control);
        if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            static_cast<TextPane*>(p)->SetBytes(text);
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setText(Line(text));
            e->setCursorPosition(0);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            l->setText(Line(text));
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            b->setText(Line(text));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            g->setTitle(Line(text));
        }
    });
}

bool QtPlatform::ControlBytes(int control, std::string& bytes, char32_t* missing) {
    bytes.clear();
    QWidget* w = ControlWidget(control);
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return static_cast<TextPane*>(p)->Bytes(bytes, missing);
    QString text;
    if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
    else if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    else if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
    return LineToBytes(codePage_, Utf16(text), bytes, missing);
}

std::string QtPlatform::GetControlText(int control) {
    return OnGui([&]() -> std::string {
        std::string bytes;
        return ControlBytes(control, bytes) ? bytes : std::string();
    });
}

bool QtPlatform::ControlTextFits(int control) {
    return OnGui([&] {
        std::string bytes;
        char32_t missing = 0;
        if (ControlBytes(control, bytes, &missing)) return true;
        TellMissing(missing);
        return false;
    });
}

void QtPlatform::EnableControl(int control, bool enabled) {
    OnGui([&] {
        if (QWidget* w = ControlWidget(control)) w->setEnabled(enabled);
    });
}

bool QtPlatform::IsControlEnabled(int control) {
    return OnGui([&] {
        QWidget* w = ControlWidget(control);
        return w != nullptr && w->isEnabled();
    });
}

void QtPlatform::DialogListAddRow(int control, const std::string& text) {
    OnGui([&] {
        if (auto* v = dynamic_cast<ListView*>(ControlWidget(control)))
            v->Quietly([&] { v->Model()->Append({Row{text, {}, {}, {}}}); });
    });
}

void QtPlatform::DialogListClear(int control) {
    OnGui([&] {
        if (auto* v = dynamic_cast<ListView*>(ControlWidget(control)))
            v->Quietly([&] { v->Model()->Clear(); });
    });
}

void QtPlatform::DialogListSetText(int control, int row, const std::string& text) {
    OnGui([&] {
        if (auto* v = dynamic_cast<ListView*>(ControlWidget(control))) v->Model()->SetText(row, 0, text);
    });
}

int QtPlatform::DialogListFocusedRow(int control) {
    return OnGui([&] {
        auto* v = dynamic_cast<ListView*>(ControlWidget(control));
        return v ? v->FocusedRow() : -1;
    });
}

// ---------------------------------------------------------------- clipboard

void QtPlatform::SetClipboardText(const std::string& bytes) {
    OnGui([&] {
        // Byte for character, line breaks and TABs as they are.
        QString text;
        text.reserve(qsizetype(bytes.size()));
        for (unsigned char b : bytes) text.append(QChar(ByteToChar(codePage_, b)));
        QGuiApplication::clipboard()->setText(text);
    });
}

// ---------------------------------------------------------------- message boxes, requesters

Answer QtPlatform::ShowMessage(const MessageRequest& m) {
    if (messageHook) return messageHook(m);
    QWidget* owner = QApplication::activeWindow();
    if (!owner) owner = main_.data();
    QMessageBox box(owner);
    box.setWindowTitle(Line(m.title));
    if (m.utf8) box.setText(QString::fromUtf8(m.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    else box.setText(ToQString(BytesToMessage(codePage_, m.text)));
    box.setTextFormat(Qt::PlainText);
    switch (m.icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Stop: box.setIcon(QMessageBox::Critical); break;
    }
    if (AsksYesNo(m.buttons)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(m.buttons == Buttons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    int r = box.exec();
    if (m.buttons == Buttons::Ok) return Answer::Ok;
    return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::string QtPlatform::Requester(const RequesterRequest& r) {
    if (requesterHook) return requesterHook(r);
    QWidget* owner = QApplication::activeWindow();
    if (!owner) owner = main_.data();
    QString title = Line(r.title);
    QString folder = StartFolder(r.folder);
    if (!r.fileName.empty()) folder = QDir(folder).filePath(PathToQString(r.fileName));
    QString filter = FilterString(Line(r.filterLabel), Line(r.pattern));
    QString path = r.save ? QFileDialog::getSaveFileName(owner, title, folder, filter, nullptr,
                                                         QFileDialog::DontConfirmOverwrite)
                          : QFileDialog::getOpenFileName(owner, title, folder, filter);
    return path.isEmpty() ? std::string() : QStringToPath(path);
}

// ---------------------------------------------------------------- code page

std::vector<std::pair<int, std::string>> QtPlatform::DialogTexts() {
    std::vector<std::pair<int, std::string>> texts;
    for (const auto& [control, widget] : controls_) {
        std::string bytes;
        if (widget && !dynamic_cast<ListView*>(widget.data()) && ControlBytes(control, bytes))
            texts.emplace_back(control, std::move(bytes));
    }
    return texts;
}

void QtPlatform::ShowListsAgain() {
    for (const auto& [control, widget] : controls_)
        if (auto* v = dynamic_cast<ListView*>(widget.data())) v->Model()->Reshow();
    for (int list = kFirstList; list <= kLastList; ++list)
        if (RowModel* m = Model(list)) m->Reshow();
}

// ---------------------------------------------------------------- help

void QtPlatform::FindHelpViewer() {
#ifdef Q_OS_WIN
    const QStringList candidates = {QStringLiteral("hh.exe")};
#else
    const QStringList candidates = {QStringLiteral("xchm"), QStringLiteral("kchmviewer"),
                                    QStringLiteral("chmsee")};
#endif
    for (const QString& name : candidates) {
        QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) {
            helpViewer = found.toStdString();
            return;
        }
    }
#ifndef Q_OS_WIN
    // Okular reads .chm files only with its chmlib generator installed.
    QString okular = QStandardPaths::findExecutable(QStringLiteral("okular"));
    if (okular.isEmpty()) return;
    const QStringList pluginRoots = {
        QLibraryInfo::path(QLibraryInfo::PluginsPath),
        QStringLiteral("/usr/lib/x86_64-linux-gnu/qt5/plugins"),
        QStringLiteral("/usr/lib/aarch64-linux-gnu/qt5/plugins"),
        QStringLiteral("/usr/lib/qt5/plugins"), QStringLiteral("/usr/lib/qt6/plugins"),
        QStringLiteral("/usr/lib64/qt5/plugins"), QStringLiteral("/usr/lib64/qt6/plugins")};
    for (const QString& root : pluginRoots) {
        for (const QString& sub : {QStringLiteral("/okular/generators"),
                                   QStringLiteral("/okular_generators")}) {
            QDir dir(root + sub);
            if (!dir.entryList({QStringLiteral("*chm*")}, QDir::Files).isEmpty()) {
                helpViewer = okular.toStdString();
                return;
            }
        }
    }
#endif
}

bool QtPlatform::HelpViewerAvailable() {
    return OnGui([&] { return !helpViewer.empty(); });
}

bool QtPlatform::OpenHelp(const std::string& path) {
    return OnGui([&] {
        if (helpViewer.empty()) return false;
        QString file = QFileInfo(PathToQString(path)).absoluteFilePath();
        return QProcess::startDetached(QString::fromStdString(helpViewer), {file});
    });
}

// The desktop's own choice of browser (xdg-open on Linux).
bool QtPlatform::OpenHelpPages(const std::string& indexPage) {
    return OnGui([&] {
        if (helpPagesHook) return helpPagesHook(indexPage);
        return QDesktopServices::openUrl(
            QUrl::fromLocalFile(QFileInfo(PathToQString(indexPage)).absoluteFilePath()));
    });
}

// ---------------------------------------------------------------- events

bool QtPlatform::WaitEvent(Event& ev) {
    if (!OnGuiThread()) return OnGui([&] { return WaitEvent(ev); });
    for (;;) {
        FlushQueued();
        if (!events_.empty()) {
            ev = events_.front();
            events_.pop_front();
            return true;
        }
        if (!main_ || quitting_) return false;
        // Objects closed with deleteLater by Qt itself (menus, requesters)
        // go away at this level too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void QtPlatform::Pump(int milliseconds) {
    if (!OnGuiThread()) return;
    FlushQueued();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (milliseconds > 0) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    FlushQueued();
}

// ---------------------------------------------------------------- worker

bool QtPlatform::StartWorker(std::function<void()> fn) {
    ReleaseWorker();
    workerDone_ = false;
    try {
        worker_ = std::thread([this, fn = std::move(fn)] {
            fn();
            workerDone_ = true;
            // Wakes a GUI thread waiting in ReleaseWorker.
            QMetaObject::invokeMethod(invoker_, [] {}, Qt::QueuedConnection);
        });
    } catch (...) {
        workerDone_ = true;
        return false;
    }
    return true;
}

void QtPlatform::ReleaseWorker() {
    if (!worker_.joinable()) return;
    if (worker_.get_id() == std::this_thread::get_id()) return;
    // The worker may be waiting for the GUI thread to carry out one of its
    // calls: keep serving them until it has ended.
    if (OnGuiThread()) {
        while (!workerDone_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    worker_.join();
}

}  // namespace qp

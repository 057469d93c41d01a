// The window system on Qt 6 Widgets. Everything runs on the GUI thread; a
// call from the worker is carried there and waited for, except the status
// texts and appended rows of a long load, which are queued in order and
// applied in batches so that the worker does not wait on the GUI for each
// record.
#pragma once

#include <QPointer>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <thread>

#include "platform/windowbase.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QObject;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace qp {

class Area;
class DialogWindow;
class ListView;
class MainWindow;
class RowModel;

class QtPlatform : public WindowPlatform {
public:
    // Needs a QApplication; must be made on the GUI thread.
    QtPlatform();
    ~QtPlatform() override;

    // --- hooks for tests and scripted runs (called on the GUI thread) ---
    // When set, opens the manual's pages instead of the browser.
    std::function<bool(const std::string&)> helpPagesHook;
    // The help viewer found at start-up ("" for none); tests may replace it.
    std::string helpViewer;

    // --- access to the widgets (GUI thread) ---
    QWidget* MainWidget() const;
    QMenu* PopupMenu() const { return popup_; }
    QAction* MenuAction(int id) const;
    QWidget* ControlWidget(int control) const;
    QWidget* DialogWidget(int window) const;
    // Queues a user event as a widget would.
    void PushEvent(const Event& ev);
    size_t QueuedEvents() const { return events_.size(); }
    bool OnGuiThread() const override;

    // --- Platform ---
    void CreateMainWindow(const std::string& title, int innerWidth, int innerHeight) override;
    void GetMainWindowSize(int& innerWidth, int& innerHeight) override;
    void GetMainWindowPosition(int& x, int& y) override;
    void ActivateMainWindow() override;
    void SetMenuBar(const std::vector<Menu>& menus) override;
    void SetPopupMenu(const MenuItem& item) override;
    void EnableMenuItem(int id, bool enabled) override;
    bool IsMenuItemEnabled(int id) override;
    void CheckMenuItem(int id, bool checked) override;
    void ShowPopupMenu() override;
    void CreateObjectWindow(const std::string& frameTitle, const std::vector<std::string>& tabTitles,
                            const std::vector<ListColumn>& columns) override;
    void SetControlGeometry(int control, const Rect& r) override;
    Rect GetControlGeometry(int control) override;
    void ListClear(int list) override;
    void ListAddRow(int list, const Row& row) override;
    void ListSetRows(int list, std::vector<Row> rows) override;
    void ListSetText(int list, int row, int column, const std::string& text) override;
    std::string ListGetText(int list, int row, int column) override;
    int ListRowCount(int list) override;
    int ListFocusedRow(int list) override;
    void ListSelectRow(int list, int row) override;
    void ListSetRedraw(int list, bool on) override;
    void ListSetVisibleRows(int list, const std::vector<int>& rows) override;
    void ListShowAllRows(int list) override;
    int CurrentTab() override;
    void ShowTab(int list, bool takeKeyboard) override;
    void SetTabHint(int list, const std::string& tooltip, bool dimmed) override;
    void CreateFilterBar(const std::string& fieldHint, const std::string& toggleCaption,
                         const std::string& nextCaption) override;
    bool IsControlChecked(int control) override;
    void CreateStatusBar(int firstFieldWidth) override;
    void SetStatusText(int field, const std::string& text) override;
    std::string GetStatusText(int field) override;
    void OpenDialog(int window, const std::string& caption, const Rect& outer) override;
    void CloseDialog(int window) override;
    bool IsDialogOpen(int window) override;
    void AddLabel(int window, int control, const Rect& r, const std::string& text,
                  bool alignRight) override;
    void AddEditField(int window, int control, const Rect& r, const std::string& text) override;
    void AddButton(int window, int control, const Rect& r, const std::string& text) override;
    void AddTextPane(int window, int control, const Rect& r, bool readOnly, int maxBytes) override;
    void AddCheckBox(int window, int control, const Rect& r, const std::string& caption) override;
    void AddDialogList(int window, int control, const Rect& r, const std::string& columnTitle,
                       int columnWidth) override;
    void FocusControl(int control) override;
    void SetDialogKeys(int window, int enterButton, int escapeButton) override;
    void SetControlText(int control, const std::string& text) override;
    std::string GetControlText(int control) override;
    bool ControlTextFits(int control) override;
    void EnableControl(int control, bool enabled) override;
    bool IsControlEnabled(int control) override;
    void DialogListAddRow(int control, const std::string& text) override;
    void DialogListSetText(int control, int row, const std::string& text) override;
    void DialogListClear(int control) override;
    int DialogListFocusedRow(int control) override;
    void AddDialogTable(int window, int control, const Rect& r,
                        const std::vector<ListColumn>& columns) override;
    void DialogTableAddRows(int control, std::vector<Row> rows) override;
    void SetClipboardText(const std::string& bytes) override;
    bool HelpViewerAvailable() override;
    bool OpenHelp(const std::string& path) override;
    bool OpenHelpPages(const std::string& indexPage) override;
    bool WaitEvent(Event& ev) override;
    void Pump(int milliseconds) override;
    bool StartWorker(std::function<void()> fn) override;
    void ReleaseWorker() override;

private:
    void RunBlocking(const std::function<void()>& f) override;
    void PostFlush() override;
    void AppendQueuedRows(int list, std::vector<Row> rows) override;
    void ShowQueuedStatus(int field, std::string text) override;
    std::vector<std::pair<int, std::string>> DialogTexts() override;
    void ShowListsAgain() override;

    // Bytes as a single-line widget shows them in the code page.
    QString Line(const std::string& bytes) const;
    // A status field's text: the file field's file name as a path, the rest in the code page.
    QString StatusLine(int field, const std::string& bytes) const;
    // The bytes of a control's text; false when the code page lacks one of
    // its characters (named in missing).
    bool ControlBytes(int control, std::string& bytes, char32_t* missing = nullptr);

    ListView* List(int list) const;
    RowModel* Model(int list) const;
    void PlaceObjectWindow();
    void PlaceList(int list);
    void AddControl(int window, int control, QWidget* w, const Rect& r);
    DialogWindow* Dialog(int window) const;
    Answer ShowMessage(const MessageRequest& m) override;
    std::string Requester(const RequesterRequest& r) override;
    void FindHelpViewer();

    QObject* invoker_ = nullptr;  // lives on the GUI thread; target of carried calls
    QPointer<MainWindow> main_;
    QWidget* central_ = nullptr;  // the filter bar above the area
    QWidget* bar_ = nullptr;
    int barHeight_ = 0;           // not counted in the inner size the core knows
    Area* area_ = nullptr;
    QGroupBox* frame_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* statusField_[2] = {nullptr, nullptr};
    std::string statusBytes_[2];
    QMenu* popup_ = nullptr;
    std::multimap<int, QAction*> actions_;

    ListView* lists_[kLastList + 1] = {};
    Area* pages_[kLastList + 1] = {};
    Rect wanted_[kLastList + 1] = {};  // geometry asked for the frame, the tabs and the list views

    QPointer<DialogWindow> dialogs_[kWindowCount];
    std::map<int, QPointer<QWidget>> controls_;  // dialog controls by number

    std::deque<Event> events_;
    bool quitting_ = false;

    std::thread worker_;
    std::atomic<bool> workerDone_{true};
};

}  // namespace qp

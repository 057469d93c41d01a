// The in-memory window system: every window, menu item, row, status text and
// message box is kept in plain data that the tests and the batch tool read.
// Events come from a script; answers to message boxes and requesters come
// from queues or from callbacks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace qp {

struct ShownMessage {
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer answer = Answer::Ok;
};

struct ShownRequester {
    bool save = false;
    std::string title;
    std::string folder;
    std::string filterLabel;
    std::string pattern;
    std::string fileName;  // the name a save requester proposes
};

struct HeadlessControl {
    int window = 0;
    std::string kind;  // "label", "edit", "button", "pane", "list", "table"
    Rect rect;
    std::string text;  // label, edit, button or pane text; list column title
    bool enabled = true;
    bool readOnly = false;
    bool alignRight = false;
    int maxBytes = 0;
    int columnWidth = 0;
    std::vector<std::string> rows;    // dialog list rows
    std::vector<ListColumn> columns;  // table columns
    std::vector<Row> tableRows;       // table rows
    int focused = -1;                 // dialog list or table focus
    bool checked = false;             // check box
};

struct HeadlessDialog {
    bool open = false;
    std::string caption;
    Rect outer;
};

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // --- script ---
    // Events handed out by WaitEvent, in order. When the queue is empty
    // WaitEvent returns false.
    void PushEvent(const Event& ev);
    void PushMenu(int id);
    void PushControl(int control, ControlAction action);
    void PushClose(int window);
    void PushHeaderClick(int list, int column);
    void PushSize(int innerWidth, int innerHeight);
    // Answers for the next message boxes (Yes/No boxes take Yes or No; an OK
    // box takes Ok, and takes nothing from the queue when it is empty).
    void PushAnswer(Answer a);
    // Paths returned by the next requesters ("" = cancel).
    void PushOpenPath(const std::string& path);
    void PushSavePath(const std::string& path);
    // Callbacks that, when set, decide instead of the queues.
    std::function<Answer(const ShownMessage&)> onMessage;
    std::function<std::string(const ShownRequester&)> onRequester;
    // Called before each scripted event is handed out (main thread).
    std::function<void(const Event&)> onEvent;
    // When true (default) WaitEvent waits until the worker has ended before it
    // hands out the next event, so scripts run deterministically.
    bool waitForWorker = true;
    void SetHelpViewer(bool available) { helpAvailable_ = available; }
    // Whether a web browser takes the manual's pages (it does by default).
    void SetBrowser(bool available) { browserAvailable_ = available; }
    // Sets the text the user would have typed into a control.
    void TypeText(int control, const std::string& text) { SetControlText(control, text); }
    // Gives the focus to a row of a dialog list (as a click would).
    void FocusDialogRow(int control, int row);
    // Checks or clears a check box (as a click would, without its event).
    void SetChecked(int control, bool checked);

    // --- what the user sees (snapshots; safe to call from any thread) ---
    std::vector<ShownMessage> Messages();
    std::vector<ShownRequester> Requesters();
    // What Help opened: the compiled manual, or the HTML index page.
    std::vector<std::string> HelpOpened();
    // What SetClipboardText put on the clipboard last.
    std::string Clipboard();
    std::vector<Row> Rows(int list);
    std::string Title();
    Rect ControlRect(int control);
    HeadlessDialog Dialog(int window);
    HeadlessControl Control(int control);
    bool HasControl(int control);
    std::vector<Menu> MenuBar();  // with each item's enabled and checked state now
    int CodePage();
    std::string FrameTitle();
    std::vector<std::string> TabTitles();
    std::vector<ListColumn> Columns();
    int StatusFirstFieldWidth();
    bool WorkerRunning() const { return workerRunning_; }
    int PopupsShown();
    bool ListRedraw(int list);
    // The list rows the view shows, in order.
    std::vector<int> ShownRows(int list);
    // A tab's tooltip, and "(dimmed)" after it when it looks disabled.
    std::string TabHint(int list);
    int ListSetRowsCalls(int list);
    // The control FocusControl put the keyboard in last (0: none).
    int FocusedControl();
    // What SetDialogKeys gave a dialog: {Enter's button, Escape's button}.
    std::pair<int, int> DialogKeys(int window);
    // Waits until the worker has ended.
    void WaitWorker();
    // Waits up to ms for the worker to end; true when none runs.
    bool WaitWorkerFor(int milliseconds);

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
    std::vector<Row> ListGetRows(int list) override { return Rows(list); }
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
    // Its texts are bytes: every one fits.
    bool ControlTextFits(int) override { return true; }
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
    Answer MessageBox(const std::string& title, const std::string& text, Icon icon,
                      Buttons buttons) override;
    std::string OpenFileRequester(const std::string& title, const std::string& folder,
                                  const std::string& filterLabel, const std::string& pattern) override;
    std::string SaveFileRequester(const std::string& title, const std::string& folder,
                                  const std::string& filterLabel, const std::string& pattern,
                                  const std::string& fileName) override;
    void SetCodePage(int codePage) override;
    bool HelpViewerAvailable() override { return helpAvailable_; }
    bool OpenHelp(const std::string& path) override;
    bool OpenHelpPages(const std::string& indexPage) override;
    bool WaitEvent(Event& ev) override;
    void Pump(int milliseconds) override;
    bool StartWorker(std::function<void()> fn) override;
    void ReleaseWorker() override;

    // Makes the next StartWorker fail (to test that path).
    bool failNextWorker = false;

private:
    std::string Requester(bool save, const std::string& title, const std::string& folder,
                          const std::string& filterLabel, const std::string& pattern,
                          const std::string& fileName = "");

    mutable std::mutex m_;
    std::deque<Event> events_;
    std::deque<Answer> answers_;
    std::deque<std::string> openPaths_, savePaths_;
    std::vector<ShownMessage> messages_;
    std::vector<ShownRequester> requesters_;
    std::vector<std::string> helpOpened_;
    std::string clipboard_;
    bool helpAvailable_ = false;
    bool browserAvailable_ = true;
    int focusedControl_ = 0;
    std::map<int, std::pair<int, int>> dialogKeys_;

    std::string title_;
    int innerW_ = 0, innerH_ = 0;
    std::vector<Menu> menus_;
    MenuItem popup_;
    std::map<int, bool> menuEnabled_;
    std::map<int, bool> menuChecked_;
    int codePage_ = 1252;
    int popupsShown_ = 0;
    std::string frameTitle_;
    std::vector<std::string> tabTitles_;
    std::vector<ListColumn> columns_;
    std::map<int, Rect> geometry_;
    std::vector<Row> rows_[kLastList + 1];
    int focused_[kLastList + 1];
    bool redraw_[kLastList + 1];
    int setRowsCalls_[kLastList + 1];
    bool hiding_[kLastList + 1];             // the view shows only visible_
    std::vector<int> visible_[kLastList + 1];
    std::string tabHint_[kLastList + 1];
    int currentTab_ = kFirstList;
    int statusWidth_ = 0;
    std::string status_[2];
    HeadlessDialog dialogs_[kWindowCount];
    std::map<int, HeadlessControl> controls_;

    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::mutex workerMutex_;
    std::condition_variable workerDone_;
};

}  // namespace qp

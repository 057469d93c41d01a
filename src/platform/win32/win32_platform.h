// The window system on the Win32 API itself: user32, gdi32, comctl32,
// comdlg32, the rich-edit control and HTML Help. Every window belongs to the
// GUI thread (the one that made this object); a call from the worker is sent
// there and waited for, except the status texts and appended rows of a long
// load, which are queued in order and applied in batches.
//
// Text. The windows are Unicode windows and every string crosses into them
// through the helpers below, which map the bytes with the code page in use
// (codepage.h). "A" windows would convert with the system's ANSI code page
// alone, so a plugin in another code page could not be shown or switched to
// at run time, a letter typed from outside that code page would arrive as
// '?', and an ANSI rich edit gives a lone LF back as CR LF. With the code
// page equal to the ANSI code page the controls show exactly what "A"
// functions would. A typed, pasted or dropped character the code page lacks
// is taken back as soon as the control reports the change, and named. File names stay ANSI bytes ("A" requesters), as the file
// services take them.
#pragma once

#include <windows.h>
// The Platform method, not the user32 macro.
#undef MessageBox

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/windowbase.h"

namespace qp {

class Win32Platform : public WindowPlatform {
public:
    // Must be made on the thread that is to own the windows.
    Win32Platform();
    ~Win32Platform() override;

    // The code page every text is shown in (1250, 1251 or 1252).
    int CodePage() const { return codePage_; }

    // --- hooks for tests (called on the GUI thread) ---
    // Found at start-up; tests may clear it.
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    HtmlHelpFn htmlHelp = nullptr;
    // When set, opens the manual's pages instead of the browser.
    std::function<bool(const std::string&)> helpPagesHook;

    // --- access to the windows (GUI thread) ---
    HWND MainWindow() const { return main_; }
    HMENU MenuBar() const { return menuBar_; }
    HMENU PopupMenu() const { return popup_; }
    HWND StatusBar() const { return status_; }
    // Controls 1, 2, list views 3..28 and the dialogs' controls.
    HWND ControlWindow(int control) const;
    HWND DialogWindow(int window) const;
    void PushEvent(const Event& ev);
    size_t QueuedEvents() const { return events_.size(); }
    bool OnGuiThread() const override { return GetCurrentThreadId() == guiThread_; }

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
    std::vector<Row> ListGetRows(int list) override;
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

    // Window procedures (internal).
    LRESULT HandleMain(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleDialog(int window, HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleInvoker(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    // An edit field or pane is about to take input: its selection is where
    // the text goes back to should the input be refused.
    void BeforeInput(int control);

private:
    enum class Kind { Label, Edit, Button, Pane, List };
    struct Control {
        HWND hwnd = nullptr;
        Kind kind = Kind::Label;
        int window = 0;
        int maxBytes = 0;
        // What an edit held, and its selection, before a change it cannot keep.
        std::wstring lastGood;
        DWORD lastSelStart = 0, lastSelEnd = 0;
    };
    // A virtual list view: the rows live here, the control asks for the
    // texts it paints. While the filter hides rows, the view's items are
    // the positions in shown, each naming its list row; the control's
    // item numbers never leave this class.
    struct ListData {
        HWND hwnd = nullptr;
        HWND page = nullptr;  // the tab page holding it (object window only)
        std::vector<Row> rows;
        bool hiding = false;
        std::vector<int> shown;  // list rows, ascending, while hiding
        int quiet = 0;             // changes made by the program are not user actions
        int window = 0;            // the dialog holding it; 0 for the object window's
        bool headerClicks = true;  // a header click is reported (not on a table)
    };

    void RunBlocking(const std::function<void()>& f) override;
    void PostFlush() override;
    void AppendQueuedRows(int list, std::vector<Row> rows) override;
    void ShowQueuedStatus(int field, std::string text) override;
    std::vector<std::pair<int, std::string>> DialogTexts() override;
    void ShowListsAgain() override;

    // --- every text in and out of a window goes through these; From* fail
    // on a character the code page lacks, naming it in missing ---
    std::wstring ToLine(const std::string& bytes) const;
    // A status field's text: the file field's file name as a path, the rest in the code page.
    std::wstring StatusLine(int field, const std::string& bytes) const;
    bool FromLine(const std::wstring& text, std::string& bytes, char32_t* missing = nullptr) const;
    std::wstring ToPane(const std::string& bytes) const;
    bool FromPane(const std::wstring& text, std::string& bytes, char32_t* missing = nullptr) const;
    std::wstring ToMessage(const MessageRequest& m) const;
    // The bytes of a dialog control's text (edit field, pane, label, button).
    bool ControlBytes(const Control& c, std::string& bytes, char32_t* missing = nullptr) const;
    // The refusal of a character the code page lacks, once the key, paste or
    // drop that brought it is over.
    void TellMissingLater(char32_t c);

    ListData* List(int control);
    HWND CreateListView(HWND parent, int id, const std::vector<ListColumn>& columns, DWORD style = 0);
    ListData* AddDialogListView(int window, int control, const Rect& r, const std::vector<ListColumn>& columns,
                                bool headerClicks);
    void SetRows(ListData& l, std::vector<Row> rows);
    // Items of the view, and the conversions between item and list row (-1:
    // out of range or hidden).
    static int ItemCount(const ListData& l);
    static int ListRowOf(const ListData& l, int item);
    static int ItemOf(const ListData& l, int row);
    // Rows appended to the list are shown, whatever the view hides.
    void RowsAppended(ListData& l, size_t before);
    // Shows other rows (change), keeping the focused row focused and in the
    // middle of the view when it is still shown.
    void ChangeShownRows(ListData& l, const std::function<void()>& change);
    void ShowPage(int tab);
    void PlaceBar();
    // The filter bar's keys, looked at before a message is dispatched; true
    // when the key was taken.
    bool FilterKey(const MSG& msg);
    void LeaveFilterField();
    void DrawTab(const DRAWITEMSTRUCT& d);
    bool OnListNotify(int control, NMHDR* n, LRESULT& result);
    void PlacePages();
    void PlaceList(int list);
    Control* Ctl(int control);
    HWND AddControl(int window, int control, Kind kind, const wchar_t* cls, DWORD style,
                    DWORD exStyle, const Rect& r, const std::wstring& text);
    void CheckEditText(Control& c);
    HWND Owner() const;
    Answer ShowMessage(const MessageRequest& m) override;
    std::string Requester(const RequesterRequest& r) override;
    void DestroyAll();

    DWORD guiThread_ = 0;
    HINSTANCE instance_ = nullptr;
    HWND invoker_ = nullptr;  // message-only window: target of carried calls
    HWND main_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU popup_ = nullptr;
    HWND status_ = nullptr;
    HWND frame_ = nullptr;
    HWND tabs_ = nullptr;
    HFONT uiFont_ = nullptr;
    HFONT paneFont_ = nullptr;
    std::map<LONG, HFONT> labelFonts_;  // uiFont_ made smaller for a caption, by height
    HMODULE richEdit_ = nullptr;
    int reportedW_ = 0, reportedH_ = 0;
    // The filter bar: a strip above the object window, which is moved down
    // by its height; zero while there is none.
    int barHeight_ = 0;
    std::wstring filterShown_;   // the field's text as last reported or set
    HACCEL keys_ = nullptr;      // Ctrl+F and F3
    HWND focusBeforeLeaving_ = nullptr;
    std::wstring tabTitles_[kListCount];
    std::wstring tabHints_[kListCount];
    bool tabDimmed_[kListCount] = {};

    ListData lists_[kLastList + 1];
    std::map<int, ListData> dialogLists_;  // dialog lists and tables by control number
    Rect wanted_[kLastList + 1] = {};  // geometry asked for the frame, the tabs and the list views
    HWND dialogs_[kWindowCount] = {};
    // The buttons Enter and Escape press in each dialog (0: none).
    int enterButton_[kWindowCount] = {};
    int escapeButton_[kWindowCount] = {};
    std::map<int, Control> controls_;  // dialog controls by number
    std::wstring dispText_;            // the text last handed to a list view for painting

    std::deque<Event> events_;
    bool quitting_ = false;
    char32_t missingToTell_ = 0;  // a refusal waiting to be shown

    HANDLE worker_ = nullptr;
};

}  // namespace qp

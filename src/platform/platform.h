// The window system as the rest of Quillane sees it: windows 0 (main), 1 (name
// edit), 2 (text edit) and 3 (reference check), menus, the tab control with its
// 26 list views, the status bar, dialog controls, message boxes, file
// requesters, the clipboard, help, events and the worker thread. No toolkit
// type crosses this line; every string is raw bytes exactly as they stand in
// plugin and dictionary files.
//
// Threads: any method may be called from the worker. A backend carries such
// calls to the thread that owns the windows. Calls that answer or show
// something return only once done there; status texts and added rows may be
// queued, in order, so that a long load stays fast. Every later call from
// either thread sees them, so the caller gets the same results as on the main
// thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ids.h"

namespace qp {

enum class Icon { None, Information, Question, Warning, Stop };
// YesNoDefaultNo: a question whose Yes destroys or replaces something, so
// that a stray Enter answers No.
enum class Buttons { Ok, YesNo, YesNoDefaultNo };
inline bool AsksYesNo(Buttons b) { return b != Buttons::Ok; }
enum class Answer { Ok, Yes, No };

enum class EventKind {
    None,
    Menu,         // id = menu id
    Control,      // id = control number, action = what happened
    Close,        // window = 0 .. kWindowCount - 1 (close box or system menu)
    Size,         // the main window was maximised or restored
    HeaderClick,  // id = list number 3..28, column = 0..3
};

// Change: the user changed the text of the filter field (typing, pasting,
// deleting, Escape); never reported for a text the program sets.
enum class ControlAction { Click, Activate, RightClick, SelectionChange, Press, Change };

struct Event {
    EventKind kind = EventKind::None;
    int id = 0;
    ControlAction action = ControlAction::Click;
    int window = 0;
    int column = 0;
};

struct MenuItem {
    int id = 0;               // 0 for a separator
    std::string caption;      // "&Load" ...; empty for a separator
    bool enabled = true;
    // A radio item: one of the neighbouring radio items of its menu is
    // checked, shown with a mark. Picking one only reports it (a menu event);
    // the core then sets the marks with CheckMenuItem.
    bool radio = false;
    bool checked = false;
};

struct Menu {
    std::string title;
    std::vector<MenuItem> items;
};

struct ListColumn {
    std::string title;
    int width = 0;
};

// One row of a list view: the texts of columns 0 to 3.
using Row = std::array<std::string, 4>;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- main window (window 0) ---
    // Opens the main window centred on the screen with the given inner size
    // (menu bar included), a caption, minimise and maximise boxes and no
    // sizing border.
    virtual void CreateMainWindow(const std::string& title, int innerWidth, int innerHeight) = 0;
    // Current inner size of the main window (menu bar included).
    virtual void GetMainWindowSize(int& innerWidth, int& innerHeight) = 0;
    // Outer top-left corner of the main window on the screen.
    virtual void GetMainWindowPosition(int& x, int& y) = 0;
    // Makes the main window the active window and repaints it whole.
    virtual void ActivateMainWindow() = 0;

    // --- menus ---
    virtual void SetMenuBar(const std::vector<Menu>& menus) = 0;
    // The Edit pop-up: a separate menu opened at the mouse by ShowPopupMenu.
    virtual void SetPopupMenu(const MenuItem& item) = 0;
    virtual void EnableMenuItem(int id, bool enabled) = 0;
    virtual bool IsMenuItemEnabled(int id) = 0;
    // Sets or clears the mark of a radio item.
    virtual void CheckMenuItem(int id, bool checked) = 0;
    virtual void ShowPopupMenu() = 0;

    // --- object window: frame (control 1), tab control (2), list views 3..28 ---
    virtual void CreateObjectWindow(const std::string& frameTitle,
                                    const std::vector<std::string>& tabTitles,
                                    const std::vector<ListColumn>& columns) = 0;
    // Moves and sizes control 1, 2 or a list view (3..28, inside its tab page).
    virtual void SetControlGeometry(int control, const Rect& r) = 0;
    virtual Rect GetControlGeometry(int control) = 0;

    // List views, by list number 3..28.
    //
    // A list view holds rows 0..n-1, the list rows, and may show only some of
    // them (ListSetVisibleRows). Every row number crossing this interface is a
    // list row, never a position on screen: ListSetText, ListGetText,
    // ListGetRows, ListRowCount, ListFocusedRow, ListSelectRow and the row
    // that a list event is about. Hiding rows changes what is drawn, nothing
    // else.
    virtual void ListClear(int list) = 0;
    virtual void ListAddRow(int list, const Row& row) = 0;
    // Replaces every row at once; the fast way to fill a tab. Like
    // ListClear, it shows every row again and leaves no row focused.
    // ListAddRow's row is shown whatever the view hides.
    virtual void ListSetRows(int list, std::vector<Row> rows) = 0;
    virtual void ListSetText(int list, int row, int column, const std::string& text) = 0;
    virtual std::string ListGetText(int list, int row, int column) = 0;
    virtual int ListRowCount(int list) = 0;
    // Every row of a list view in one call (a save reads all rows back).
    virtual std::vector<Row> ListGetRows(int list) {
        std::vector<Row> rows(static_cast<size_t>(ListRowCount(list)));
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < kColumnCount; ++c) rows[r][c] = ListGetText(list, static_cast<int>(r), c);
        return rows;
    }
    // The row that has the focus (a list row), or -1.
    virtual int ListFocusedRow(int list) = 0;
    // Selects the row, gives it the focus and scrolls it into view; -1, or a
    // row the view hides, clears selection and focus.
    virtual void ListSelectRow(int list, int row) = 0;
    virtual void ListSetRedraw(int list, bool on) = 0;
    // Shows only the given list rows (ascending, each once; numbers outside
    // the list are ignored), in list order, in one update of the view: the
    // filter of the filter bar. The focused row stays focused and selected,
    // and in view, when it is among them; otherwise no row is focused. No
    // event is reported. A backend without filtering shows every row, which
    // keeps every row number right.
    virtual void ListSetVisibleRows(int list, const std::vector<int>& rows) { (void)list, (void)rows; }
    // Shows every row again, in one update, keeping the focused row as above.
    virtual void ListShowAllRows(int list) { (void)list; }

    // The tab on view, as the list number of its list view (3..28).
    virtual int CurrentTab() { return kFirstList; }
    // Puts the tab of list view `list` on view; with takeKeyboard that list
    // view gets the keyboard too, so that Enter opens its focused row (else
    // the keyboard stays where it is, in the filter field, say). No event is
    // reported.
    virtual void ShowTab(int list, bool takeKeyboard) { (void)list, (void)takeKeyboard; }
    // The tooltip of the tab of list view `list`; dimmed, its caption is drawn
    // as a disabled one's, but the tab can still be picked.
    virtual void SetTabHint(int list, const std::string& tooltip, bool dimmed) {
        (void)list, (void)tooltip, (void)dimmed;
    }

    // --- filter bar (controls kCtlFilterField .. kCtlFilterCount) ---
    // A strip of the main window's own between the menu bar and the area
    // below it, as the status bar is one at the bottom: the main window grows
    // by its height, and GetMainWindowSize and the object window's layout
    // (controls 1..28) leave it out, so the object window keeps its size and
    // place. In it, from the left:
    //   kCtlFilterField  a single-line field, empty, showing fieldHint while
    //                    empty; its text is bytes in the code page as in the
    //                    name edit's fields (GetControlText, SetControlText,
    //                    the refusal of characters the code page lacks);
    //                    every change the user makes is reported as a
    //                    Control event with ControlAction::Change;
    //   kCtlFilterToggle a check box captioned toggleCaption, unchecked; each
    //                    click is reported as a Press (IsControlChecked tells
    //                    its state afterwards);
    //   kCtlFilterNext   a push button captioned nextCaption: a Press;
    //   kCtlFilterCount  a label, empty (SetControlText).
    // EnableControl and IsControlEnabled serve all four. Keys, in the main
    // window (not in the dialogs): Ctrl+F puts the keyboard in the field with
    // its text selected; Escape in the field empties it (a Change, when it
    // held text); Down, Enter or Return in the field give the keyboard to the
    // list on view, focusing its first shown row when none has the focus (a
    // SelectionChange); F3 is reported as a Press of kCtlFilterNext while that
    // button is enabled.
    virtual void CreateFilterBar(const std::string& fieldHint, const std::string& toggleCaption,
                                 const std::string& nextCaption) {
        (void)fieldHint, (void)toggleCaption, (void)nextCaption;
    }
    // The state of a check box (kCtlFilterToggle, or one of a dialog).
    virtual bool IsControlChecked(int control) { return (void)control, false; }

    // --- status bar: field 0 and field 1 ---
    virtual void CreateStatusBar(int firstFieldWidth) = 0;
    // In the file field (kStatusFile) what follows kStatusFileLabel is a file
    // name, shown in the file system's encoding.
    virtual void SetStatusText(int field, const std::string& text) = 0;
    virtual std::string GetStatusText(int field) = 0;

    // --- dialogs: windows 1 (name edit), 2 (text edit) and 3 (check) ---
    // A tool window owned by the main window, with a caption and a close box,
    // at the given outer position and size on the screen.
    virtual void OpenDialog(int window, const std::string& caption, const Rect& outer) = 0;
    virtual void CloseDialog(int window) = 0;
    virtual bool IsDialogOpen(int window) = 0;
    virtual void AddLabel(int window, int control, const Rect& r, const std::string& text,
                          bool alignRight) = 0;
    virtual void AddEditField(int window, int control, const Rect& r, const std::string& text) = 0;
    virtual void AddButton(int window, int control, const Rect& r, const std::string& text) = 0;
    // A multi-line text pane with a vertical scroll bar; read-only or editable.
    // Refuses input past maxBytes rather than cutting it.
    virtual void AddTextPane(int window, int control, const Rect& r, bool readOnly,
                             int maxBytes) = 0;
    // A check box captioned as given, unchecked; each click is reported as
    // a Press (IsControlChecked tells its state afterwards). The program
    // never sets it.
    virtual void AddCheckBox(int window, int control, const Rect& r, const std::string& caption) = 0;
    // A one-column list with the object window's list style.
    virtual void AddDialogList(int window, int control, const Rect& r,
                               const std::string& columnTitle, int columnWidth) = 0;
    // The keyboard in an edit field of an open dialog, its whole text selected.
    virtual void FocusControl(int control) = 0;
    // Enter anywhere in the dialog is reported as a Press of enterButton
    // (while that button is enabled), Escape as a Press of escapeButton.
    // Every change the user makes to an edit field of a dialog is reported
    // as a Control event with ControlAction::Change, as for the filter field.
    virtual void SetDialogKeys(int window, int enterButton, int escapeButton) = 0;
    virtual void SetControlText(int control, const std::string& text) = 0;
    // The bytes of the control's text. Never a stand-in such as '?' for a
    // character the code page lacks: a text holding one comes back empty
    // (ControlTextFits tells first).
    virtual std::string GetControlText(int control) = 0;
    // True when every character of an edit field's or pane's text has its
    // byte in the code page. Otherwise the user is told which character, in
    // the message box that refuses it as it is typed (MissingCharMessage of
    // platform/codepage.h, title "INFORMATION", stop icon), and the answer is
    // false: the name edit's "OK" and the text edit's "SAVE" ask before they
    // read the text, and then store nothing. A backend that refuses every
    // such character as it is typed, pasted or dropped answers true.
    virtual bool ControlTextFits(int control) = 0;
    virtual void EnableControl(int control, bool enabled) = 0;
    virtual bool IsControlEnabled(int control) = 0;
    virtual void DialogListAddRow(int control, const std::string& text) = 0;
    virtual void DialogListSetText(int control, int row, const std::string& text) = 0;
    virtual void DialogListClear(int control) = 0;
    virtual int DialogListFocusedRow(int control) = 0;
    // A list of one to four columns, titled and sized as given, in the
    // object window's list style (read-only, whole-row selection, grid lines,
    // no sorting). Its rows come only from DialogTableAddRows; clicks on it are
    // reported as on a dialog list, and DialogListClear, DialogListSetText
    // (its first column) and DialogListFocusedRow serve it too.
    virtual void AddDialogTable(int window, int control, const Rect& r,
                                const std::vector<ListColumn>& columns) = 0;
    // Appends rows in one call; a row's texts past the table's columns are
    // not shown. Texts are shown as in the object window's lists.
    virtual void DialogTableAddRows(int control, std::vector<Row> rows) = 0;

    // --- message boxes and requesters ---
    // A carriage return in the text is a line break.
    virtual Answer MessageBox(const std::string& title, const std::string& text, Icon icon,
                              Buttons buttons) = 0;
    // folder: the folder shown first (Windows-style, may not exist);
    // filterLabel "ESP (*.esp)", pattern "*.esp". Returns the full path or "".
    virtual std::string OpenFileRequester(const std::string& title, const std::string& folder,
                                          const std::string& filterLabel,
                                          const std::string& pattern) = 0;
    // fileName: the name proposed in the requester's name field ("" for none).
    virtual std::string SaveFileRequester(const std::string& title, const std::string& folder,
                                          const std::string& filterLabel, const std::string& pattern,
                                          const std::string& fileName) = 0;

    // --- clipboard ---
    // Puts text on the system clipboard in place of what it held, as plain
    // text. The bytes are in the code page the window shows names in; each
    // becomes its character in that code page, CR, LF and TAB included (no
    // control pictures, no paragraph marks), so lines ended by CR LF paste as
    // lines and TAB-separated fields as columns.
    virtual void SetClipboardText(const std::string& bytes) = 0;

    // --- code page ---
    // The code page (1250, 1251 or 1252; another value is taken as 1252) in
    // which every name and text is shown and typed from now on. What is on
    // screen is shown again at once from the bytes it holds: list rows,
    // fields and panes (with what the user has typed so far), the status
    // bar. No byte changes: the code page only decides how bytes look. A
    // typed, pasted or dropped character the code page lacks is refused with
    // MissingCharMessage (platform/codepage.h) and never stands in as '?'.
    // Program texts (captions, menus, tab and column titles) are ASCII.
    virtual void SetCodePage(int codePage) = 0;

    // --- help ---
    // Looked up once at start-up: is there a viewer of compiled HTML help?
    virtual bool HelpViewerAvailable() = 0;
    // Both answer whether something took the manual: false when the viewer
    // or the browser could not be started (the core then says where the
    // manual is).
    virtual bool OpenHelp(const std::string& path) = 0;
    // Without such a viewer: opens the manual's HTML index page in the
    // user's web browser.
    virtual bool OpenHelpPages(const std::string& indexPage) = 0;

    // --- events ---
    // Waits for the next user event. Returns false when no event will ever
    // come again (the window system is gone or a script has run out).
    virtual bool WaitEvent(Event& ev) = 0;
    // Serves the window system for up to the given time without handing out
    // user events: used while the main thread waits for the worker.
    virtual void Pump(int milliseconds) = 0;

    // --- worker thread ---
    // Starts fn on a new thread. Returns false if it could not be started.
    virtual bool StartWorker(std::function<void()> fn) = 0;
    // Waits for the last worker to end and releases it (no-op when none).
    virtual void ReleaseWorker() = 0;
};

}  // namespace qp

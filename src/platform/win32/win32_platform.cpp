#include "platform/win32/win32_platform.h"

#include <commctrl.h>
#include <commdlg.h>
#include <process.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/codepage.h"

namespace qp {

namespace {

constexpr UINT kMsgCall = WM_APP + 1;   // lParam: std::function<void()>* to run
constexpr UINT kMsgFlush = WM_APP + 2;  // the worker queued rows or status texts
constexpr UINT kMsgTell = WM_APP + 3;   // a refused character waits to be named

const wchar_t kMainClass[] = L"QuillaneMain";
const wchar_t kToolClass[] = L"QuillaneTool";
const wchar_t kPageClass[] = L"QuillanePage";
const wchar_t kInvokerClass[] = L"QuillaneInvoker";

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                             WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kToolStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

Win32Platform* Self(HWND w) {
    return reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(w, GWLP_USERDATA));
}

// The first message of a window carries its owner object; keep it.
void Adopt(HWND w, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Adopt(w, msg, lp);
    Win32Platform* p = Self(w);
    return p ? p->HandleMain(w, msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK ToolProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Adopt(w, msg, lp);
    Win32Platform* p = Self(w);
    const int window = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(w, L"QuillaneWindow")));
    return p ? p->HandleDialog(window, w, msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

// A tab page: passes its list view's notifications to the main window.
LRESULT CALLBACK PageProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Adopt(w, msg, lp);
    Win32Platform* p = Self(w);
    if (p && (msg == WM_NOTIFY || msg == WM_COMMAND)) return p->HandleMain(p->MainWindow(), msg, wp, lp);
    return DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK InvokerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Adopt(w, msg, lp);
    Win32Platform* p = Self(w);
    return p ? p->HandleInvoker(w, msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

// Edit fields and panes: the messages that may bring text are announced
// before the control takes them.
LRESULT CALLBACK InputProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR control, DWORD_PTR self) {
    switch (msg) {
    case WM_CHAR: case WM_SYSCHAR: case WM_UNICHAR: case WM_IME_CHAR: case WM_IME_COMPOSITION:
    case WM_KEYDOWN: case WM_PASTE: case WM_CUT: case WM_CLEAR: case WM_UNDO: case EM_UNDO: case EM_REDO:
    case WM_LBUTTONDOWN: case WM_DROPFILES: case EM_REPLACESEL:
        reinterpret_cast<Win32Platform*>(self)->BeforeInput(static_cast<int>(control));
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, InputProc, control);
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

unsigned __stdcall WorkerProc(void* arg) {
    std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(arg));
    (*fn)();
    return 0;
}

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring WindowText(HWND w) {
    int n = GetWindowTextLengthW(w);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(w, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}

RECT ToRECT(const Rect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

// The rich edit keeps a paragraph break as CR and a line break as VT; the
// code page mapping speaks of U+2029 and U+2028.
std::wstring PaneForControl(std::wstring s) {
    for (wchar_t& c : s) {
        if (c == 0x2029) c = L'\r';
        else if (c == 0x2028) c = L'\v';
    }
    return s;
}

std::wstring PaneFromControl(std::wstring s) {
    for (wchar_t& c : s) {
        if (c == L'\r') c = 0x2029;
        else if (c == L'\v') c = 0x2028;
    }
    return s;
}

// The rich edit's text as UTF-16, whatever the window's own character set.
std::wstring PaneText(HWND h) {
    GETTEXTLENGTHEX len{GTL_DEFAULT | GTL_NUMCHARS, 1200};
    const LRESULT n = SendMessageW(h, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0);
    std::wstring t(static_cast<size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>(t.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    const LRESULT got = SendMessageW(h, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(t.data()));
    t.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return t;
}

void SetPaneText(HWND h, const std::wstring& t) {
    SETTEXTEX set{ST_DEFAULT, 1200};
    SendMessageW(h, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set), reinterpret_cast<LPARAM>(t.c_str()));
}

HFONT MessageFont() {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return CreateFontIndirectW(&m.lfMessageFont);
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

// ---------------------------------------------------------------- set-up

Win32Platform::Win32Platform() {
    guiThread_ = GetCurrentThreadId();
    instance_ = GetModuleHandleW(nullptr);
    const UINT acp = GetACP();
    codePage_ = IsSupportedCodePage(static_cast<int>(acp)) ? static_cast<int>(acp) : kCodePageWestern;

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                             ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = kMainClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = ToolProc;
    wc.lpszClassName = kToolClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PageProc;
    wc.lpszClassName = kPageClass;
    wc.hIcon = nullptr;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = InvokerProc;
    wc.lpszClassName = kInvokerClass;
    RegisterClassExW(&wc);

    invoker_ = CreateWindowExW(0, kInvokerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
    uiFont_ = MessageFont();
    // The filter bar's keys anywhere in the main window: Ctrl+F, F3.
    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'F', kCtlFilterField}, {FVIRTKEY, VK_F3, kCtlFilterNext}};
    keys_ = CreateAcceleratorTableW(keys, 2);

    // The help viewer is looked for once; without it Help does nothing.
    if (HMODULE hh = LoadLibraryA("hhctrl.ocx"))
        htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(hh, "HtmlHelpA")));
}

Win32Platform::~Win32Platform() {
    ReleaseWorker();
    DestroyAll();
    if (invoker_) DestroyWindow(invoker_);
    if (keys_) DestroyAcceleratorTable(keys_);
    if (uiFont_) DeleteObject(uiFont_);
    if (paneFont_) DeleteObject(paneFont_);
    for (const auto& [height, font] : labelFonts_) DeleteObject(font);
}

void Win32Platform::DestroyAll() {
    for (int w = 1; w < kWindowCount; ++w)
        if (dialogs_[w]) CloseDialog(w);
    if (main_) DestroyWindow(main_);
    if (popup_) DestroyMenu(popup_);
    main_ = nullptr;
    menuBar_ = popup_ = nullptr;
    status_ = frame_ = tabs_ = nullptr;
    for (ListData& l : lists_) l = ListData{};
    barHeight_ = 0;
    filterShown_.clear();
    focusBeforeLeaving_ = nullptr;
    for (int t = 0; t < kListCount; ++t) tabTitles_[t].clear(), tabHints_[t].clear(), tabDimmed_[t] = false;
}

std::wstring Win32Platform::ToLine(const std::string& bytes) const { return Wide(BytesToLine(codePage_, bytes)); }

std::wstring Win32Platform::StatusLine(int field, const std::string& bytes) const {
    const size_t label = sizeof kStatusFileLabel - 1;
    if (field != kStatusFile || bytes.compare(0, label, kStatusFileLabel) != 0) return ToLine(bytes);
    // File names are in the ANSI code page, as the "A" functions take them.
    const std::string name = bytes.substr(label);
    std::wstring wide(static_cast<size_t>(
                          MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(),
                        static_cast<int>(wide.size()));
    return ToLine(bytes.substr(0, label)) + wide;
}

bool Win32Platform::FromLine(const std::wstring& text, std::string& bytes, char32_t* missing) const {
    return LineToBytes(codePage_, U16(text), bytes, missing);
}

std::wstring Win32Platform::ToPane(const std::string& bytes) const {
    return PaneForControl(Wide(BytesToPane(codePage_, bytes)));
}

bool Win32Platform::FromPane(const std::wstring& text, std::string& bytes, char32_t* missing) const {
    return PaneToBytes(codePage_, U16(PaneFromControl(text)), bytes, missing);
}

std::wstring Win32Platform::ToMessage(const MessageRequest& m) const {
    if (!m.utf8) return Wide(BytesToMessage(codePage_, m.text));
    std::wstring w(m.text.size(), L'\0');
    w.resize(static_cast<size_t>(std::max(0, MultiByteToWideChar(CP_UTF8, 0, m.text.data(),
                                                                  static_cast<int>(m.text.size()), w.data(),
                                                                  static_cast<int>(w.size())))));
    std::replace(w.begin(), w.end(), L'\r', L'\n');
    return w;
}

bool Win32Platform::ControlBytes(const Control& c, std::string& bytes, char32_t* missing) const {
    bytes.clear();
    if (c.kind == Kind::List) return true;
    if (c.kind == Kind::Pane) return FromPane(PaneText(c.hwnd), bytes, missing);
    return FromLine(WindowText(c.hwnd), bytes, missing);
}

void Win32Platform::TellMissingLater(char32_t c) {
    // A box opened inside the key or paste would take further keys meant
    // for the field; one box for a burst of refusals is enough.
    if (missingToTell_ == 0) PostMessageW(invoker_, kMsgTell, 0, 0);
    missingToTell_ = c;
}

std::vector<std::pair<int, std::string>> Win32Platform::DialogTexts() {
    std::vector<std::pair<int, std::string>> texts;
    for (const auto& [control, c] : controls_) {
        std::string bytes;
        if (c.kind != Kind::List && ControlBytes(c, bytes)) texts.emplace_back(control, std::move(bytes));
    }
    return texts;
}

void Win32Platform::ShowListsAgain() {
    for (ListData& l : lists_)
        if (l.hwnd) InvalidateRect(l.hwnd, nullptr, TRUE);
    for (auto& [control, l] : dialogLists_) InvalidateRect(l.hwnd, nullptr, TRUE);
}

// ---------------------------------------------------------------- carried calls

void Win32Platform::RunBlocking(const std::function<void()>& f) {
    // SendMessage from another thread waits until the GUI thread has run it;
    // the GUI thread takes such calls whenever it looks for messages, in a
    // message box or requester too.
    SendMessageW(invoker_, kMsgCall, 0, reinterpret_cast<LPARAM>(&f));
}

void Win32Platform::PostFlush() { PostMessageW(invoker_, kMsgFlush, 0, 0); }

void Win32Platform::AppendQueuedRows(int list, std::vector<Row> rows) {
    ListData* l = List(list);
    if (!l) return;
    if (l->rows.empty()) {
        SetRows(*l, std::move(rows));
    } else {
        const size_t before = l->rows.size();
        l->rows.insert(l->rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        RowsAppended(*l, before);
    }
}

void Win32Platform::ShowQueuedStatus(int field, std::string text) {
    if (status_) SendMessageW(status_, SB_SETTEXTW, field, reinterpret_cast<LPARAM>(StatusLine(field, text).c_str()));
}

LRESULT Win32Platform::HandleInvoker(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgCall) {
        FlushQueued();
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 0;
    }
    if (msg == kMsgFlush) {
        FlushQueued();
        return 0;
    }
    if (msg == kMsgTell) {
        const char32_t c = missingToTell_;
        if (c) TellMissing(c);
        missingToTell_ = 0;
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

void Win32Platform::PushEvent(const Event& ev) {
    OnGui([&] {
        // One relayout is enough for a burst of size changes.
        if (ev.kind == EventKind::Size && !events_.empty() && events_.back().kind == EventKind::Size) return;
        events_.push_back(ev);
    });
}

// ---------------------------------------------------------------- main window

void Win32Platform::CreateMainWindow(const std::string& title, int innerWidth, int innerHeight) {
    OnGui([&] {
        // A second main window (tests) starts from nothing.
        DestroyAll();
        controls_.clear();
        // The inner height counts the menu bar: the outer size is the inner
        // size plus caption and border alone.
        RECT r{0, 0, innerWidth, innerHeight};
        AdjustWindowRectEx(&r, kMainStyle, FALSE, 0);
        const int ow = r.right - r.left, oh = r.bottom - r.top;
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int x = work.left + (work.right - work.left - ow) / 2;
        const int y = work.top + (work.bottom - work.top - oh) / 2;
        main_ = CreateWindowExW(0, kMainClass, ToLine(title).c_str(), kMainStyle, x, y, ow, oh, nullptr,
                                nullptr, instance_, this);
        reportedW_ = innerWidth;
        reportedH_ = innerHeight;
        ShowWindow(main_, SW_SHOW);
        UpdateWindow(main_);
        SetForegroundWindow(main_);
    });
}

void Win32Platform::GetMainWindowSize(int& innerWidth, int& innerHeight) {
    OnGui([&] {
        innerWidth = innerHeight = 0;
        if (!main_) return;
        RECT outer, frame{0, 0, 0, 0};
        GetWindowRect(main_, &outer);
        AdjustWindowRectEx(&frame, kMainStyle, FALSE, 0);
        innerWidth = (outer.right - outer.left) - (frame.right - frame.left);
        innerHeight = (outer.bottom - outer.top) - (frame.bottom - frame.top) - barHeight_;
    });
}

void Win32Platform::GetMainWindowPosition(int& x, int& y) {
    OnGui([&] {
        RECT r{};
        if (main_) GetWindowRect(main_, &r);
        x = r.left;
        y = r.top;
    });
}

void Win32Platform::ActivateMainWindow() {
    OnGui([&] {
        if (!main_) return;
        SetActiveWindow(main_);
        RedrawWindow(main_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    });
}

LRESULT Win32Platform::HandleMain(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        PushEvent(Event{EventKind::Close, 0, ControlAction::Click, 0, 0});
        return 0;
    case WM_DESTROY:
        if (w == main_) main_ = nullptr;
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE && w == main_) {
            HWND f = GetFocus();
            focusBeforeLeaving_ = f && IsChild(main_, f) ? f : nullptr;
        } else if (w == main_ && tabs_) {
            // Typing in the filter field goes on there after a message box.
            HWND field = ControlWindow(kCtlFilterField);
            if (field && focusBeforeLeaving_ == field) {
                SetFocus(field);
                return 0;
            }
            // The keyboard goes to the list on view, whose selected row then
            // shows as the current one.
            const int list = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)) + kFirstList;
            if (IsListNumber(list) && lists_[list].hwnd) {
                SetFocus(lists_[list].hwnd);
                return 0;
            }
        }
        break;
    case WM_SIZE:
        if (status_) SendMessageW(status_, WM_SIZE, 0, 0);
        PlaceBar();
        if (wp != SIZE_MINIMIZED && w == main_) {
            int iw = 0, ih = 0;
            GetMainWindowSize(iw, ih);
            if (iw != reportedW_ || ih != reportedH_) {
                reportedW_ = iw;
                reportedH_ = ih;
                PushEvent(Event{EventKind::Size, 0, ControlAction::Click, 0, 0});
            }
        }
        return 0;
    case WM_COMMAND:
        if (lp == 0 && HIWORD(wp) == 0) {
            PushEvent(Event{EventKind::Menu, LOWORD(wp), ControlAction::Click, 0, 0});
            return 0;
        }
        if (lp == 0 && HIWORD(wp) == 1) {  // a key of the accelerator table
            if (LOWORD(wp) == kCtlFilterField) {
                if (HWND field = ControlWindow(kCtlFilterField)) {
                    SetFocus(field);
                    SendMessageW(field, EM_SETSEL, 0, -1);
                }
            } else if (LOWORD(wp) == kCtlFilterNext && IsControlEnabled(kCtlFilterNext)) {
                PushEvent(Event{EventKind::Control, kCtlFilterNext, ControlAction::Press, 0, 0});
            }
            return 0;
        }
        if (Control* c = Ctl(LOWORD(wp)); c && c->window == kWindowMain && c->hwnd == reinterpret_cast<HWND>(lp)) {
            if (c->kind == Kind::Button && HIWORD(wp) == BN_CLICKED) {
                PushEvent(Event{EventKind::Control, LOWORD(wp), ControlAction::Press, 0, 0});
                return 0;
            }
            if (c->kind == Kind::Edit && HIWORD(wp) == EN_CHANGE) {
                CheckEditText(*c);
                // Only the user's changes: the program's own set filterShown_ first.
                const std::wstring now = WindowText(c->hwnd);
                if (now != filterShown_) {
                    filterShown_ = now;
                    PushEvent(Event{EventKind::Control, LOWORD(wp), ControlAction::Change, 0, 0});
                }
                return 0;
            }
        }
        break;
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->CtlType == ODT_TAB && d->hwndItem == tabs_) {
            DrawTab(*d);
            return TRUE;
        }
        break;
    }
    case WM_NOTIFY: {
        auto* n = reinterpret_cast<NMHDR*>(lp);
        if (n->hwndFrom == tabs_ && n->code == TCN_SELCHANGE) {
            ShowPage(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        if (tabs_ && n->code == TTN_GETDISPINFOW &&
            n->hwndFrom == reinterpret_cast<HWND>(SendMessageW(tabs_, TCM_GETTOOLTIPS, 0, 0))) {
            auto* t = reinterpret_cast<NMTTDISPINFOW*>(n);
            t->hinst = nullptr;
            t->szText[0] = L'\0';
            t->lpszText = n->idFrom < static_cast<UINT_PTR>(kListCount) ? tabHints_[n->idFrom].data() : t->szText;
            return 0;
        }
        LRESULT result = 0;
        if (OnListNotify(static_cast<int>(n->idFrom), n, result)) return result;
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// ---------------------------------------------------------------- menus

void Win32Platform::SetMenuBar(const std::vector<Menu>& menus) {
    OnGui([&] {
        if (!main_) return;
        HMENU bar = CreateMenu();
        for (const Menu& m : menus) {
            HMENU sub = CreatePopupMenu();
            for (const MenuItem& item : m.items) {
                if (item.id == 0) {
                    AppendMenuW(sub, MF_SEPARATOR, 0, nullptr);
                    continue;
                }
                AppendMenuW(sub, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED) |
                                     (item.checked ? MF_CHECKED : MF_UNCHECKED),
                            item.id, ToLine(item.caption).c_str());
                if (item.radio) {
                    // A radio item's mark is a bullet, not a tick.
                    MENUITEMINFOW info{};
                    info.cbSize = sizeof info;
                    info.fMask = MIIM_FTYPE;
                    info.fType = MFT_STRING | MFT_RADIOCHECK;
                    SetMenuItemInfoW(sub, static_cast<UINT>(item.id), FALSE, &info);
                }
            }
            AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), ToLine(m.title).c_str());
        }
        HMENU old = GetMenu(main_);
        SetMenu(main_, bar);
        if (old) DestroyMenu(old);
        menuBar_ = bar;
        DrawMenuBar(main_);
    });
}

void Win32Platform::SetPopupMenu(const MenuItem& item) {
    OnGui([&] {
        if (popup_) DestroyMenu(popup_);
        popup_ = CreatePopupMenu();
        AppendMenuW(popup_, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), item.id,
                    ToLine(item.caption).c_str());
    });
}

void Win32Platform::EnableMenuItem(int id, bool enabled) {
    OnGui([&] {
        const UINT how = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
        if (menuBar_) ::EnableMenuItem(menuBar_, static_cast<UINT>(id), how);
        if (popup_) ::EnableMenuItem(popup_, static_cast<UINT>(id), how);
        if (main_) DrawMenuBar(main_);
    });
}

bool Win32Platform::IsMenuItemEnabled(int id) {
    return OnGui([&] {
        for (HMENU m : {menuBar_, popup_}) {
            if (!m) continue;
            const UINT state = GetMenuState(m, static_cast<UINT>(id), MF_BYCOMMAND);
            if (state != static_cast<UINT>(-1)) return (state & (MF_GRAYED | MF_DISABLED)) == 0;
        }
        return false;
    });
}

void Win32Platform::CheckMenuItem(int id, bool checked) {
    OnGui([&] {
        const UINT how = MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED);
        if (menuBar_) ::CheckMenuItem(menuBar_, static_cast<UINT>(id), how);
        if (popup_) ::CheckMenuItem(popup_, static_cast<UINT>(id), how);
    });
}

void Win32Platform::ShowPopupMenu() {
    OnGui([&] {
        if (!popup_ || !main_) return;
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(main_);
        const UINT id = static_cast<UINT>(
            TrackPopupMenuEx(popup_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, pt.x, pt.y, main_, nullptr));
        if (id) PushEvent(Event{EventKind::Menu, static_cast<int>(id), ControlAction::Click, 0, 0});
    });
}

// ---------------------------------------------------------------- object window

HWND Win32Platform::CreateListView(HWND parent, int id, const std::vector<ListColumn>& columns, DWORD style) {
    HWND v = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                                 LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | style,
                             0, 0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             instance_, nullptr);
    SendMessageW(v, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
    const DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER;
    SendMessageW(v, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    for (size_t c = 0; c < columns.size(); ++c) {
        std::wstring title = ToLine(columns[c].title);
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = columns[c].width;
        col.pszText = title.data();
        col.iSubItem = static_cast<int>(c);
        SendMessageW(v, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
    return v;
}

void Win32Platform::CreateObjectWindow(const std::string& frameTitle,
                                       const std::vector<std::string>& tabTitles,
                                       const std::vector<ListColumn>& columns) {
    OnGui([&] {
        if (!main_) return;
        if (frame_) DestroyWindow(frame_);
        if (tabs_) DestroyWindow(tabs_);
        for (ListData& l : lists_) l = ListData{};
        RECT c;
        GetClientRect(main_, &c);
        int w = 0, h = 0;
        GetMainWindowSize(w, h);
        frame_ = CreateWindowExW(0, L"BUTTON", ToLine(frameTitle).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 5, barHeight_, w - 10, h - 40,
                                 main_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCtlFrame)), instance_, nullptr);
        // Owner-drawn tabs: a tab whose list shows no row while the filter is
        // on draws its caption dimmed, yet stays selectable (a tab control's
        // item states know only pressed and highlighted). The tooltips tell
        // each tab's counts.
        tabs_ = CreateWindowExW(0, WC_TABCONTROLW, L"",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                                    TCS_TOOLTIPS | TCS_OWNERDRAWFIXED,
                                10, 15 + barHeight_,
                                w - 20, h - 60, main_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCtlTabs)),
                                instance_, nullptr);
        SendMessageW(frame_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
        SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
        // The frame is drawn behind the tabs.
        SetWindowPos(frame_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        wanted_[kCtlFrame] = Rect{5, 0, w - 10, h - 40};
        wanted_[kCtlTabs] = Rect{10, 15, w - 20, h - 60};
        for (int list = kFirstList; list <= kLastList; ++list) {
            const size_t tab = static_cast<size_t>(list - kFirstList);
            if (tab >= tabTitles.size()) continue;
            std::wstring title = ToLine(tabTitles[tab]);
            tabTitles_[tab] = title;
            tabHints_[tab].clear();
            tabDimmed_[tab] = false;
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = title.data();
            SendMessageW(tabs_, TCM_INSERTITEMW, tab, reinterpret_cast<LPARAM>(&item));
            ListData& l = lists_[list];
            l.page = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"",
                                     WS_CHILD | WS_CLIPCHILDREN | (tab == 0 ? WS_VISIBLE : 0), 0, 0, 10, 10,
                                     tabs_, nullptr, instance_, this);
            l.hwnd = CreateListView(l.page, list, columns);
            wanted_[list] = Rect{1, 1, w - 26, h - 87};
        }
        PlacePages();
        if (status_) SetWindowPos(status_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The tab control's scroll arrows appear while the tabs are added;
        // draw the whole window once it is complete.
        RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    });
}

// Every page fills the tab control's display area.
void Win32Platform::PlacePages() {
    if (!tabs_) return;
    RECT r;
    GetClientRect(tabs_, &r);
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (int list = kFirstList; list <= kLastList; ++list) {
        if (!lists_[list].page) continue;
        MoveWindow(lists_[list].page, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        PlaceList(list);
    }
}

// A list view keeps the position asked for but stays within its page, so
// that its border and scroll bars are never cut off.
void Win32Platform::PlaceList(int list) {
    ListData& l = lists_[list];
    if (!l.hwnd || !l.page) return;
    RECT page, want = ToRECT(wanted_[list]), fit;
    GetClientRect(l.page, &page);
    if (!IntersectRect(&fit, &want, &page)) fit = RECT{0, 0, 0, 0};
    MoveWindow(l.hwnd, fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top, TRUE);
}

void Win32Platform::SetControlGeometry(int control, const Rect& r) {
    OnGui([&] {
        if (control == kCtlFrame || control == kCtlTabs) {
            wanted_[control] = r;
            HWND w = control == kCtlFrame ? frame_ : tabs_;
            if (w) MoveWindow(w, r.x, r.y + barHeight_, r.w, r.h, TRUE);
            if (control == kCtlTabs) PlacePages();
        } else if (IsListNumber(control)) {
            wanted_[control] = r;
            PlaceList(control);
        } else if (HWND w = ControlWindow(control)) {
            MoveWindow(w, r.x, r.y, r.w, r.h, TRUE);
        }
    });
}

Rect Win32Platform::GetControlGeometry(int control) {
    return OnGui([&] {
        if (control >= kCtlFrame && control <= kLastList) return wanted_[control];
        HWND w = ControlWindow(control);
        if (!w) return Rect{};
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    });
}

HWND Win32Platform::ControlWindow(int control) const {
    if (control == kCtlFrame) return frame_;
    if (control == kCtlTabs) return tabs_;
    if (IsListNumber(control)) return lists_[control].hwnd;
    auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second.hwnd;
}

HWND Win32Platform::DialogWindow(int window) const {
    return window >= 1 && window < kWindowCount ? dialogs_[window] : nullptr;
}

// ---------------------------------------------------------------- list views

Win32Platform::ListData* Win32Platform::List(int control) {
    if (IsListNumber(control)) return lists_[control].hwnd ? &lists_[control] : nullptr;
    auto it = dialogLists_.find(control);
    return it == dialogLists_.end() ? nullptr : &it->second;
}

void Win32Platform::SetRows(ListData& l, std::vector<Row> rows) {
    ++l.quiet;
    // Emptying the view first drops its selection and focus.
    SendMessageW(l.hwnd, LVM_SETITEMCOUNT, 0, 0);
    l.rows = std::move(rows);
    l.hiding = false;
    l.shown.clear();
    SendMessageW(l.hwnd, LVM_SETITEMCOUNT, l.rows.size(), 0);
    InvalidateRect(l.hwnd, nullptr, TRUE);
    --l.quiet;
}

bool Win32Platform::OnListNotify(int control, NMHDR* n, LRESULT& result) {
    ListData* l = List(control);
    if (!l || n->hwndFrom != l->hwnd) return false;
    switch (n->code) {
    case LVN_GETDISPINFOW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(n);
        const int listRow = ListRowOf(*l, d->item.iItem);
        const size_t row = static_cast<size_t>(listRow), col = static_cast<size_t>(d->item.iSubItem);
        if ((d->item.mask & LVIF_TEXT) && listRow >= 0 && col < 4) {
            dispText_ = ToLine(l->rows[row][col]);
            d->item.pszText = dispText_.data();
        }
        return true;
    }
    case LVN_ODFINDITEMW:
        result = -1;
        return true;
    case LVN_COLUMNCLICK: {
        const int column = reinterpret_cast<NMLISTVIEW*>(n)->iSubItem;
        if (IsListNumber(control)) PushEvent(Event{EventKind::HeaderClick, control, ControlAction::Click, 0, column});
        else if (l->headerClicks) PushEvent(Event{EventKind::Control, control, ControlAction::Click, 0, 0});
        return true;
    }
    case NM_CLICK:
        PushEvent(Event{EventKind::Control, control, ControlAction::Click, 0, 0});
        return true;
    case NM_RCLICK:
        PushEvent(Event{EventKind::Control, control, ControlAction::RightClick, 0, 0});
        return true;
    case LVN_ITEMACTIVATE:
        PushEvent(Event{EventKind::Control, control, ControlAction::Activate, 0, 0});
        return true;
    case LVN_ITEMCHANGED: {
        auto* v = reinterpret_cast<NMLISTVIEW*>(n);
        if (l->quiet == 0 && (v->uChanged & LVIF_STATE) && (v->uNewState & LVIS_FOCUSED) &&
            !(v->uOldState & LVIS_FOCUSED))
            PushEvent(Event{EventKind::Control, control, ControlAction::SelectionChange, 0, 0});
        return true;
    }
    default:
        return false;
    }
}

void Win32Platform::ListClear(int list) {
    OnGui([&] {
        if (ListData* l = List(list)) SetRows(*l, {});
    });
}

void Win32Platform::ListAddRow(int list, const Row& row) {
    if (!OnGuiThread()) return QueueRow(list, row);
    FlushQueued();
    if (ListData* l = List(list)) {
        l->rows.push_back(row);
        RowsAppended(*l, l->rows.size() - 1);
    }
}

void Win32Platform::ListSetRows(int list, std::vector<Row> rows) {
    OnGui([&] {
        if (ListData* l = List(list)) SetRows(*l, std::move(rows));
    });
}

void Win32Platform::ListSetText(int list, int row, int column, const std::string& text) {
    OnGui([&] {
        ListData* l = List(list);
        if (!l || row < 0 || static_cast<size_t>(row) >= l->rows.size() || column < 0 || column > 3) return;
        l->rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
        const int item = ItemOf(*l, row);
        if (item >= 0) SendMessageW(l->hwnd, LVM_REDRAWITEMS, item, item);
    });
}

std::string Win32Platform::ListGetText(int list, int row, int column) {
    return OnGui([&]() -> std::string {
        ListData* l = List(list);
        if (!l || row < 0 || static_cast<size_t>(row) >= l->rows.size() || column < 0 || column > 3) return {};
        return l->rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
    });
}

int Win32Platform::ListRowCount(int list) {
    return OnGui([&] {
        ListData* l = List(list);
        return l ? static_cast<int>(l->rows.size()) : 0;
    });
}

std::vector<Row> Win32Platform::ListGetRows(int list) {
    return OnGui([&] {
        ListData* l = List(list);
        return l ? l->rows : std::vector<Row>{};
    });
}

int Win32Platform::ListFocusedRow(int list) {
    return OnGui([&] {
        ListData* l = List(list);
        return l ? ListRowOf(*l, static_cast<int>(SendMessageW(l->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                               LVNI_FOCUSED)))
                 : -1;
    });
}

void Win32Platform::ListSelectRow(int list, int row) {
    OnGui([&] {
        ListData* l = List(list);
        if (!l) return;
        ++l->quiet;
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = 0;
        SendMessageW(l->hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        if (const int at = ItemOf(*l, row); at >= 0) {
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(l->hwnd, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&item));
            SendMessageW(l->hwnd, LVM_ENSUREVISIBLE, at, FALSE);
        }
        --l->quiet;
    });
}

void Win32Platform::ListSetRedraw(int list, bool on) {
    OnGui([&] {
        ListData* l = List(list);
        if (!l) return;
        SendMessageW(l->hwnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
        if (on) InvalidateRect(l->hwnd, nullptr, TRUE);
    });
}

// ---------------------------------------------------------------- filtered views

int Win32Platform::ItemCount(const ListData& l) {
    return static_cast<int>(l.hiding ? l.shown.size() : l.rows.size());
}

int Win32Platform::ListRowOf(const ListData& l, int item) {
    if (item < 0 || item >= ItemCount(l)) return -1;
    return l.hiding ? l.shown[static_cast<size_t>(item)] : item;
}

int Win32Platform::ItemOf(const ListData& l, int row) {
    if (row < 0 || static_cast<size_t>(row) >= l.rows.size()) return -1;
    if (!l.hiding) return row;
    const auto it = std::lower_bound(l.shown.begin(), l.shown.end(), row);
    return it != l.shown.end() && *it == row ? static_cast<int>(it - l.shown.begin()) : -1;
}

void Win32Platform::RowsAppended(ListData& l, size_t before) {
    if (l.hiding)
        for (size_t r = before; r < l.rows.size(); ++r) l.shown.push_back(static_cast<int>(r));
    ++l.quiet;
    SendMessageW(l.hwnd, LVM_SETITEMCOUNT, ItemCount(l), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    --l.quiet;
}

void Win32Platform::ChangeShownRows(ListData& l, const std::function<void()>& change) {
    ++l.quiet;
    // The control keeps focus and selection by item number, and the items
    // are about to name other rows: both go, by the item that holds them
    // (one message each, whatever the list's length).
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    const int focusedItem = static_cast<int>(SendMessageW(l.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int focused = ListRowOf(l, focusedItem);
    if (focusedItem >= 0) SendMessageW(l.hwnd, LVM_SETITEMSTATE, focusedItem, reinterpret_cast<LPARAM>(&none));
    // Looking for a selected row walks the items: only when one is left.
    if (SendMessageW(l.hwnd, LVM_GETSELECTEDCOUNT, 0, 0) > 0) {
        const WPARAM item = SendMessageW(l.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (static_cast<int>(item) >= 0) SendMessageW(l.hwnd, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&none));
    }
    change();
    SendMessageW(l.hwnd, LVM_SETITEMCOUNT, ItemCount(l), LVSICF_NOINVALIDATEALL);
    if (const int at = ItemOf(l, focused); at >= 0) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(l.hwnd, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&item));
        // In the middle of the view, as the rows around it changed.
        SendMessageW(l.hwnd, LVM_ENSUREVISIBLE, at, FALSE);
        const int top = static_cast<int>(SendMessageW(l.hwnd, LVM_GETTOPINDEX, 0, 0));
        const int page = static_cast<int>(SendMessageW(l.hwnd, LVM_GETCOUNTPERPAGE, 0, 0));
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageW(l.hwnd, LVM_GETITEMRECT, at, reinterpret_cast<LPARAM>(&r));
        const int shift = at - page / 2 - top;
        if (shift != 0) SendMessageW(l.hwnd, LVM_SCROLL, 0, shift * (r.bottom - r.top));
    }
    InvalidateRect(l.hwnd, nullptr, TRUE);
    --l.quiet;
}

void Win32Platform::ListSetVisibleRows(int list, const std::vector<int>& rows) {
    OnGui([&] {
        ListData* l = IsListNumber(list) ? List(list) : nullptr;
        if (!l) return;
        ChangeShownRows(*l, [&] {
            l->hiding = true;
            l->shown.clear();
            const int n = static_cast<int>(l->rows.size());
            for (int r : rows)
                if (r >= 0 && r < n && (l->shown.empty() || r > l->shown.back())) l->shown.push_back(r);
        });
    });
}

void Win32Platform::ListShowAllRows(int list) {
    OnGui([&] {
        ListData* l = IsListNumber(list) ? List(list) : nullptr;
        if (!l || !l->hiding) return;
        ChangeShownRows(*l, [&] {
            l->hiding = false;
            l->shown.clear();
            l->shown.shrink_to_fit();
        });
    });
}

int Win32Platform::CurrentTab() {
    return OnGui([&] {
        const int sel = tabs_ ? static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)) : 0;
        return sel >= 0 ? sel + kFirstList : kFirstList;
    });
}

void Win32Platform::ShowPage(int tab) {
    for (int list = kFirstList; list <= kLastList; ++list)
        if (lists_[list].page) ShowWindow(lists_[list].page, list - kFirstList == tab ? SW_SHOW : SW_HIDE);
}

void Win32Platform::ShowTab(int list, bool takeKeyboard) {
    OnGui([&] {
        ListData* l = IsListNumber(list) ? List(list) : nullptr;
        if (!tabs_ || !l) return;
        // TCM_SETCURSEL reports nothing: the pages follow here.
        SendMessageW(tabs_, TCM_SETCURSEL, list - kFirstList, 0);
        ShowPage(list - kFirstList);
        if (takeKeyboard) SetFocus(l->hwnd);
    });
}

void Win32Platform::SetTabHint(int list, const std::string& tooltip, bool dimmed) {
    OnGui([&] {
        if (!tabs_ || !IsListNumber(list) || !List(list)) return;
        const int tab = list - kFirstList;
        tabHints_[tab] = ToLine(tooltip);
        if (tabDimmed_[tab] == dimmed) return;
        tabDimmed_[tab] = dimmed;
        RECT r;
        if (SendMessageW(tabs_, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(&r))) InvalidateRect(tabs_, &r, TRUE);
    });
}

// The caption of an owner-drawn tab, on the background the control drew.
void Win32Platform::DrawTab(const DRAWITEMSTRUCT& d) {
    const int tab = static_cast<int>(d.itemID);
    if (tab < 0 || tab >= kListCount) return;
    HGDIOBJ old = SelectObject(d.hDC, uiFont_);
    const int mode = SetBkMode(d.hDC, TRANSPARENT);
    const COLORREF color = SetTextColor(d.hDC, GetSysColor(tabDimmed_[tab] ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT r = d.rcItem;
    DrawTextW(d.hDC, tabTitles_[tab].c_str(), static_cast<int>(tabTitles_[tab].size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(d.hDC, color);
    SetBkMode(d.hDC, mode);
    SelectObject(d.hDC, old);
}

// ---------------------------------------------------------------- filter bar

void Win32Platform::CreateFilterBar(const std::string& fieldHint, const std::string& toggleCaption,
                                    const std::string& nextCaption) {
    OnGui([&] {
        if (!main_) return;
        for (int c : {kCtlFilterField, kCtlFilterToggle, kCtlFilterNext, kCtlFilterCount}) {
            if (Control* old = Ctl(c)) DestroyWindow(old->hwnd);
            controls_.erase(c);
        }
        // Sizes from the font, as the strip holds one row of controls.
        HDC dc = GetDC(main_);
        HGDIOBJ oldFont = SelectObject(dc, uiFont_);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        auto textWidth = [&](const std::wstring& t) {
            SIZE size{};
            GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
            return static_cast<int>(size.cx);
        };
        const std::wstring hint = ToLine(fieldHint), toggle = ToLine(toggleCaption), next = ToLine(nextCaption);
        const int fieldW = std::max(260, textWidth(hint) + 40);
        const int toggleW = textWidth(toggle) + GetSystemMetrics(SM_CXMENUCHECK) + 12;
        const int nextW = std::max(75, textWidth(next) + 24);
        SelectObject(dc, oldFont);
        ReleaseDC(main_, dc);
        const int rowH = tm.tmHeight + 10, height = rowH + 6;

        int x = 5;
        HWND field = AddControl(kWindowMain, kCtlFilterField, Kind::Edit, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL,
                                WS_EX_CLIENTEDGE, Rect{x, 3, fieldW, rowH}, L"");
        x += fieldW + 10;
        AddControl(kWindowMain, kCtlFilterToggle, Kind::Button, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                   Rect{x, 3, toggleW, rowH}, toggle);
        x += toggleW + 10;
        AddControl(kWindowMain, kCtlFilterNext, Kind::Button, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0,
                   Rect{x, 3, nextW, rowH}, next);
        x += nextW + 10;
        AddControl(kWindowMain, kCtlFilterCount, Kind::Label, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0,
                   Rect{x, 3, 10, rowH}, L"");
        if (!field) return;
        // No limit below the system's own, as in the name edit's fields.
        SendMessageW(field, EM_SETLIMITTEXT, 0, 0);
        SendMessageW(field, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(hint.c_str()));
        filterShown_.clear();

        // The window grows by the strip, so that the area the object window
        // is laid out in keeps the size the core asked for.
        const int grow = height - barHeight_;
        barHeight_ = height;
        if (IsZoomed(main_)) {
            WINDOWPLACEMENT wp{};
            wp.length = sizeof wp;
            GetWindowPlacement(main_, &wp);
            wp.rcNormalPosition.top -= grow / 2;
            wp.rcNormalPosition.bottom += grow - grow / 2;
            SetWindowPlacement(main_, &wp);
        } else {
            RECT r;
            GetWindowRect(main_, &r);
            SetWindowPos(main_, nullptr, r.left, r.top - grow / 2, r.right - r.left, r.bottom - r.top + grow,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        for (int c : {kCtlFrame, kCtlTabs})
            if (HWND w = ControlWindow(c)) {
                const Rect& r = wanted_[c];
                MoveWindow(w, r.x, r.y + barHeight_, r.w, r.h, TRUE);
            }
        PlacePages();
        PlaceBar();
    });
}

// The count label takes the rest of the strip's width.
void Win32Platform::PlaceBar() {
    Control* count = Ctl(kCtlFilterCount);
    if (!main_ || !count || count->window != kWindowMain) return;
    RECT client, r;
    GetClientRect(main_, &client);
    GetWindowRect(count->hwnd, &r);
    MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(count->hwnd, r.left, r.top, std::max(10L, client.right - 5 - r.left), r.bottom - r.top, TRUE);
}

bool Win32Platform::IsControlChecked(int control) {
    return OnGui([&] {
        Control* c = Ctl(control);
        return c && c->kind == Kind::Button && SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    });
}

bool Win32Platform::FilterKey(const MSG& msg) {
    if (!main_ || barHeight_ == 0 || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return false;
    if (!msg.hwnd || GetAncestor(msg.hwnd, GA_ROOT) != main_) return false;
    if (keys_ && TranslateAcceleratorW(main_, keys_, const_cast<MSG*>(&msg))) return true;
    HWND field = ControlWindow(kCtlFilterField);
    if (msg.hwnd != field || msg.message != WM_KEYDOWN) return false;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0) return false;
    switch (msg.wParam) {
    case VK_ESCAPE:
        // Emptied as if deleted: a Change when it held text (EN_CHANGE).
        if (GetWindowTextLengthW(field) > 0) {
            BeforeInput(kCtlFilterField);
            SetWindowTextW(field, L"");
        }
        return true;
    case VK_DOWN:
    case VK_RETURN:
        LeaveFilterField();
        return true;
    default:
        return false;
    }
}

// The list on view takes the keyboard, with a focused row to go on from.
void Win32Platform::LeaveFilterField() {
    ListData* l = tabs_ ? List(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)) + kFirstList) : nullptr;
    if (!l) return;
    SetFocus(l->hwnd);
    if (SendMessageW(l->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) < 0 && ItemCount(*l) > 0) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(l->hwnd, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        SendMessageW(l->hwnd, LVM_ENSUREVISIBLE, 0, FALSE);
    }
}

// ---------------------------------------------------------------- status bar

void Win32Platform::CreateStatusBar(int firstFieldWidth) {
    OnGui([&] {
        if (!main_) return;
        if (status_) DestroyWindow(status_);
        // No size grip: the window has no sizing border.
        status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                  main_, nullptr, instance_, nullptr);
        SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
        int parts[2] = {firstFieldWidth, -1};
        SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        SendMessageW(status_, WM_SIZE, 0, 0);
    });
}

void Win32Platform::SetStatusText(int field, const std::string& text) {
    if (field < 0 || field > 1) return;
    if (!OnGuiThread()) return QueueStatus(field, text);
    FlushQueued();
    if (status_) SendMessageW(status_, SB_SETTEXTW, field, reinterpret_cast<LPARAM>(StatusLine(field, text).c_str()));
}

std::string Win32Platform::GetStatusText(int field) {
    return OnGui([&]() -> std::string {
        if (field < 0 || field > 1 || !status_) return {};
        const int n = LOWORD(SendMessageW(status_, SB_GETTEXTLENGTHW, field, 0));
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        SendMessageW(status_, SB_GETTEXTW, field, reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n));
        // The file field's name goes back to the bytes of the path it came from.
        const std::wstring label = ToLine(kStatusFileLabel);
        std::string bytes, name;
        if (field == kStatusFile && s.compare(0, label.size(), label) == 0) {
            const std::wstring rest = s.substr(label.size());
            name.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()),
                                                                nullptr, 0, nullptr, nullptr)));
            WideCharToMultiByte(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()), name.data(),
                                static_cast<int>(name.size()), nullptr, nullptr);
            s.resize(label.size());
        }
        FromLine(s, bytes);
        return bytes + name;
    });
}

// ---------------------------------------------------------------- dialogs

void Win32Platform::OpenDialog(int window, const std::string& caption, const Rect& outer) {
    OnGui([&] {
        if (window < 1 || window >= kWindowCount) return;
        CloseDialog(window);
        HWND d = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kToolClass, ToLine(caption).c_str(),
                                 kToolStyle, outer.x, outer.y, outer.w, outer.h, main_, nullptr, instance_, this);
        SetPropW(d, L"QuillaneWindow", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(window)));
        dialogs_[window] = d;
        ShowWindow(d, SW_SHOW);
        SetForegroundWindow(d);
    });
}

void Win32Platform::CloseDialog(int window) {
    OnGui([&] {
        HWND d = DialogWindow(window);
        if (!d) return;
        enterButton_[window] = escapeButton_[window] = 0;
        for (auto it = controls_.begin(); it != controls_.end();)
            it = it->second.window == window ? controls_.erase(it) : std::next(it);
        for (auto it = dialogLists_.begin(); it != dialogLists_.end();)
            it = it->second.window == window ? dialogLists_.erase(it) : std::next(it);
        dialogs_[window] = nullptr;
        RemovePropW(d, L"QuillaneWindow");
        DestroyWindow(d);
        if (main_) SetActiveWindow(main_);
    });
}

bool Win32Platform::IsDialogOpen(int window) {
    return OnGui([&] { return DialogWindow(window) != nullptr; });
}

LRESULT Win32Platform::HandleDialog(int window, HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        PushEvent(Event{EventKind::Close, 0, ControlAction::Click, window, 0});
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (id == IDCANCEL && lp == 0) {
            // Escape: its button when the dialog has one, else as the close box.
            const int b = escapeButton_[window];
            Control* e = b ? Ctl(b) : nullptr;
            if (!b) PushEvent(Event{EventKind::Close, 0, ControlAction::Click, window, 0});
            else if (e && IsWindowEnabled(e->hwnd)) PushEvent(Event{EventKind::Control, b, ControlAction::Press, 0, 0});
            return 0;
        }
        Control* c = Ctl(id);
        if (!c) break;
        if (c->kind == Kind::Button && code == BN_CLICKED) {
            PushEvent(Event{EventKind::Control, id, ControlAction::Press, 0, 0});
            return 0;
        }
        if ((c->kind == Kind::Edit || c->kind == Kind::Pane) && code == EN_CHANGE) {
            // The program's own texts set lastGood first: only the user's changes are told.
            const std::wstring before = c->lastGood;
            CheckEditText(*c);
            if (c->kind == Kind::Edit && c->lastGood != before)
                PushEvent(Event{EventKind::Control, id, ControlAction::Change, 0, 0});
            return 0;
        }
        break;
    }
    case WM_NOTIFY: {
        auto* n = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (OnListNotify(static_cast<int>(n->idFrom), n, result)) return result;
        break;
    }
    case DM_GETDEFID:
        // Enter in the dialog (IsDialogMessage) clicks this button while it is enabled.
        if (enterButton_[window]) return MAKELONG(enterButton_[window], DC_HASDEFID);
        break;
    default:
        break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

Win32Platform::Control* Win32Platform::Ctl(int control) {
    auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : &it->second;
}

HWND Win32Platform::AddControl(int window, int control, Kind kind, const wchar_t* cls, DWORD style, DWORD exStyle,
                               const Rect& r, const std::wstring& text) {
    HWND d = window == kWindowMain ? main_ : DialogWindow(window);
    if (!d) return nullptr;
    if (Control* old = Ctl(control)) DestroyWindow(old->hwnd);
    HWND h = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.x, r.y, r.w, r.h, d,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(control)), instance_, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    Control c;
    c.hwnd = h;
    c.kind = kind;
    c.window = window;
    controls_[control] = c;
    if (kind == Kind::Edit || kind == Kind::Pane)
        SetWindowSubclass(h, InputProc, static_cast<UINT_PTR>(control), reinterpret_cast<DWORD_PTR>(this));
    return h;
}

void Win32Platform::BeforeInput(int control) {
    if (Control* c = Ctl(control))
        SendMessageW(c->hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&c->lastSelStart),
                     reinterpret_cast<LPARAM>(&c->lastSelEnd));
}

void Win32Platform::AddLabel(int window, int control, const Rect& r, const std::string& text, bool alignRight) {
    OnGui([&] {
        // The sizes were made for a narrower font: a caption that does not
        // fit grows away from the field it labels instead of wrapping, and
        // where even the dialog's edge leaves too little room, its font
        // shrinks down to 7.5 points, as in the Qt window.
        const std::wstring t = ToLine(text);
        Rect fit = r;
        HFONT font = uiFont_;
        if (HWND d = DialogWindow(window)) {
            HDC dc = GetDC(d);
            auto needed = [&](HFONT f) {
                HGDIOBJ old = SelectObject(dc, f);
                SIZE size{};
                GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
                SelectObject(dc, old);
                return static_cast<int>(size.cx) + 2;
            };
            const int room = alignRight ? r.x + r.w : r.w;
            int need = needed(font);
            LOGFONTW lf{};
            GetObjectW(uiFont_, sizeof lf, &lf);
            const int smallest = MulDiv(15, GetDeviceCaps(dc, LOGPIXELSY), 144);  // 7.5 points
            while (need > room && std::abs(lf.lfHeight) > smallest) {
                lf.lfHeight += lf.lfHeight < 0 ? 1 : -1;
                HFONT& smaller = labelFonts_[lf.lfHeight];
                if (!smaller) smaller = CreateFontIndirectW(&lf);
                font = smaller;
                need = needed(font);
            }
            ReleaseDC(d, dc);
            if (need > fit.w) {
                if (alignRight) fit.x = std::max(0, r.x + r.w - need);
                fit.w = alignRight ? r.x + r.w - fit.x : need;
            }
        }
        HWND h = AddControl(window, control, Kind::Label, L"STATIC", (alignRight ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX,
                            0, fit, t);
        if (h && font != uiFont_) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    });
}

void Win32Platform::AddEditField(int window, int control, const Rect& r, const std::string& text) {
    OnGui([&] {
        HWND h = AddControl(window, control, Kind::Edit, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, r,
                            L"");
        if (!h) return;
        // A field gives back all it got: no limit below the system's own.
        SendMessageW(h, EM_SETLIMITTEXT, 0, 0);
        SetControlText(control, text);
    });
}

void Win32Platform::FocusControl(int control) {
    OnGui([&] {
        Control* c = Ctl(control);
        if (!c || c->kind != Kind::Edit) return;
        if (HWND d = DialogWindow(c->window)) SetActiveWindow(d);
        SetFocus(c->hwnd);
        SendMessageW(c->hwnd, EM_SETSEL, 0, -1);
    });
}

void Win32Platform::SetDialogKeys(int window, int enterButton, int escapeButton) {
    OnGui([&] {
        if (window < 1 || window >= kWindowCount || !DialogWindow(window)) return;
        enterButton_[window] = enterButton;
        escapeButton_[window] = escapeButton;
        if (Control* b = Ctl(enterButton)) SendMessageW(b->hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    });
}

void Win32Platform::AddButton(int window, int control, const Rect& r, const std::string& text) {
    OnGui([&] {
        AddControl(window, control, Kind::Button, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, r, ToLine(text));
    });
}

void Win32Platform::AddCheckBox(int window, int control, const Rect& r, const std::string& caption) {
    OnGui([&] {
        AddControl(window, control, Kind::Button, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, r, ToLine(caption));
    });
}

void Win32Platform::AddTextPane(int window, int control, const Rect& r, bool readOnly, int maxBytes) {
    OnGui([&] {
        if (!richEdit_) richEdit_ = LoadLibraryA("RICHED20.DLL");
        const DWORD style = WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                            ES_DISABLENOSCROLL | (readOnly ? ES_READONLY : 0);
        // The Unicode class of RICHED20.DLL: an "A" window receives typed
        // characters in the system's ANSI code page, so a Cyrillic letter
        // typed on a Western Windows would reach it as '?'.
        HWND h = AddControl(window, control, Kind::Pane, RICHEDIT_CLASSW, style, WS_EX_CLIENTEDGE, r, L"");
        if (!h) return;
        if (!paneFont_) {
            HDC dc = GetDC(h);
            const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
            ReleaseDC(h, dc);
            paneFont_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, L"Arial");
        }
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(paneFont_), TRUE);
        Control* c = Ctl(control);
        c->maxBytes = maxBytes;
        // The limit is kept in bytes as the text changes; the control's own
        // limit in characters would cut a paste short.
        SendMessageW(h, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        SendMessageW(h, EM_SETEVENTMASK, 0, ENM_CHANGE);
    });
}

Win32Platform::ListData* Win32Platform::AddDialogListView(int window, int control, const Rect& r,
                                                          const std::vector<ListColumn>& columns, bool headerClicks) {
    HWND d = DialogWindow(window);
    if (!d) return nullptr;
    if (Control* old = Ctl(control)) DestroyWindow(old->hwnd);
    ListData& l = dialogLists_[control] = ListData{};
    // A table is never sorted: its header is no row of buttons.
    l.hwnd = CreateListView(d, control, columns, headerClicks ? 0 : LVS_NOSORTHEADER);
    l.window = window;
    l.headerClicks = headerClicks;
    MoveWindow(l.hwnd, r.x, r.y, r.w, r.h, TRUE);
    Control c;
    c.hwnd = l.hwnd;
    c.kind = Kind::List;
    c.window = window;
    controls_[control] = c;
    return &l;
}

void Win32Platform::AddDialogList(int window, int control, const Rect& r, const std::string& columnTitle,
                                  int columnWidth) {
    OnGui([&] { AddDialogListView(window, control, r, {{columnTitle, columnWidth}}, true); });
}

void Win32Platform::AddDialogTable(int window, int control, const Rect& r, const std::vector<ListColumn>& columns) {
    OnGui([&] {
        const size_t n = std::min(columns.size(), static_cast<size_t>(kColumnCount));
        AddDialogListView(window, control, r, std::vector<ListColumn>(columns.begin(), columns.begin() + n), false);
    });
}

void Win32Platform::DialogTableAddRows(int control, std::vector<Row> rows) {
    OnGui([&] {
        ListData* l = List(control);
        if (!l || IsListNumber(control)) return;
        l->rows.insert(l->rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        ++l->quiet;
        SendMessageW(l->hwnd, LVM_SETITEMCOUNT, l->rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        --l->quiet;
    });
}

// Typed or pasted text the code page cannot hold, or that would take a pane
// past its limit in bytes, is taken back whole, never replaced or cut.
void Win32Platform::CheckEditText(Control& c) {
    const std::wstring now = c.kind == Kind::Pane ? PaneText(c.hwnd) : WindowText(c.hwnd);
    std::string bytes;
    char32_t missing = 0;
    const bool fits = c.kind == Kind::Pane ? FromPane(now, bytes, &missing) : FromLine(now, bytes, &missing);
    const bool tooLong = fits && c.maxBytes > 0 && bytes.size() > static_cast<size_t>(c.maxBytes) &&
                         now.size() > c.lastGood.size();
    if (fits && !tooLong) {
        c.lastGood = now;
        SendMessageW(c.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&c.lastSelStart),
                     reinterpret_cast<LPARAM>(&c.lastSelEnd));
        return;
    }
    // Putting the text back is a change too, which moves the caret.
    const DWORD start = c.lastSelStart, end = c.lastSelEnd;
    if (c.kind == Kind::Pane) SetPaneText(c.hwnd, c.lastGood);
    else SetWindowTextW(c.hwnd, c.lastGood.c_str());
    SendMessageW(c.hwnd, EM_SETSEL, start, end);
    c.lastSelStart = start;
    c.lastSelEnd = end;
    if (tooLong)
        ShowMessage(MessageRequest{"INFORMATION",
                                   "THE TEXT CANNOT BE LONGER THAN " + std::to_string(c.maxBytes) + " CHARACTERS.",
                                   Icon::Stop, Buttons::Ok});
    else
        TellMissingLater(missing);
}

void Win32Platform::SetControlText(int control, const std::string& text) {
    OnGui([&] {
        if (control == kCtlFrame && frame_) {
            SetWindowTextW(frame_, ToLine(text).c_str());
            return;
        }
        Control* c = Ctl(control);
        if (!c || c->kind == Kind::List) return;
        if (c->kind == Kind::Pane) {
            // The program may set more than the user may type.
            c->lastGood = ToPane(text);
            c->lastSelStart = c->lastSelEnd = 0;
            SetPaneText(c->hwnd, c->lastGood);
        } else {
            c->lastGood = ToLine(text);
            if (control == kCtlFilterField) filterShown_ = c->lastGood;
            SetWindowTextW(c->hwnd, c->lastGood.c_str());
        }
    });
}

std::string Win32Platform::GetControlText(int control) {
    return OnGui([&]() -> std::string {
        std::string bytes;
        if (control == kCtlFrame && frame_) return FromLine(WindowText(frame_), bytes) ? bytes : std::string();
        Control* c = Ctl(control);
        if (!c || !ControlBytes(*c, bytes)) return {};
        return bytes;
    });
}

bool Win32Platform::ControlTextFits(int control) {
    return OnGui([&] {
        Control* c = Ctl(control);
        std::string bytes;
        char32_t missing = 0;
        if (!c || ControlBytes(*c, bytes, &missing)) return true;
        TellMissing(missing);
        return false;
    });
}

void Win32Platform::EnableControl(int control, bool enabled) {
    OnGui([&] {
        if (HWND w = ControlWindow(control)) EnableWindow(w, enabled ? TRUE : FALSE);
    });
}

bool Win32Platform::IsControlEnabled(int control) {
    return OnGui([&] {
        HWND w = ControlWindow(control);
        return w != nullptr && IsWindowEnabled(w) != FALSE;
    });
}

void Win32Platform::DialogListAddRow(int control, const std::string& text) {
    OnGui([&] {
        if (ListData* l = List(control)) {
            l->rows.push_back(Row{text, {}, {}, {}});
            ++l->quiet;
            SendMessageW(l->hwnd, LVM_SETITEMCOUNT, l->rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
            --l->quiet;
        }
    });
}

void Win32Platform::DialogListClear(int control) {
    OnGui([&] {
        if (ListData* l = List(control)) SetRows(*l, {});
    });
}

void Win32Platform::DialogListSetText(int control, int row, const std::string& text) {
    OnGui([&] {
        ListData* l = List(control);
        if (!l || row < 0 || static_cast<size_t>(row) >= l->rows.size()) return;
        l->rows[static_cast<size_t>(row)][0] = text;
        SendMessageW(l->hwnd, LVM_REDRAWITEMS, row, row);
    });
}

int Win32Platform::DialogListFocusedRow(int control) {
    return OnGui([&] {
        ListData* l = List(control);
        return l ? static_cast<int>(SendMessageW(l->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED))
                 : -1;
    });
}

// ---------------------------------------------------------------- clipboard

void Win32Platform::SetClipboardText(const std::string& bytes) {
    OnGui([&] {
        // Byte for character, line breaks and TABs as they are.
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (bytes.size() + 1) * sizeof(wchar_t));
        if (!mem) return;
        auto* w = static_cast<wchar_t*>(GlobalLock(mem));
        for (size_t i = 0; i < bytes.size(); ++i) w[i] = ByteToChar(codePage_, static_cast<unsigned char>(bytes[i]));
        w[bytes.size()] = L'\0';
        GlobalUnlock(mem);
        // Another program may hold the clipboard for a moment.
        bool open = false;
        for (int tries = 0; tries < 20 && !(open = OpenClipboard(main_ ? main_ : invoker_)); ++tries) Sleep(10);
        if (open && EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, mem)) mem = nullptr;
        if (open) CloseClipboard();
        if (mem) GlobalFree(mem);
    });
}

// ---------------------------------------------------------------- message boxes, requesters

// Message boxes and requesters are owned by the foreground window when it is
// ours, and modal to it.
HWND Win32Platform::Owner() const {
    HWND owner = GetForegroundWindow();
    DWORD pid = 0;
    if (owner) GetWindowThreadProcessId(owner, &pid);
    return pid == GetCurrentProcessId() ? owner : main_;
}

Answer Win32Platform::ShowMessage(const MessageRequest& m) {
    if (messageHook) return messageHook(m);
    UINT flags = !AsksYesNo(m.buttons)                    ? MB_OK
                 : m.buttons == Buttons::YesNoDefaultNo ? MB_YESNO | MB_DEFBUTTON2
                                                        : MB_YESNO;
    switch (m.icon) {
    case Icon::None: break;
    case Icon::Information: flags |= MB_ICONINFORMATION; break;
    case Icon::Question: flags |= MB_ICONQUESTION; break;
    case Icon::Warning: flags |= MB_ICONWARNING; break;
    case Icon::Stop: flags |= MB_ICONSTOP; break;
    }
    const int r = MessageBoxW(Owner(), ToMessage(m).c_str(), ToLine(m.title).c_str(), flags);
    if (m.buttons == Buttons::Ok) return Answer::Ok;
    return r == IDYES ? Answer::Yes : Answer::No;
}

std::string Win32Platform::Requester(const RequesterRequest& r) {
    if (requesterHook) return requesterHook(r);
    // File names are ANSI bytes, as the file services take them.
    std::string filter = r.filterLabel;
    filter.push_back('\0');
    filter += r.pattern;
    filter.push_back('\0');
    filter.push_back('\0');
    std::vector<char> file(32768, '\0');
    if (r.fileName.size() < file.size()) std::copy(r.fileName.begin(), r.fileName.end(), file.begin());
    const DWORD attr = GetFileAttributesA(r.folder.c_str());
    const bool folderExists = !r.folder.empty() && attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    OPENFILENAMEA o{};
    o.lStructSize = sizeof o;
    o.hwndOwner = Owner();
    o.lpstrFilter = filter.c_str();
    o.nFilterIndex = 1;
    o.lpstrFile = file.data();
    o.nMaxFile = static_cast<DWORD>(file.size());
    o.lpstrInitialDir = folderExists ? r.folder.c_str() : nullptr;
    o.lpstrTitle = r.title.c_str();
    // The working directory stays the program directory.
    o.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
              (r.save ? 0 : OFN_FILEMUSTEXIST);
    const BOOL ok = r.save ? GetSaveFileNameA(&o) : GetOpenFileNameA(&o);
    return ok ? std::string(file.data()) : std::string();
}


// ---------------------------------------------------------------- help

bool Win32Platform::HelpViewerAvailable() {
    return OnGui([&] { return htmlHelp != nullptr; });
}

bool Win32Platform::OpenHelp(const std::string& path) {
    return OnGui([&] {
        constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
        return htmlHelp && htmlHelp(nullptr, path.c_str(), kDisplayTopic, 0) != nullptr;
    });
}

// The pages in the program the system opens .html files with.
bool Win32Platform::OpenHelpPages(const std::string& indexPage) {
    return OnGui([&] {
        if (helpPagesHook) return helpPagesHook(indexPage);
        const auto r = reinterpret_cast<INT_PTR>(
            ShellExecuteA(Owner(), "open", indexPage.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return r > 32;
    });
}

// ---------------------------------------------------------------- events

bool Win32Platform::WaitEvent(Event& ev) {
    if (!OnGuiThread()) return OnGui([&] { return WaitEvent(ev); });
    for (;;) {
        FlushQueued();
        if (!events_.empty()) {
            ev = events_.front();
            events_.pop_front();
            return true;
        }
        if (!main_ || quitting_) return false;
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quitting_ = true;
            return false;
        }
        // Tab moves between a dialog's controls.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && root != main_ && std::find(dialogs_ + 1, dialogs_ + kWindowCount, root) != dialogs_ + kWindowCount &&
            IsDialogMessageW(root, &msg))
            continue;
        if (FilterKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32Platform::Pump(int milliseconds) {
    if (!OnGuiThread()) return;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(milliseconds, 0));
    for (;;) {
        FlushQueued();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quitting_ = true;
                return;
            }
            if (FilterKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        FlushQueued();
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------- worker

bool Win32Platform::StartWorker(std::function<void()> fn) {
    ReleaseWorker();
    auto* arg = new std::function<void()>(std::move(fn));
    // The C runtime's own thread start, so that the worker may use it freely.
    worker_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WorkerProc, arg, 0, nullptr));
    if (!worker_) {
        delete arg;
        return false;
    }
    return true;
}

void Win32Platform::ReleaseWorker() {
    if (!worker_) return;
    if (GetThreadId(worker_) == GetCurrentThreadId()) return;
    // The worker may be waiting for the GUI thread to carry out one of its
    // calls: keep taking them until it has ended.
    for (;;) {
        const DWORD r = OnGuiThread() ? MsgWaitForMultipleObjects(1, &worker_, FALSE, INFINITE, QS_SENDMESSAGE)
                                      : WaitForSingleObject(worker_, INFINITE);
        if (r == WAIT_OBJECT_0) break;
        // Only the calls the worker sends; user input waits.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(worker_);
    worker_ = nullptr;
    FlushQueued();
}

}  // namespace qp

// What the Win32 window system does on its own, driven through the real
// controls with the messages a user's mouse and keyboard send: menus, a load
// filling the tabs, a header-click sort, a name edit in the real dialog, the
// filter bar and tab tooltips, a real message box in a code page; and the
// backend contract that every window system meets. Every wait is for a
// condition.
#include <windows.h>
#include <commctrl.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/win32/win32_platform.h"
#include "../backend_contract.h"
#include "../test_support.h"

using namespace qp;

namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// Bytes as a list cell or a field shows them in a code page.
std::wstring Line(int cp, const std::string& bytes) {
    const std::u16string u = BytesToLine(cp, bytes);
    return std::wstring(u.begin(), u.end());
}

std::wstring WindowText(HWND w) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(w, s.data(), static_cast<int>(s.size()))));
    return s;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* w = static_cast<const wchar_t*>(GlobalLock(h))) text = w;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

std::wstring CellText(HWND list, int row, int column) {
    wchar_t buf[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buf;
}

// The contract's hands and eyes on the real controls.
class Win32Backend : public contract::Backend {
public:
    Win32Backend() : ui_(std::make_unique<Win32Platform>()) { ui_->htmlHelp = nullptr; }
    Platform& Ui() override { return *ui_; }
    void AnswerMessages(std::function<Answer(const MessageRequest&)> answer) override {
        ui_->messageHook = std::move(answer);
    }
    bool OnGuiThread() override { return ui_->OnGuiThread(); }
    bool PumpUntil(const std::function<bool()>& done) override {
        for (const ULONGLONG end = GetTickCount64() + 60000; !done(); ui_->Pump(10))
            if (GetTickCount64() > end) return false;
        return true;
    }
    std::optional<std::u16string> Cell(int control, int item, int column) override {
        return U16(CellText(ui_->ControlWindow(control), item, column));
    }
    std::optional<std::u16string> FieldShown(int control) override {
        return U16(WindowText(ui_->ControlWindow(control)));
    }
    std::optional<std::u16string> StatusShown(int field) override {
        const int n = LOWORD(SendMessageW(ui_->StatusBar(), SB_GETTEXTLENGTHW, field, 0));
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        SendMessageW(ui_->StatusBar(), SB_GETTEXTW, field, reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n));
        return U16(s);
    }
    int Items(int list) override { return ListView_GetItemCount(ui_->ControlWindow(list)); }
    int FocusedItem(int list) override { return ListView_GetNextItem(ui_->ControlWindow(list), -1, LVNI_FOCUSED); }
    void FocusItem(int list, int item) override {
        ListView_SetItemState(ui_->ControlWindow(list), item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    bool Type(int control, const std::u16string& keys) override {
        HWND w = ui_->ControlWindow(control);
        const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(w));
        SendMessageW(w, EM_SETSEL, end, end);
        // As the keyboard sends them; a character without a key comes alone.
        for (char16_t c : keys) {
            const SHORT scan = VkKeyScanW(c);
            const UINT key = c == u'\r' ? VK_RETURN : scan & 0xFF;
            if (scan != -1) SendMessageW(w, WM_KEYDOWN, key, 1);
            SendMessageW(w, WM_CHAR, c, 1);
            if (scan != -1) SendMessageW(w, WM_KEYUP, key, 0xC0000001);
        }
        return true;
    }
    void Click(int control) override { SendMessageW(ui_->ControlWindow(control), BM_CLICK, 0, 0); }

private:
    std::unique_ptr<Win32Platform> ui_;
};

std::unique_ptr<contract::Backend> MakeWin32() { return std::make_unique<Win32Backend>(); }

using Step = std::pair<std::string, std::function<bool()>>;

std::function<void()>* gTick = nullptr;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (gTick) (*gTick)();
}

class Win32 : public ::testing::Test {
protected:
    void SetUp() override {
        ui = std::make_unique<Win32Platform>();
        SetPlatform(ui.get());
        ui->htmlHelp = nullptr;
        ui->messageHook = [this](const MessageRequest& m) {
            messages.push_back(m);
            return AsksYesNo(m.buttons) ? Answer::Yes : Answer::Ok;
        };
        dir = std::filesystem::temp_directory_path() /
              ("quillane-win32-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
        std::filesystem::create_directories(dir);
        SetProgramDirectory(dir.string());
    }
    void TearDown() override {
        ui.reset();
        SetPlatform(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // Serves the window until done() holds; false if it never does.
    bool PumpUntil(const std::function<bool()>& done, int limitMs = 60000) {
        const ULONGLONG end = GetTickCount64() + limitMs;
        while (!done()) {
            if (GetTickCount64() > end) return false;
            ui->Pump(10);
        }
        return true;
    }
    // Runs the program while a timer in its loop takes the steps in turn (true:
    // done); one stuck for a minute closes the window, so the test fails, not hangs.
    int RunSteps(const std::vector<Step>& steps) {
        size_t next = 0;
        bool busy = false;
        ULONGLONG since = GetTickCount64();
        std::function<void()> tick = [&] {
            if (busy || next >= steps.size()) return;
            busy = true;
            if (steps[next].second()) {
                ++next;
                since = GetTickCount64();
            } else if (GetTickCount64() - since > 60000) {
                ADD_FAILURE() << "stuck at " << steps[next].first;
                next = steps.size();
                DestroyWindow(ui->MainWindow());
            }
            busy = false;
        };
        gTick = &tick;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
        const int code = RunQuillane();
        KillTimer(nullptr, timer);
        gTick = nullptr;
        return code;
    }
    void Menu(int id) { PostMessageW(ui->MainWindow(), WM_COMMAND, id, 0); }
    bool Checked(int id) { return (GetMenuState(ui->MenuBar(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    // The program directory with the dictionaries of a demo.
    void UseDictionaries(const std::string& demoData) {
        std::filesystem::copy(std::filesystem::path(QUILLANE_SOURCE_DIR) / "demo" / demoData, dir / "data",
                              std::filesystem::copy_options::recursive);
    }
    // A key as the message loop gets it, with Ctrl held or not.
    static void Key(HWND w, UINT key, bool ctrl = false) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(w, WM_KEYDOWN, key, 1);
    }
    // The IDs the view of list g shows, in its order.
    std::string Shown(int g) {
        std::string s;
        HWND v = ui->ControlWindow(g);
        for (int i = 0; i < ListView_GetItemCount(v); ++i) {
            std::string id;
            LineToBytes(ui->CodePage(), U16(CellText(v, i, kColId)), id);
            s += id + " ";
        }
        return s;
    }
    std::string Events() {
        std::string s;
        Event ev;
        while (ui->QueuedEvents() > 0 && ui->WaitEvent(ev))
            s += std::to_string(ev.id) + "CARSPE"[static_cast<int>(ev.action)] + " ";
        return s;
    }
    // A mouse click or double click at a point of a control's client area.
    static void Click(HWND w, POINT p, bool twice = false) {
        const LPARAM at = MAKELPARAM(p.x, p.y);
        if (twice) {
            PostMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        } else {
            PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
        }
        PostMessageW(w, WM_LBUTTONUP, 0, at);
    }
    // The user's double click on a row of list g, selected and focused first
    // as the first click of the two would leave it.
    void DoubleClickRow(int g, int row) {
        HWND list = ui->ControlWindow(g);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        RECT r;
        ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
        Click(list, POINT{r.left + 250, (r.top + r.bottom) / 2}, true);
    }
    // A click on the header of a column of list g: the list sorts by it.
    void ClickHeader(int g, int column) {
        HWND header = ListView_GetHeader(ui->ControlWindow(g));
        RECT r;
        Header_GetItemRect(header, column, &r);
        Click(header, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    // A Load or a Save is over, and it left a plugin loaded.
    bool LoadDone() { return !gWs.busy && ui->IsMenuItemEnabled(kMenuSave); }

    std::unique_ptr<Win32Platform> ui;
    std::vector<MessageRequest> messages;
    std::filesystem::path dir;
    static inline int count = 0;
};

}  // namespace

TEST_F(Win32, StartsWithTheMenusAndLayoutOfAnEmptySessionFollowsMaximiseAndTheCloseBoxAsksFirst) {
    std::string off;
    RECT client{}, frame{}, tabs{};
    int parts[2] = {};
    int innerW = 0, innerH = 0;
    auto look = [&] {
        ui->GetMainWindowSize(innerW, innerH);
        for (int id : {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 20, 21, 25})
            if (!ui->IsMenuItemEnabled(id)) off += std::to_string(id) + " ";
        GetClientRect(ui->MainWindow(), &client);
        GetWindowRect(ui->ControlWindow(kCtlFrame), &frame);
        GetWindowRect(ui->ControlWindow(kCtlTabs), &tabs);
        MapWindowPoints(nullptr, ui->MainWindow(), reinterpret_cast<POINT*>(&frame), 2);
        MapWindowPoints(nullptr, ui->MainWindow(), reinterpret_cast<POINT*>(&tabs), 2);
        SendMessageW(ui->StatusBar(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        ShowWindow(ui->MainWindow(), SW_MAXIMIZE);
        return true;
    };
    // Maximised, the object window stretches with the window; restored, it
    // shrinks back.
    auto stretched = [&](bool large) {
        return [this, large, &client] {
            RECT now;
            GetClientRect(ui->MainWindow(), &now);
            const Rect f = ui->GetControlGeometry(kCtlFrame), l = ui->GetControlGeometry(kListCell);
            if ((now.right > client.right) != large || f.w != now.right - 10 || l.w != now.right - 26 || l.x != 0)
                return false;
            if (large) ShowWindow(ui->MainWindow(), SW_RESTORE);
            else PostMessageW(ui->MainWindow(), WM_CLOSE, 0, 0);
            return true;
        };
    };
    EXPECT_EQ(RunSteps({{"start-up", look}, {"maximised", stretched(true)}, {"restored", stretched(false)}}), 0);
    EXPECT_EQ(off, "2 3 9 10 11 12 13 25 ");
    // Empty dictionaries: the first start says what to do, then the close box asks.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text.rfind("THE DICTIONARIES IN ", 0), 0u);
    EXPECT_EQ(messages[1].text, "LEAVE THE PROGRAM?");
    // The filter bar is a strip above the object window: the window grows
    // by it, the object window keeps its size and moves down by it.
    const int bar = frame.top;
    RECT field{};
    GetWindowRect(ui->ControlWindow(kCtlFilterField), &field);
    MapWindowPoints(nullptr, ui->MainWindow(), reinterpret_cast<POINT*>(&field), 2);
    EXPECT_GT(bar, 15);
    EXPECT_TRUE(field.top > 0 && field.bottom < bar && field.left == 5) << field.top << " " << field.bottom;
    EXPECT_EQ(innerW, 800);
    EXPECT_EQ(innerH, 600);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom + GetSystemMetrics(SM_CYMENU), 600 + bar);
    EXPECT_EQ(frame.left, 5);
    EXPECT_EQ(frame.right - frame.left, 790);
    EXPECT_EQ(frame.bottom - frame.top, 560);
    EXPECT_EQ(tabs.left, 10);
    EXPECT_EQ(tabs.top, 15 + bar);
    EXPECT_EQ(tabs.bottom - tabs.top, 540);
    EXPECT_EQ(parts[0], 200);
}

TEST_F(Win32, LoadFillsTheTabsAHeaderClickSortsAndANameEditGoesThroughTheRealDialog) {
    const std::string plugin = std::string(QUILLANE_CORPUS_DIR) + "/tes3rs_all_types.esp";
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    ui->requesterHook = [plugin](const RequesterRequest&) { return plugin; };
    int g = -1, rows = 0;
    std::vector<std::string> idsBefore;
    auto ids = [&] {
        std::vector<std::string> v;
        for (const Row& r : ui->ListGetRows(g)) v.push_back(r[1]);
        return v;
    };
    HWND list = nullptr;
    bool focusedAndSelected = false;
    std::string clipped;  // labels too narrow for their captions
    EXPECT_EQ(RunSteps({{"load", [&] { return Menu(kMenuLoad), true; }},
                        {"loaded",
                         [&] {
                             if (!LoadDone()) return false;
                             // The first tab with two rows or more, shown.
                             for (int l = kFirstList; l <= kLastList && g < 0; ++l)
                                 if (gWs.nameLists[l].size() >= 2) g = l;
                             if (g < 0) return true;
                             list = ui->ControlWindow(g);
                             TabCtrl_SetCurFocus(ui->ControlWindow(kCtlTabs), g - kFirstList);
                             rows = ListView_GetItemCount(list);
                             idsBefore = ids();
                             ClickHeader(g, kColId);
                             return true;
                         }},
                        {"sorted",
                         [&] {
                             if (g < 0) return true;
                             std::vector<std::string> want = idsBefore;
                             std::stable_sort(want.begin(), want.end(), [](const std::string& a, const std::string& b) {
                                 return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                                     [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
                             });
                             if (ids() != want) return false;
                             DoubleClickRow(g, 1);
                             return true;
                         }},
                        {"name edit",
                         [&] {
                             if (g < 0) return true;
                             if (!ui->IsDialogOpen(kWindowNameEdit)) return false;
                             // The keyboard is in OV Name, its text selected: typing replaces it.
                             HWND field = ui->ControlWindow(kCtlOvField);
                             DWORD from = 1, to = 0;
                             SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
                             focusedAndSelected = GetFocus() == field && from == 0 && to == DWORD(GetWindowTextLengthW(field));
                             // Each label holds its caption on one line, in its own font.
                             for (int id : {kCtlIdLabel, kCtlFvLabel, kCtlOvLabel, kCtlOvCount}) {
                                 HWND l = ui->ControlWindow(id);
                                 const std::wstring t = WindowText(l);
                                 HDC dc = GetDC(l);
                                 HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(l, WM_GETFONT, 0, 0)));
                                 SIZE size{};
                                 GetTextExtentPoint32W(dc, t.c_str(), int(t.size()), &size);
                                 SelectObject(dc, old);
                                 ReleaseDC(l, dc);
                                 RECT rc{};
                                 GetClientRect(l, &rc);
                                 if (size.cx > rc.right) clipped += std::to_string(id) + " ";
                             }
                             for (wchar_t c : std::wstring(L"Neu")) SendMessageW(field, WM_CHAR, c, 1);
                             return true;
                         }},
                        {"counted",
                         [&] {  // then Enter, through the loop as a key, is OK
                             if (g < 0) return true;
                             if (WindowText(ui->ControlWindow(kCtlOvCount)) != (g <= kListPathGrid ? L"3 / 63" : L"3 / 31"))
                                 return false;
                             Key(ui->ControlWindow(kCtlOvField), VK_RETURN);
                             return true;
                         }},
                        {"edited", [&] { return !ui->IsDialogOpen(kWindowNameEdit); }},
                        {"quit", [&] { return Menu(kMenuQuit), true; }}}),
              0);
    for (int l = kFirstList; l <= kLastList; ++l) {
        std::vector<Row> want;
        for (const NameEntry& e : gWs.nameLists[l]) want.push_back(Row{e.flag, e.id, e.fv, e.ov});
        EXPECT_EQ(ui->ListGetRows(l), want) << l;
    }
    ASSERT_GE(g, 0) << "no tab with two rows";
    EXPECT_EQ(rows, int(gWs.nameLists[g].size()));
    EXPECT_EQ(ui->ListGetText(g, 1, 0), "*");
    EXPECT_EQ(ui->ListGetText(g, 1, 3), "Neu");
    EXPECT_EQ(CellText(list, 1, 3), L"Neu");
    EXPECT_TRUE(focusedAndSelected);
    EXPECT_EQ(clipped, "");
    ASSERT_FALSE(messages.empty());  // the edit was not saved: the question names it
    EXPECT_EQ(messages.back().text, "UNSAVED : 1 EDITED ROW.\rLEAVE THE PROGRAM?");
    EXPECT_EQ(messages.back().buttons, Buttons::YesNoDefaultNo);
}

// A question whose Yes destroys has No as its default button in the real
// box; Escape in the name edit dialog is its Cancel; a dialog list row shows
// a new text; Help, when nothing opens the manual, says where it is.
TEST_F(Win32, DestructiveQuestionsDefaultToNoEscapeCancelsAndHelpSaysWhereTheManualIs) {
    ui->messageHook = nullptr;
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    // A stray Enter in the real box.
    bool pressed = false;
    std::function<void()> look = [&] {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (pressed || !box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
        pressed = true;
        HWND focus = GetFocus();
        PostMessageW(focus && GetParent(focus) == box ? focus : box, WM_KEYDOWN, VK_RETURN, 1);
    };
    gTick = &look;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    EXPECT_EQ(ui->MessageBox("ALERT!", "ERASE?", Icon::Warning, Buttons::YesNoDefaultNo), Answer::No);
    pressed = false;
    EXPECT_EQ(ui->MessageBox("QUIT", "LEAVE?", Icon::Question, Buttons::YesNo), Answer::Yes);
    KillTimer(nullptr, timer);
    gTick = nullptr;

    ui->OpenDialog(kWindowNameEdit, "Book", {100, 100, 360, 140});
    ui->AddEditField(kWindowNameEdit, kCtlOvField, {55, 55, 280, 22}, "Old");
    ui->AddButton(kWindowNameEdit, kCtlOk, {97, 85, 75, 24}, "OK");
    ui->AddButton(kWindowNameEdit, kCtlCancel, {220, 85, 75, 24}, "Cancel");
    ui->AddDialogList(kWindowNameEdit, kCtlTextList, {5, 110, 198, 20}, "Id Book", 350);
    ui->DialogListAddRow(kCtlTextList, "bk1");
    ui->DialogListSetText(kCtlTextList, 0, "* bk1");
    EXPECT_EQ(CellText(ui->ControlWindow(kCtlTextList), 0, 0), L"* bk1");
    ui->SetDialogKeys(kWindowNameEdit, kCtlOk, kCtlCancel);
    ui->FocusControl(kCtlOvField);
    Events();
    Key(ui->ControlWindow(kCtlOvField), VK_ESCAPE);
    PostMessageW(ui->MainWindow(), WM_CLOSE, 0, 0);  // after it: a close, should Escape do nothing
    Event ev;
    ASSERT_TRUE(ui->WaitEvent(ev));
    EXPECT_EQ(std::to_string(ev.id) + "CARSPE"[static_cast<int>(ev.action)], std::to_string(kCtlCancel) + "P");
    ui->CloseDialog(kWindowNameEdit);

    std::vector<std::string> asked;
    ui->helpPagesHook = [&](const std::string& page) { return asked.push_back(page), false; };
    std::filesystem::create_directories(dir / "manual");
    std::ofstream(dir / "manual" / "index.html") << "page";
    std::vector<MessageRequest> told;
    ui->messageHook = [&](const MessageRequest& m) { return told.push_back(m), Answer::Ok; };
    gWs.helpAvailable = false;
    ShowHelp();
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "NO PROGRAM HERE CAN OPEN THE MANUAL.\rYOU FIND IT HERE :\r" + asked[0]);
}

TEST_F(Win32, ARealMessageBoxShowsTheCodePagesCharactersAndItsCarriageReturnsAsLineBreaks) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->messageHook = nullptr;
    ui->SetCodePage(1251);
    const std::string text = "\xCF\xF0\xE8\xE2\xE5\xF2\r\xE2\xF1\xE5\xEC";
    std::wstring shown, title;
    std::function<void()> look = [&] {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
        wchar_t buf[256] = {};
        GetDlgItemTextW(box, 0xFFFF, buf, 256);
        shown = buf;
        GetWindowTextW(box, buf, 256);
        title = buf;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    };
    gTick = &look;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    ui->MessageBox("INFORMATION", text, Icon::Information, Buttons::Ok);
    KillTimer(nullptr, timer);
    gTick = nullptr;
    EXPECT_EQ(title, L"INFORMATION");
    EXPECT_EQ(U16(shown), BytesToMessage(1251, text));
}

// The file field's name is a path: in the ANSI code page, whatever the plugin's.
TEST_F(Win32, StatusBarShowsTheFileNameAsAPath) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->CreateStatusBar(200);
    const std::string name = "caf\xE9 \xC0.esp";
    wchar_t wide[32] = {};
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 32);
    for (int cp : {1250, 1251, 1252}) {
        ui->SetCodePage(cp);
        ui->SetStatusText(kStatusFile, kStatusFileLabel + name);
        wchar_t shown[64] = {};
        SendMessageW(ui->StatusBar(), SB_GETTEXTW, kStatusFile, reinterpret_cast<LPARAM>(shown));
        EXPECT_EQ(std::wstring(shown), L"File : " + std::wstring(wide)) << cp;
        EXPECT_EQ(ui->GetStatusText(kStatusFile), kStatusFileLabel + name) << cp;
    }
}

TEST_F(Win32, CodePageMenuShowsEveryNameAgainAndTypingRefusesWhatTheCodePageLacks) {
    UseDictionaries("cyrillic/data");
    std::ofstream(dir / "Quillane.ini", std::ios::binary) << ";Quillane settings\r\n[Code page]\r\nCodePage = 1252\r\n";
    const std::string plugin = std::string(QUILLANE_SOURCE_DIR) + "/demo/plugins/Demo_Cyrillic_to_translate.esp";
    ui->requesterHook = [plugin](const RequesterRequest&) { return plugin; };
    int g = 0, r = 0;
    std::string ov, typed;
    std::wstring cell[2], field[2];
    std::string marks;
    auto look = [&](int i) {
        cell[i] = CellText(ui->ControlWindow(g), r, kColOv);
        field[i] = WindowText(ui->ControlWindow(kCtlOvField));
        for (int id : {kMenuCodePage1250, kMenuCodePage1251, kMenuCodePage1252}) marks += Checked(id) ? "x" : "-";
    };
    EXPECT_EQ(RunSteps({{"load", [&] { return Menu(kMenuLoad), true; }},
                        {"loaded",
                         [&] {
                             if (!LoadDone()) return false;
                             // The first name the conversion wrote in Cyrillic letters.
                             for (int l = kFirstList; l <= kLastList && !g; ++l)
                                 for (size_t i = 0; i < gWs.nameLists[l].size() && !g; ++i)
                                     if (static_cast<unsigned char>(gWs.nameLists[l][i].ov[0]) >= 0xC0)
                                         g = l, r = static_cast<int>(i), ov = gWs.nameLists[l][i].ov;
                             if (!g) return true;
                             ui->ListSelectRow(g, r);
                             ui->PushEvent(Event{EventKind::Control, g, ControlAction::Activate, 0, 0});
                             return true;
                         }},
                        {"name edit",
                         [&] {
                             if (g && !ui->IsDialogOpen(kWindowNameEdit)) return false;
                             if (g) look(0);
                             Menu(kMenuCodePage1251);
                             return true;
                         }},
                        {"switched",
                         [&] {
                             if (ui->CodePage() != 1251 || !g) return ui->CodePage() == 1251;
                             look(1);
                             HWND w = ui->ControlWindow(kCtlOvField);
                             const int end = GetWindowTextLengthW(w);
                             SendMessageW(w, EM_SETSEL, end, end);
                             for (wchar_t c : {L'\x0141', L'\x0416'}) SendMessageW(w, WM_CHAR, c, 1);  // Polish L, Zhe
                             return true;
                         }},
                        {"refused",
                         [&] {
                             if (g && messages.empty()) return false;
                             typed = ui->GetControlText(kCtlOvField);
                             SendMessageW(ui->ControlWindow(kCtlCancel), BM_CLICK, 0, 0);
                             return true;
                         }},
                        {"quit", [&] { return !ui->IsDialogOpen(kWindowNameEdit) && (Menu(kMenuQuit), true); }}}),
              0);
    ASSERT_TRUE(g) << "no name in Cyrillic letters";
    EXPECT_NE(Line(1251, ov).find_first_of(L"\x0410\x0430\x0435\x0438\x043E"), std::wstring::npos);
    EXPECT_EQ(cell[0], Line(1252, ov));
    EXPECT_EQ(field[0], Line(1252, ov));
    EXPECT_EQ(cell[1], Line(1251, ov));
    EXPECT_EQ(field[1], Line(1251, ov));
    EXPECT_EQ(marks, "--x-x-");
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(ui->MenuBar(), kMenuCodePage1250, FALSE, &info);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_EQ(typed, ov + "\xC6");
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, MissingCharMessage(1251, 0x0141));
    EXPECT_EQ(messages[0].icon, Icon::Stop);
}

TEST_F(Win32, CheckDialogTabulatesTheFindingsAndCopiesThemAsText) {
    const std::string plugin = std::string(QUILLANE_CORPUS_DIR) + "/t3m_Patch_for_Purists.esm";
    if (!std::filesystem::exists(plugin)) GTEST_SKIP() << "corpus not available";
    UseDictionaries("data");
    ui->requesterHook = [plugin](const RequesterRequest&) { return plugin; };
    std::string text;
    int rows = 0, columns = 0, cp = 0;
    LONG_PTR style = 0;
    std::wstring titles, clipboard, firstRow, firstShown;
    EXPECT_EQ(RunSteps({{"load", [&] { return Menu(kMenuLoad), true; }},
                        {"loaded",
                         [&] { return !gWs.busy && ui->IsMenuItemEnabled(kMenuCheck) && (Menu(kMenuCheck), true); }},
                        {"dialog",
                         [&] {
                             if (!ui->IsDialogOpen(kWindowCheck)) return false;
                             HWND table = ui->ControlWindow(kCtlCheckList), header = ListView_GetHeader(table);
                             text = gWs.checkText;
                             cp = ui->CodePage();
                             rows = ListView_GetItemCount(table);
                             columns = Header_GetItemCount(header);
                             style = GetWindowLongPtrW(table, GWL_STYLE);
                             for (int c = 0; c < columns; ++c) {
                                 wchar_t buf[64] = {};
                                 HDITEMW item{};
                                 item.mask = HDI_TEXT;
                                 item.pszText = buf;
                                 item.cchTextMax = 64;
                                 SendMessageW(header, HDM_GETITEMW, c, reinterpret_cast<LPARAM>(&item));
                                 titles += std::wstring(buf) + L"|";
                                 firstShown += CellText(table, 0, c) + L"|";
                                 firstRow += Line(cp, ui->ListGetText(kCtlCheckList, 0, c)) + L"|";
                             }
                             if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
                             SendMessageW(ui->ControlWindow(kCtlCheckCopy), BM_CLICK, 0, 0);
                             return true;
                         }},
                        {"copied",
                         [&] {
                             clipboard = ClipboardText();
                             return !clipboard.empty() && (PostMessageW(ui->DialogWindow(kWindowCheck), WM_CLOSE, 0, 0), true);
                         }},
                        {"closed",
                         [&] {
                             return !ui->IsDialogOpen(kWindowCheck) && ui->IsMenuItemEnabled(kMenuLoad) &&
                                    (Menu(kMenuQuit), true);
                         }}}),
              0);
    ASSERT_FALSE(text.empty()) << "no findings";
    EXPECT_EQ(rows, std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(titles, L"Record|Where|Name|Counterpart|");
    EXPECT_TRUE(style & LVS_NOSORTHEADER);
    EXPECT_EQ(firstShown, firstRow);
    std::wstring want;
    for (unsigned char b : text) want.push_back(ByteToChar(cp, b));
    EXPECT_EQ(clipboard, want);
    EXPECT_NE(clipboard.find(L"\t"), std::wstring::npos);
}

// "Build dictionaries..." in the real window: a pair added through the two
// requesters, built in the background, the report in the check dialog's table
// and its button taking the code page it suggests; "Forget memory" asks in a
// real message box whose Enter keeps the memory.
TEST_F(Win32, BuildDictionariesDialogReportsAndForgetMemoryKeepsItOnEnter) {
    using namespace qt_test;
    std::string guard;
    ASSERT_TRUE(FromUtf8(1251, "Стражник", guard));
    const std::string fv = (dir / "m.esm").string(), ov = (dir / "m_ov.esm").string();
    WriteFile(fv, Plugin({Object("NPC_", "a", "Guard"), Object("MISC", "c", "Cup")}));
    WriteFile(ov, Plugin({Object("NPC_", "a", guard), Object("MISC", "c", "Kruzhka")}));
    const std::string memory = Pairs({{"Cup", "Kruzhka"}});
    WriteFile(dir / "dataextra" / "Memory.dat", memory);
    std::vector<std::string> titles;
    ui->requesterHook = [&](const RequesterRequest& r) {
        titles.push_back(r.title);
        return titles.size() % 2 ? fv : ov;
    };
    auto press = [&](int control) { return SendMessageW(ui->ControlWindow(control), BM_CLICK, 0, 0), true; };
    std::wstring pair, report, headers;
    bool takenOff = false;
    int defaultButton = 0;
    std::function<Answer(const MessageRequest&)> hook;
    EXPECT_EQ(RunSteps({{"open", [&] { return Menu(kMenuBuildDictionaries), true; }},
                        {"add", [&] { return ui->IsDialogOpen(kWindowBuild) && press(kCtlBuildAdd); }},
                        {"added",
                         [&] {
                             if (ListView_GetItemCount(ui->ControlWindow(kCtlBuildPairs)) != 1) return false;
                             pair = CellText(ui->ControlWindow(kCtlBuildPairs), 0, 0) + L"|" +
                                    CellText(ui->ControlWindow(kCtlBuildPairs), 0, 1);
                             return press(kCtlBuildRun);
                         }},
                        {"report",
                         [&] {
                             if (!ui->IsDialogOpen(kWindowCheck) || gWs.busy) return false;
                             HWND table = ui->ControlWindow(kCtlCheckList), header = ListView_GetHeader(table);
                             for (int c = 0; c < Header_GetItemCount(header); ++c) {
                                 wchar_t buf[64] = {};
                                 HDITEMW item{};
                                 item.mask = HDI_TEXT;
                                 item.pszText = buf;
                                 item.cchTextMax = 64;
                                 SendMessageW(header, HDM_GETITEMW, c, reinterpret_cast<LPARAM>(&item));
                                 headers += std::wstring(buf) + L"|";
                             }
                             for (int r = 0; r < ListView_GetItemCount(table); ++r)
                                 report += CellText(table, r, 0) + L"=" + CellText(table, r, 1) + L"/" +
                                           CellText(table, r, 2) + L"\n";
                             return press(kCtlCheckCodePage);
                         }},
                        {"code page",
                         [&] {
                             if (ui->CodePage() != 1251) return false;
                             takenOff = !IsWindowEnabled(ui->ControlWindow(kCtlCheckCodePage));
                             return press(kCtlCheckClose);
                         }},
                        {"forget",
                         [&] {
                             if (ui->IsDialogOpen(kWindowCheck) || !ui->IsMenuItemEnabled(kMenuForgetMemory)) return false;
                             hook = std::move(ui->messageHook);
                             ui->messageHook = nullptr;  // the real box
                             return Menu(kMenuForgetMemory), true;
                         }},
                        {"asks",
                         [&] {
                             HWND box = FindWindowW(L"#32770", nullptr);
                             if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return false;
                             defaultButton = GetDlgCtrlID(GetFocus());
                             Key(GetFocus(), VK_RETURN);
                             return true;
                         }},
                        {"quit",
                         [&] {
                             if (FindWindowW(L"#32770", nullptr)) return false;
                             ui->messageHook = hook;
                             return Menu(kMenuQuit), true;
                         }}}),
              0);
    EXPECT_EQ(titles, (std::vector<std::string>{"First version (FV): the master or plugin before conversion",
                                                 "Other version (OV) of m.esm: the same file after conversion"}));
    EXPECT_EQ(pair, Line(1252, fv) + L"|" + Line(1252, ov));
    EXPECT_EQ(headers, L"File|Entries|Conflicts|");
    EXPECT_EQ(report.substr(0, report.find(L'\n')), L"Pair 1: m.esm / m_ov.esm=2/");
    EXPECT_NE(report.find(L"\nIn all="), std::wstring::npos) << report;
    EXPECT_TRUE(takenOff);
    EXPECT_TRUE(Checked(kMenuCodePage1251));
    EXPECT_EQ(ReadFile(dir / "data" / "Npc_data.dat"), Pairs({{"Guard", guard}}));
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_EQ(ReadFile(dir / "dataextra" / "Memory.dat"), memory);
}

// A filtered view reports the user's focus, and a tab tells its counts in its tooltip.
TEST_F(Win32, FilteredViewsReportTheUsersFocusAndTabsTellTheirCounts) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->CreateObjectWindow("OBJECT WINDOW...", std::vector<std::string>(qp::kListCount, "Tab"),
                           {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    ui->CreateFilterBar("Find", "Without counterpart", "Next (F3)");
    HWND v = ui->ControlWindow(8);
    std::vector<Row> rows;
    for (const char* id : {"a", "b", "c", "d", "e"}) rows.push_back(Row{"", id, "", ""});
    ui->ListSetRows(8, rows);
    ui->ListSetVisibleRows(8, {1, 3, 4});
    ListView_SetItemState(v, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // the user's
    ui->ListSelectRow(8, 4);  // the program's: no event
    ui->SetControlText(kCtlFilterField, "old");  // the program's own text: no event
    SendMessageW(ui->ControlWindow(kCtlFilterToggle), BM_CLICK, 0, 0);
    EXPECT_TRUE(ui->IsControlChecked(kCtlFilterToggle));
    EXPECT_EQ(Events(), "8S 1071P ");

    ui->SetTabHint(8, "0 of 5 rows shown", true);
    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = TabCtrl_GetToolTips(ui->ControlWindow(kCtlTabs));
    tip.hdr.idFrom = 8 - kFirstList;
    tip.hdr.code = TTN_GETDISPINFOW;
    ASSERT_TRUE(tip.hdr.hwndFrom);
    SendMessageW(ui->MainWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(std::wstring(tip.lpszText ? tip.lpszText : L""), L"0 of 5 rows shown");
    ui->ShowTab(8, true);
    EXPECT_EQ(ui->CurrentTab(), 8);
    EXPECT_TRUE(IsWindowVisible(v));
    EXPECT_EQ(GetFocus(), v);
}

// The keys of the bar in the running program, then, with a filter on, a
// double click on the second row shown edits the list row behind it, a sort
// sorts every row, and a save stores the edited row the filter hides.
TEST_F(Win32, FilterBarKeysAndFilteredViewsEditSortAndSaveWholeListRows) {
    using namespace qt_test;
    const std::string plugin = (dir / "mod.esp").string();
    WriteFile(dir / "data" / "Bookdata.dat", Pairs({{"Red Book", "Rotes Buch"}}));
    WriteFile(plugin, Plugin({Book("bk_a", "Red Book"), Book("bk_b", "Blue Scroll"), Book("bk_c", "Red Scroll"),
                              Book("bk_d", "Green Book"), Object("MISC", "misc_z", "Zinc")}));
    ui->requesterHook = [plugin](const RequesterRequest&) { return plugin; };
    HWND books = nullptr, field = nullptr;
    int misc = 0;
    std::string typed, focusAfterF3;
    auto type = [&](const wchar_t* text) {
        for (const wchar_t* c = text; *c; ++c) PostMessageW(field, WM_CHAR, *c, 1);
        return true;
    };
    EXPECT_EQ(RunSteps({{"load", [&] { return Menu(kMenuLoad), true; }},
                        {"loaded",
                         [&] {
                             if (!LoadDone()) return false;
                             for (int l = kFirstList; l <= kLastList; ++l)
                                 if (l != kListBook && !gWs.nameLists[l].empty()) misc = l;
                             books = ui->ControlWindow(kListBook);
                             field = ui->ControlWindow(kCtlFilterField);
                             ui->ShowTab(kListBook, true);
                             SetWindowTextW(field, L"x");  // Ctrl+F selects what the field holds
                             Key(books, 'F', true);
                             return true;
                         }},
                        {"ctrl+f",
                         [&] {
                             DWORD from = 0, to = 0;
                             SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
                             if (GetFocus() != field || to != 1 || from != 0) return false;
                             return type(L"scroll");
                         }},
                        {"typed", [&] { return Shown(kListBook) == "bk_b bk_c " && (Key(field, VK_ESCAPE), true); }},
                        {"escape",
                         [&] {
                             if (Shown(kListBook) != "bk_a bk_b bk_c bk_d " || GetWindowTextLengthW(field) != 0) return false;
                             Key(field, VK_DOWN);
                             return true;
                         }},
                        {"down",
                         [&] {
                             if (GetFocus() != books || ui->ListFocusedRow(kListBook) != 0) return false;
                             ui->ListSelectRow(kListBook, 3);
                             Key(books, VK_F3);  // the next row without counterpart is the next tab's
                             return true;
                         }},
                        {"f3",
                         [&] {
                             if (!misc || ui->CurrentTab() != misc) return !misc;
                             focusAfterF3 = std::to_string(ui->ListFocusedRow(misc)) +
                                            (GetFocus() == ui->ControlWindow(misc) ? " focused" : "");
                             ui->ShowTab(kListBook, false);
                             SetFocus(field);
                             return type(L"scroll");
                         }},
                        {"filtered",
                         [&] {
                             if (Shown(kListBook) != "bk_b bk_c ") return false;
                             DoubleClickRow(kListBook, 1);
                             return true;
                         }},
                        {"name edit",
                         [&] {
                             if (!ui->IsDialogOpen(kWindowNameEdit)) return false;
                             HWND ov = ui->ControlWindow(kCtlOvField);
                             SendMessageW(ov, EM_SETSEL, 0, -1);
                             for (wchar_t c : std::wstring(L"Rote Rolle")) SendMessageW(ov, WM_CHAR, c, 1);
                             SendMessageW(ui->ControlWindow(kCtlOk), BM_CLICK, 0, 0);
                             return true;
                         }},
                        {"sort",
                         [&] {
                             if (ui->IsDialogOpen(kWindowNameEdit)) return false;
                             ClickHeader(kListBook, kColFv);
                             return true;
                         }},
                        {"sorted",
                         [&] {
                             if (gWs.nameLists[kListBook].front().id != "bk_b" || Shown(kListBook) != "bk_b bk_c ")
                                 return false;
                             SendMessageW(field, EM_SETSEL, 0, -1);
                             return type(L"green");
                         }},
                        {"save", [&] { return Shown(kListBook) == "bk_d " && (Menu(kMenuSave), true); }},
                        {"saved", [&] { return LoadDone(); }},
                        {"quit", [&] { return Menu(kMenuQuit), true; }}}),
              0);
    ASSERT_TRUE(misc) << "no second tab";
    EXPECT_EQ(focusAfterF3, "0 focused");
    std::string ids;
    std::vector<Row> rows;
    for (const NameEntry& e : gWs.nameLists[kListBook]) {
        ids += e.flag + e.id + "=" + e.ov + " ";
        rows.push_back(Row{e.flag, e.id, e.fv, e.ov});
    }
    EXPECT_EQ(ids, "bk_b=Blue Scroll bk_d=Green Book Lbk_a=Rotes Buch Tbk_c=Rote Rolle ");
    EXPECT_EQ(ui->ListGetRows(kListBook), rows);
    EXPECT_NE(ReadFile(plugin).find(Z("Rote Rolle")), std::string::npos);
    EXPECT_EQ(ui->GetControlText(kCtlFilterCount), "1 of 5 rows in 1 tab");
}

using contract::BackendContract;
INSTANTIATE_TEST_SUITE_P(Win32, BackendContract, ::testing::Values(&MakeWin32));

namespace {
// Not a test: the scripted session of scripts/screenshots-windows.
#include "../../scripts/screenshots_win32_session.inc"
}  // namespace

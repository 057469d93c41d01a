// What the Win32 window system does on its own, driven through the real
// controls with the messages a user's mouse and keyboard send: menus, a load
// filling the tabs, a header-click sort, a name edit in the real dialog, bytes
// coming back from every kind of control in each code page, and the worker's
// calls reaching the GUI thread. Every wait is for a condition.
#include <windows.h>
#include <commctrl.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/win32/win32_platform.h"

using namespace qp;

namespace {

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(char(b));
    return s;
}

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

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
            return m.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
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
    std::wstring CellText(HWND list, int row, int column) {
        wchar_t buf[1024] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buf;
        item.cchTextMax = 1024;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return buf;
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
    auto look = [&] {
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
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "LEAVE THE PROGRAM?");
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom + GetSystemMetrics(SM_CYMENU), 600);
    EXPECT_EQ(frame.left, 5);
    EXPECT_EQ(frame.right - frame.left, 790);
    EXPECT_EQ(frame.bottom - frame.top, 560);
    EXPECT_EQ(tabs.left, 10);
    EXPECT_EQ(tabs.top, 15);
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
    EXPECT_EQ(RunSteps({{"load", [&] { return Menu(kMenuLoad), true; }},
                        {"loaded",
                         [&] {
                             if (gWs.busy || !ui->IsMenuItemEnabled(kMenuSave)) return false;
                             // The first tab with two rows or more, shown.
                             for (int l = kFirstList; l <= kLastList && g < 0; ++l)
                                 if (gWs.nameLists[l].size() >= 2) g = l;
                             if (g < 0) return true;
                             list = ui->ControlWindow(g);
                             TabCtrl_SetCurFocus(ui->ControlWindow(kCtlTabs), g - kFirstList);
                             rows = ListView_GetItemCount(list);
                             idsBefore = ids();
                             RECT r;
                             Header_GetItemRect(ListView_GetHeader(list), kColId, &r);
                             Click(ListView_GetHeader(list), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
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
                             ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                             RECT r;
                             ListView_GetItemRect(list, 1, &r, LVIR_BOUNDS);
                             Click(list, POINT{r.left + 250, (r.top + r.bottom) / 2}, true);
                             return true;
                         }},
                        {"name edit",
                         [&] {
                             if (g < 0) return true;
                             if (!ui->IsDialogOpen(kWindowNameEdit)) return false;
                             HWND field = ui->ControlWindow(kCtlOvField);
                             SendMessageW(field, EM_SETSEL, 0, -1);
                             for (wchar_t c : std::wstring(L"Neu")) SendMessageW(field, WM_CHAR, c, 1);
                             SendMessageW(ui->ControlWindow(kCtlOk), BM_CLICK, 0, 0);
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
}

TEST_F(Win32, AllByteValuesAndLineBreaksComeBackFromEveryControlInEachCodePage) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->CreateStatusBar(200);
    ui->OpenDialog(2, "Book", {100, 100, 700, 500});
    ui->AddEditField(2, 1033, {55, 7, 280, 22}, "");
    ui->AddTextPane(2, 1060, {205, 16, 485, 205}, true, 0);
    ui->AddTextPane(2, 1061, {205, 239, 485, 205}, false, 65536);
    ui->AddDialogList(2, 1052, {5, 0, 198, 472}, "Id Book", 350);
    const std::string all = AllBytes();
    std::string many;
    for (int i = 0; i < 160; ++i) many += all;  // past an edit control's default limit
    const std::string breaks = "a\r\nb\rc\nd\n\r\r\r\n\n\r";
    for (int cp : {1250, 1251, 1252}) {
        SCOPED_TRACE(cp);
        ui->SetCodePage(cp);
        for (const std::string& s : {all, many, breaks, std::string("\rend\r"), std::string("a\0b\r", 4),
                                     std::string()}) {
            SCOPED_TRACE(s.size() > 20 ? "all bytes" : s);
            for (int control : {1033, 1060, 1061}) {
                ui->SetControlText(control, s);
                EXPECT_EQ(ui->GetControlText(control), s) << control;
            }
            ui->SetStatusText(1, s);
            EXPECT_EQ(ui->GetStatusText(1), s);
        }
        // A list cell shows the bytes as the code page's characters.
        ui->DialogListClear(1052);
        ui->DialogListAddRow(1052, all);
        std::string back;
        EXPECT_TRUE(LineToBytes(cp, U16(CellText(ui->ControlWindow(1052), 0, 0)), back));
        EXPECT_EQ(back, all);
        // A character typed that the code page lacks is taken back.
        HWND field = ui->ControlWindow(1033);
        ui->SetControlText(1033, "x");
        SendMessageW(field, EM_SETSEL, 1, 1);
        SendMessageW(field, WM_CHAR, 0x0416, 1);  // Cyrillic Zhe
        EXPECT_EQ(ui->GetControlText(1033), cp == 1251 ? "x\xC6" : "x");
    }
    // A real message box shows the text as the code page's characters, its
    // carriage returns as line breaks.
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

TEST_F(Win32, PaneRefusesInputPastItsLimitInBytes) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->OpenDialog(2, "Book", {100, 100, 700, 500});
    ui->AddTextPane(2, 1062, {205, 239, 485, 205}, false, 10);
    HWND pane = ui->ControlWindow(1062);
    ui->SetControlText(1062, "1234567");
    SendMessageW(pane, EM_SETSEL, 7, 7);
    // As the keyboard sends them; Enter types "\r\n", which counts two.
    for (wchar_t c : std::wstring(L"8\r9")) {
        const UINT key = c == L'\r' ? VK_RETURN : VkKeyScanW(c) & 0xFF;
        SendMessageW(pane, WM_KEYDOWN, key, 1);
        SendMessageW(pane, WM_CHAR, c, 1);
        SendMessageW(pane, WM_KEYUP, key, 0xC0000001);
    }
    EXPECT_EQ(ui->GetControlText(1062), "12345678\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "THE TEXT CANNOT BE LONGER THAN 10 CHARACTERS.");
}

TEST_F(Win32, WorkerCallsAreCarriedToTheGuiThreadInOrder) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->CreateStatusBar(200);
    ui->CreateObjectWindow("OBJECT WINDOW...", std::vector<std::string>(25, "Tab"),
                           {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    std::atomic<bool> done{false};
    DWORD asked = 0;
    std::string seen;
    ui->messageHook = [&](auto&) { return asked = GetCurrentThreadId(), Answer::No; };
    ASSERT_TRUE(ui->StartWorker([&] {
        for (int i = 0; i < 20000; ++i) {
            ui->SetStatusText(1, "Reading block : " + std::to_string(i));
            if (i % 10 == 0) ui->ListAddRow(4, Row{"", "n" + std::to_string(i), "", ""});
        }
        ui->ListSelectRow(4, 1999);
        const bool no = ui->MessageBox("Q", "SAVE?", Icon::Question, Buttons::YesNo) == Answer::No;
        seen = ui->GetStatusText(1) + "|" + std::to_string(ui->ListFocusedRow(4)) + (no ? "|" : "");
        done = true;
    }));
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    ui->ReleaseWorker();
    EXPECT_EQ(seen, "Reading block : 19999|1999|");
    EXPECT_EQ(asked, GetCurrentThreadId());
    EXPECT_EQ(ui->ListGetText(4, 1999, 1), "n19990");
    EXPECT_EQ(ListView_GetItemCount(ui->ControlWindow(4)), 2000);
    // Waiting for a worker still talking to the window serves its calls.
    ASSERT_TRUE(ui->StartWorker([&] {
        for (int i = 0; i < 200; ++i) ui->ListSetRows(5, {Row{"", std::to_string(i), "", ""}});
        ui->MessageBox("INFORMATION", "DONE", Icon::Information, Buttons::Ok);
    }));
    ui->ReleaseWorker();
    EXPECT_EQ(ui->ListGetText(5, 0, 1), "199");
}

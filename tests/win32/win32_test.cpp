// What the Win32 window system does on its own, driven through the real
// controls with the messages a user's mouse and keyboard send: menus, a load
// filling the tabs, a header-click sort, a name edit in the real dialog, the
// filter bar and filtered views, bytes coming back from every kind of control
// in each code page, and the worker's calls reaching the GUI thread. Every
// wait is for a condition.
#include <windows.h>
#include <commctrl.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/app.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "app/shell.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/win32/win32_platform.h"
#include "../test_support.h"

using namespace qp;

namespace {

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(char(b));
    return s;
}

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
            return m.buttons != Buttons::Ok ? Answer::Yes : Answer::Ok;
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
    std::wstring CellText(HWND list, int row, int column) {
        wchar_t buf[1024] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buf;
        item.cchTextMax = 1024;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return buf;
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
        // A character typed that the code page lacks is taken back and named.
        for (int control : {1033, 1061}) {
            HWND w = ui->ControlWindow(control);
            ui->SetControlText(control, "x");
            SendMessageW(w, EM_SETSEL, 1, 1);
            messages.clear();
            SendMessageW(w, WM_CHAR, 0x0416, 1);  // Cyrillic Zhe
            EXPECT_EQ(ui->GetControlText(control), cp == 1251 ? "x\xC6" : "x") << control;
            if (cp == 1251) continue;
            ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); })) << control;
            EXPECT_EQ(messages[0].text, MissingCharMessage(cp, 0x0416));
            EXPECT_EQ(messages[0].icon, Icon::Stop);
            EXPECT_TRUE(messages[0].utf8);
        }
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
                             if (gWs.busy || !ui->IsMenuItemEnabled(kMenuSave)) return false;
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

// The view shows some rows; every row number in and out is the whole list's,
// and a tab tells its counts in its tooltip.
TEST_F(Win32, FilteredViewsTalkInListRowsAndTabsTellTheirCounts) {
    ui->CreateMainWindow("QUILLANE v3.03a", 800, 600);
    ui->CreateObjectWindow("OBJECT WINDOW...", std::vector<std::string>(25, "Tab"),
                           {{"F", 20}, {"ID", 200}, {"FV Name", 248}, {"OV Name", 248}});
    ui->CreateFilterBar("Find", "Without counterpart", "Next (F3)");
    HWND v = ui->ControlWindow(8);
    auto focusedItem = [&] { return ListView_GetNextItem(v, -1, LVNI_FOCUSED); };
    std::vector<Row> rows;
    for (const char* id : {"a", "b", "c", "d", "e"}) rows.push_back(Row{"", id, "", ""});
    ui->ListSetRows(8, rows);
    ui->ListSetVisibleRows(8, {1, 3, 4, 9});
    EXPECT_EQ(Shown(8), "b d e ");
    ListView_SetItemState(v, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // the user's
    EXPECT_EQ(ui->ListFocusedRow(8), 3);
    ui->ListSetText(8, 3, kColOv, "new");
    EXPECT_EQ(CellText(v, 1, kColOv), L"new");
    EXPECT_EQ(ui->ListGetText(8, 2, kColId), "c");
    ui->ListShowAllRows(8);  // the focused row stays focused
    EXPECT_EQ(focusedItem(), 3);
    ui->ListSetVisibleRows(8, {0, 4});
    EXPECT_EQ(ui->ListFocusedRow(8), -1);
    ui->ListSelectRow(8, 2);  // hidden
    EXPECT_EQ(ui->ListFocusedRow(8), -1);
    ui->ListSelectRow(8, 4);
    EXPECT_EQ(focusedItem(), 1);
    ui->ListAddRow(8, Row{"", "f", "", ""});  // shown whatever the view hides
    EXPECT_EQ(Shown(8), "a e f ");
    EXPECT_EQ(ui->ListGetRows(8).size(), 6u);
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
                             if (gWs.busy || !ui->IsMenuItemEnabled(kMenuSave)) return false;
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
                             ListView_SetItemState(books, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                             RECT r;
                             ListView_GetItemRect(books, 1, &r, LVIR_BOUNDS);
                             Click(books, POINT{r.left + 250, (r.top + r.bottom) / 2}, true);
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
                             RECT r;
                             Header_GetItemRect(ListView_GetHeader(books), kColFv, &r);
                             Click(ListView_GetHeader(books), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
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
                        {"saved", [&] { return !gWs.busy && ui->IsMenuItemEnabled(kMenuSave); }},
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

// The main window: its menu bar, the object window's layout, the menu lock,
// and the message boxes every command shows.
#pragma once

#include <string>

#include "base/notice.h"
#include "platform/platform.h"

namespace qp {

// Opens the main window with its menus, status bar and object window.
void BuildMainWindow();
// Re-lays out the object window for the current inner size.
void LayoutObjectWindow(bool afterResize);

// Shows names and texts in the code page (1250, 1251 or 1252) and marks its
// item in the "Code page" menu; nothing is reloaded.
void ShowInCodePage(int codePage);
// The code page of a "Code page" item, or 0 for another id.
int CodePageOfMenu(int id);

// Every command that changes the loaded plugin off, or back on.
void MenuLock();
void MenuUnlock();

// Shows a message box; the shorthand every command uses.
Answer Message(const std::string& title, const std::string& text, Icon icon,
               Buttons buttons = Buttons::Ok);
void ShowNotice(const Notice& n);
void ShowNotices(const Notices& notices);

}  // namespace qp

// Start-up, the main window, the event loop and the background commands.
#pragma once

#include "platform/platform.h"

namespace qp {

// Start-up steps up to the built main window (no event loop).
void Startup();
// Serves events until the user quits or no event will come again.
void RunEventLoop();
void DispatchEvent(const Event& ev);

void MenuLock();
void MenuUnlock();

// Starts a command on the worker; refused while another one runs.
void StartBackgroundCommand(void (*command)());
// Every background command's last step.
void EndBackgroundCommand();
// Waits until a running command has ended, keeping the window served.
void WaitForBackgroundCommand();

void ConfirmQuit();
void ShowHelp();
void ShowAbout();

// Re-lays out the object window for the current inner size.
void LayoutObjectWindow(bool afterResize);

// Shows a message box; the shorthand every command uses.
Answer Message(const std::string& title, const std::string& text, Icon icon,
               Buttons buttons = Buttons::Ok);

}  // namespace qp

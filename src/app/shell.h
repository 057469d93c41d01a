// Start-up, the event loop and the background commands; quit, help, about.
#pragma once

#include "platform/platform.h"

namespace qp {

// Start-up steps up to the built main window (no event loop).
void Startup();
// Serves events until the user quits or no event will come again.
void RunEventLoop();
void DispatchEvent(const Event& ev);

// Starts a command on the worker; refused while another one runs.
void StartBackgroundCommand(void (*command)());
// Every background command's last step.
void EndBackgroundCommand();
// Waits until a running command has ended, keeping the window served.
void WaitForBackgroundCommand();

void ConfirmQuit();
void ShowHelp();
void ShowAbout();

}  // namespace qp

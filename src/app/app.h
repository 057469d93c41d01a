// The program as a whole: start-up, then the event loop until the user quits.
#pragma once

namespace qp {

// Runs start-up and the event loop on the current platform; returns the exit
// code. The program directory and the platform must be set before.
int RunQuillane();

}  // namespace qp

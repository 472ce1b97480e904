#pragma once

// Requests to end the program that the operating system sends to a running desktop
// program (SIGINT, SIGTERM at logout). installQuitSignalPipe() returns a descriptor
// that becomes readable once such a request arrived, or -1 where the system delivers
// them otherwise (Windows sends window messages that Qt handles itself).
namespace tessivar::platform {

int installQuitSignalPipe();

// Reads what the signal handler wrote; returns the signal number, or 0.
int takeQuitSignal(int descriptor);

} // namespace tessivar::platform

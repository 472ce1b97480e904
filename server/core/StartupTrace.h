#pragma once

// Time stamps of the start-up steps, for finding where a start spends its time. With
// the environment variable TESSIVAR_STARTUP_TRACE set, each mark prints to standard
// error the milliseconds since the program's static initialisation and the step's
// name; without it a mark costs one test of a flag.
namespace tessivar {

void startupMark(const char* step);

} // namespace tessivar

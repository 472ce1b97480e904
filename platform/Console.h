#pragma once

// A Windows GUI program gets no console of its own (none flashes when it is started at
// login), but started from a console it should still print there. Elsewhere standard
// output is always the one the program was given.
namespace tessivar::platform {

// Standard output and error go to the console of the program that started this one when
// they lead nowhere; redirected ones (a file, a pipe) stay as they are. Returns whether
// a console was attached. Call it first in main.
bool attachParentConsole();

} // namespace tessivar::platform

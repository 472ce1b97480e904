#pragma once

// The Windows side of the process lookup, in wide text as the system gives it.
#include <string>

namespace tessivar::platform {

// Full path of the process's program, read with the least access a normal user has even
// on elevated processes; empty if it cannot be opened or read. No length limit below the
// system's own.
std::wstring processImagePath(unsigned long processId);

// Paths compared as Windows does: letter case ignored.
bool samePath(const std::wstring& first, const std::wstring& second);

} // namespace tessivar::platform

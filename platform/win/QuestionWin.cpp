// A message box without owner window.
#include "platform/Question.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace tessivar::platform {

bool askYesNo(const std::string& title, const std::string& text)
{
    return MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(), MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

} // namespace tessivar::platform

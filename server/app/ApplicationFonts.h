#pragma once

#include <thread>

namespace tessivar {

// The program's fonts, registered on a thread of their own. Registering a font has
// fontconfig read it whole (its character map among it), and the first registration
// loads the system's font list: about 10 ms that run beside the construction of the
// application and the loading of the QML types instead of before them.
class ApplicationFonts
{
public:
    ApplicationFonts();  // starts the registration; a QGuiApplication must exist
    ~ApplicationFonts(); // waits for it
    ApplicationFonts(const ApplicationFonts&) = delete;
    ApplicationFonts& operator=(const ApplicationFonts&) = delete;

    // Waits for the registration, then makes "Roboto-Thin" the application font. On the
    // main thread, before anything lays out text: a family asked for too early would be
    // resolved to a fallback and kept so.
    void waitUntilRegistered();

private:
    std::thread m_registration;
    bool m_registered = false;
};

} // namespace tessivar

#include "app/ApplicationFonts.h"

#include "core/StartupTrace.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>

namespace tessivar {

ApplicationFonts::ApplicationFonts()
    // The font database takes its own lock; nothing else touches fonts until
    // waitUntilRegistered().
    : m_registration([] {
        startupMark("fonts: registration starts");
        for (const char* font : {"Bold", "Light", "Medium", "Regular", "Thin"})
            QFontDatabase::addApplicationFont(QStringLiteral(":/font/Font/Roboto-%1.ttf").arg(QLatin1String(font)));
        startupMark("fonts: registered");
    })
{
}

ApplicationFonts::~ApplicationFonts()
{
    if (m_registration.joinable())
        m_registration.join();
}

void ApplicationFonts::waitUntilRegistered()
{
    if (m_registered)
        return;
    m_registration.join();
    m_registered = true;
    QGuiApplication::setFont(QFont(QStringLiteral("Roboto-Thin")));
}

} // namespace tessivar

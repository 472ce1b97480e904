#include "app/ApplicationFonts.h"

#include "core/StartupTrace.h"

#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>
#include <QString>

namespace tessivar {

namespace {

// The fonts are stored uncompressed in the program: the font database then reads them
// where they lie instead of from a copy of 1.5 MB on the heap, kept for the program's life.
void addFont(const QString& path)
{
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
        QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
            reinterpret_cast<const char*>(resource.data()), static_cast<qsizetype>(resource.size())));
        return;
    }
    QFontDatabase::addApplicationFont(path);
}

} // namespace

ApplicationFonts::ApplicationFonts()
    // The font database takes its own lock; nothing else touches fonts until
    // waitUntilRegistered().
    : m_registration([] {
        startupMark("fonts: registration starts");
        for (const char* font : {"Bold", "Light", "Medium", "Regular", "Thin"})
            addFont(QStringLiteral(":/font/Font/Roboto-%1.ttf").arg(QLatin1String(font)));
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
    // "Roboto-Thin" is the face's PostScript name; font databases know the face by its
    // family "Roboto Thin" (or "Roboto" and the style "Thin"). Without this alias every
    // text that keeps the application font was drawn in the system's fallback font.
    QFont::insertSubstitution(QStringLiteral("Roboto-Thin"), QStringLiteral("Roboto Thin"));
    QGuiApplication::setFont(QFont(QStringLiteral("Roboto-Thin")));
}

} // namespace tessivar

#include "transfer/ReceivedFileNames.h"

#include <QStringList>

namespace tessivar::transfer {

namespace {

bool isForbidden(QChar c)
{
    static const QString forbidden = QStringLiteral("<>:\"/\\|?*");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c);
}

// Names Windows keeps for devices, with or without an extension.
bool isReservedOnWindows(const QString& name)
{
    static const QStringList reserved{
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),  QStringLiteral("NUL"),
        QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
        QStringLiteral("COM5"), QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
        QStringLiteral("LPT4"), QStringLiteral("LPT5"), QStringLiteral("LPT6"), QStringLiteral("LPT7"),
        QStringLiteral("LPT8"), QStringLiteral("LPT9")};
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed();
    return reserved.contains(base, Qt::CaseInsensitive);
}

// One path component: forbidden characters replaced, no leading or trailing dots and
// spaces (Windows drops them, and ".." must not survive), bounded length.
QString safeComponent(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text)
        result.append(isForbidden(c) ? QLatin1Char('_') : c);
    auto isTrimmed = [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); };
    while (!result.isEmpty() && isTrimmed(result.front()))
        result.remove(0, 1);
    while (!result.isEmpty() && isTrimmed(result.back()))
        result.chop(1);
    result.truncate(kMaxReceivedNameLength);
    if (isReservedOnWindows(result))
        result.prepend(QLatin1Char('_'));
    return result;
}

} // namespace

QString deviceFolderName(const QString& deviceName, const QString& deviceId)
{
    QString folder = safeComponent(deviceName);
    if (folder.isEmpty())
        folder = safeComponent(deviceId);
    return folder.isEmpty() ? QStringLiteral("unknown") : folder;
}

QString plainFileName(const QString& name)
{
    QString last = name.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    // "C:file" names a file in drive C's current folder.
    if (last.size() >= 2 && last.at(1) == QLatin1Char(':') && last.at(0).isLetter())
        last.remove(0, 2);
    return safeComponent(last);
}

} // namespace tessivar::transfer

#include "modules/KeyFileNames.h"

#include "core/Logging.h"
#include "modules/FolderSwap.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace tessivar {

namespace {

// Characters that cannot stand in a file name on some system, and the escape itself.
bool needsEscape(QChar c)
{
    return c.unicode() < 0x20 || QStringView(u"%/\\:*?\"<>|").contains(c);
}

QString escapedChar(QChar c)
{
    if (c.unicode() < 0x80)
        return QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
    QString escaped;
    for (const char byte : QString(c).toUtf8())
        escaped += QStringLiteral("%%1").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    return escaped;
}

// Windows gives these names (whatever their case, with or without an extension, with
// trailing spaces) to devices: a file of that name cannot be made.
bool isReservedDeviceName(const QString& key)
{
    QString stem = key.section(QLatin1Char('.'), 0, 0);
    while (stem.endsWith(QLatin1Char(' ')))
        stem.chop(1);
    static const QRegularExpression reserved(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return reserved.match(stem).hasMatch();
}

bool isUpperCase(QChar c)
{
    return c.isUpper() && !c.isSurrogate();
}

} // namespace

QString KeyFileNames::EncodeKey(const QString& key)
{
    return EncodeKey(key, false);
}

QString KeyFileNames::CaseSafeName(const QString& key)
{
    return EncodeKey(key, true);
}

QString KeyFileNames::EncodeKey(const QString& key, bool escapeUpperCase)
{
    if (key == QLatin1String(".") || key == QLatin1String(".."))
        return QString(key).replace(QLatin1Char('.'), QLatin1String("%2E"));
    // The whole stem of a device name, so that two spellings never meet (see CaseSafeName).
    const int reservedStem = isReservedDeviceName(key) ? int(key.section(QLatin1Char('.'), 0, 0).size()) : 0;
    // Windows drops trailing dots and spaces from a name.
    int kept = int(key.size());
    while (kept > 0 && (key.at(kept - 1) == QLatin1Char('.') || key.at(kept - 1) == QLatin1Char(' ')))
        --kept;
    const auto escaped = [&](int i) {
        const QChar c = key.at(i);
        return needsEscape(c) || i < reservedStem || i >= kept || (escapeUpperCase && isUpperCase(c));
    };
    bool any = false;
    for (int i = 0; i < key.size() && !any; ++i)
        any = escaped(i);
    if (!any)
        return key;
    QString name;
    name.reserve(key.size() + 8);
    for (int i = 0; i < key.size(); ++i)
        name += escaped(i) ? escapedChar(key.at(i)) : QString(key.at(i));
    return name;
}

QString KeyFileNames::EntryName(const QString& folderPath, const QString& key, QStringList& names)
{
    const QString plain = EncodeKey(key);
    const auto decodesTo = [&key](const QString& name) { return DecodeKey(name) == key; };
    const auto foldsTo = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    const auto renameEntry = [&](const QString& from, const QString& to) {
        if (!QDir().rename(folderPath + QLatin1Char('/') + from, folderPath + QLatin1Char('/') + to)) {
            qCWarning(lcModules) << "Could not rename" << from << "to" << to << "in" << folderPath;
            return false;
        }
        for (QString& name : names) {
            if (name == from)
                name = to;
        }
        return true;
    };

    // Keys that differ only in case would share one file where case is folded (NTFS):
    // each of them that has capitals gets them escaped, the all-lowercase one keeps its name.
    QString chosen = plain;
    bool collides = false;
    for (const QString& name : QStringList(names)) {
        if (!foldsTo(name, plain) || decodesTo(name))
            continue;
        collides = true;
        const QString other = DecodeKey(name);
        const QString otherSafe = CaseSafeName(other);
        if (otherSafe != name && !renameEntry(name, otherSafe))
            return {};
    }
    if (collides && std::any_of(key.cbegin(), key.cend(), isUpperCase))
        chosen = CaseSafeName(key);

    // The entry of this key under another name (stored before a collision, or by an
    // earlier version) moves to the chosen one, so that it is never read twice.
    for (const QString& name : QStringList(names)) {
        if (name == chosen || !decodesTo(name))
            continue;
        if (names.contains(chosen)) {
            FolderSwap::RemovePath(folderPath + QLatin1Char('/') + name);
            names.removeAll(name);
        } else if (!renameEntry(name, chosen)) {
            return {};
        }
    }
    for (const QString& name : std::as_const(names)) {
        if (name != chosen && foldsTo(name, chosen)) {
            qCWarning(lcModules) << "Cannot store entry" << key << "in" << folderPath << ": its name meets" << name;
            return {};
        }
    }
    if (!names.contains(chosen))
        names.append(chosen);
    return chosen;
}

QString KeyFileNames::DecodeKey(const QString& fileName)
{
    if (!fileName.contains(QLatin1Char('%')))
        return fileName;
    return QUrl::fromPercentEncoding(fileName.toUtf8());
}

} // namespace tessivar

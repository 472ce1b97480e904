#include "modules/BlockStorage.h"

#include "app/ApplicationConstants.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonValue>
#include <QtEndian>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

namespace {

// A stored value is a parameter or a piece of data; anything larger is damage, and
// reading it whole would only cost memory.
constexpr qint64 kMaxValueFileSize = 64 * 1024 * 1024;
// Deeper nesting comes only from damage or a folder loop; it bounds the recursion.
constexpr int kMaxMapDepth = 32;

// Characters that cannot stand in a file name on some system, and the escape itself.
bool needsEscape(QChar c)
{
    return c.unicode() < 0x20 || QStringView(u"%/\\:*?\"<>|").contains(c);
}

QVariant readValue(const QString& filePath, bool* ok)
{
    *ok = false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > kMaxValueFileSize) {
        qWarning() << "Stored value too large:" << filePath;
        return {};
    }
    const QByteArray bytes = file.readAll();
    QDataStream in(bytes);
    in.setVersion(tessivar::kDataStreamVersion);
    QVariant value;
    in >> value;
    // Qt reads an unknown type id as an invalid value without failing; only type 0
    // is what an invalid QVariant was written as.
    const bool unknownType = !value.isValid() && (bytes.size() < 4 || qFromBigEndian<quint32>(bytes.constData()) != 0);
    if (in.status() != QDataStream::Ok || unknownType) {
        qWarning() << "Could not read stored value:" << filePath;
        return {};
    }
    *ok = true;
    return value;
}

} // namespace

QVariant BlockStorage::ReadValue(const QString& filePath)
{
    bool ok = false;
    return readValue(filePath, &ok);
}

QVariantMap BlockStorage::ReadMap(const QString& folderPath)
{
    return ReadMap(folderPath, 0);
}

QVariantMap BlockStorage::ReadMap(const QString& folderPath, int depth)
{
    QVariantMap map;
    if (depth > kMaxMapDepth) {
        qWarning() << "Stored map nested too deeply:" << folderPath;
        return map;
    }
    QDirIterator entries(folderPath, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QString key = DecodeKey(entries.fileName());
        if (entries.fileInfo().isDir()) {
            map.insert(key, ReadMap(path, depth + 1));
            continue;
        }
        bool ok = false;
        const QVariant value = readValue(path, &ok);
        if (ok)
            map.insert(key, value);
    }
    return map;
}

QVariant BlockStorage::ReadKey(const QDir& folder, const QString& key)
{
    const QString path = folder.filePath(key);
    if (QFileInfo(path).isDir())
        return ReadMap(path);
    return ReadValue(path);
}

bool BlockStorage::WriteValue(const QString& filePath, const QVariant& value)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "Could not write" << filePath << file.errorString();
        return false;
    }
    QDataStream out(&file);
    out.setVersion(tessivar::kDataStreamVersion);
    out << value;
    if (out.status() != QDataStream::Ok) {
        qWarning() << "Could not write" << filePath << "value of type" << value.typeName();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qWarning() << "Could not write" << filePath << file.errorString();
        return false;
    }
    return true;
}

bool BlockStorage::WriteKey(const QDir& folder, const QString& key, const QVariant& value, bool replace)
{
    const QString path = folder.filePath(key);
    if (IsMapValue(value) && value.toMap().isEmpty())
        return replace ? RemovePath(path) : true;
    return WriteEntry(path, value, replace, 0);
}

bool BlockStorage::WriteEntry(const QString& path, const QVariant& value, bool replace, int depth)
{
    const QFileInfo info(path);
    if (IsMapValue(value)) {
        // A value that used to be a file becomes a folder.
        if (info.exists() && !info.isDir() && !QFile::remove(path)) {
            qWarning() << "Could not replace" << path;
            return false;
        }
        return WriteMap(path, value.toMap(), replace, depth);
    }
    if (info.isDir() && !QDir(path).removeRecursively()) {
        qWarning() << "Could not replace" << path;
        return false;
    }
    return WriteValue(path, value);
}

bool BlockStorage::WriteMap(const QString& folderPath, const QVariantMap& map, bool replace, int depth)
{
    if (depth > kMaxMapDepth) {
        qWarning() << "Map nested too deeply to be stored:" << folderPath;
        return false;
    }
    if (!QDir().mkpath(folderPath)) {
        qWarning() << "Could not create" << folderPath;
        return false;
    }
    bool written = true;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString name = EncodeKey(it.key());
        if (name.isEmpty()) {
            qWarning() << "Cannot store an entry without a name in" << folderPath;
            written = false;
            continue;
        }
        const QString path = folderPath + QLatin1Char('/') + name;
        if (!IsMapValue(it.value())) {
            bool stored = false;
            const QVariant current = readValue(path, &stored);
            if (stored && current.metaType() == it.value().metaType() && current == it.value())
                continue;
        }
        // A map held inside a map is always written whole.
        written = WriteEntry(path, it.value(), true, depth + 1) && written;
    }
    if (replace)
        RemoveStaleEntries(folderPath, map);
    return written;
}

void BlockStorage::RemoveStaleEntries(const QString& folderPath, const QVariantMap& map)
{
    QStringList stale;
    QDirIterator entries(folderPath, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QString key = DecodeKey(entries.fileName());
        // An entry spelt differently from how this key is written would read back twice.
        if (!map.contains(key) || EncodeKey(key) != entries.fileName())
            stale.append(path);
    }
    for (const QString& path : std::as_const(stale))
        RemovePath(path);
}

bool BlockStorage::RemovePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    if (info.exists() || info.isSymLink())
        return QFile::remove(path);
    return true;
}

bool BlockStorage::RemoveFolder(const QString& folderPath)
{
    const QFileInfo info(folderPath);
    // A link is removed, never what it points to: that is no block of ours.
    if (info.isSymLink())
        return QFile::remove(folderPath);
    if (!info.isDir())
        return true;
    const QString aside = info.absolutePath() + QLatin1Char('/') + RemovalName(info.fileName());
    RemovePath(aside);
    if (QDir().rename(folderPath, aside))
        return QDir(aside).removeRecursively();
    return QDir(folderPath).removeRecursively();
}

QString BlockStorage::StagingName(const QString& folderName)
{
    return folderName + QStringLiteral(".new");
}

QString BlockStorage::RemovalName(const QString& folderName)
{
    return folderName + QStringLiteral(".removed");
}

bool BlockStorage::IsUnfinishedFolderName(const QString& folderName)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+(-[0-9]+)?\\.(new|removed)$"));
    return pattern.match(folderName).hasMatch();
}

QString BlockStorage::StagedFolderTarget(const QString& folderName)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+(-[0-9]+)?)\\.new$"));
    const QRegularExpressionMatch match = pattern.match(folderName);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool BlockStorage::IsMapValue(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
    case QMetaType::QJsonObject:
        return true;
    case QMetaType::QJsonValue:
        return value.toJsonValue().isObject();
    default:
        return false;
    }
}

QString BlockStorage::EncodeKey(const QString& key)
{
    if (key == QLatin1String(".") || key == QLatin1String(".."))
        return QString(key).replace(QLatin1Char('.'), QLatin1String("%2E"));
    if (std::none_of(key.cbegin(), key.cend(), needsEscape))
        return key;
    QString name;
    name.reserve(key.size() + 8);
    for (QChar c : key) {
        if (needsEscape(c))
            name += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            name += c;
    }
    return name;
}

QString BlockStorage::DecodeKey(const QString& fileName)
{
    if (!fileName.contains(QLatin1Char('%')))
        return fileName;
    return QUrl::fromPercentEncoding(fileName.toUtf8());
}

#include "modules/BlockStorage.h"

#include "core/ApplicationConstants.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

// A stored value is a parameter or a piece of data; anything larger is damage, and
// reading it whole would only cost memory.
constexpr qint64 kMaxValueFileSize = 64 * 1024 * 1024;
// Deeper nesting comes only from damage or a folder loop; it bounds the recursion.
constexpr int kMaxMapDepth = 32;

// A value that replaces a folder, or a folder that replaces anything, is written whole
// beside the old one under "<name>%new" and swapped in through "<name>%old"; a folder
// that goes is first renamed to "<name>%gone". An encoded key holds '%' only before two
// hex digits, so these names never clash with an entry.
const QString kNewSuffix = QStringLiteral("%new");
const QString kOldSuffix = QStringLiteral("%old");
const QString kGoneSuffix = QStringLiteral("%gone");

bool isSwapName(const QString& name)
{
    return name.endsWith(kNewSuffix) || name.endsWith(kOldSuffix) || name.endsWith(kGoneSuffix);
}

bool pathExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Where the value of `path` is: the path itself, or its new version when an
// interruption fell between the two renames of a swap (the new version was whole).
QString currentCopy(const QString& path)
{
    if (!pathExists(path) && pathExists(path + kNewSuffix) && pathExists(path + kOldSuffix))
        return path + kNewSuffix;
    return path;
}

// Characters that cannot stand in a file name on some system, and the escape itself.
bool needsEscape(QChar c)
{
    return c.unicode() < 0x20 || QStringView(u"%/\\:*?\"<>|").contains(c);
}

// Most stored values are a few bytes: one read of this size takes the whole file.
constexpr qint64 kFirstReadSize = 4096;

// The whole file, or nothing when it cannot be read or is larger than a value can be.
std::optional<QByteArray> readFile(const QString& filePath)
{
    QFile file(filePath);
    // Unbuffered: the bytes go straight into the array, without a copy through a
    // buffer of the device, and without asking the size (one more call per file).
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    QByteArray bytes(kFirstReadSize, Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        const qint64 read = file.read(bytes.data() + size, bytes.size() - size);
        if (read < 0)
            return std::nullopt;
        size += read;
        // A file is read until its end or until the array is full.
        if (size < bytes.size())
            break;
        if (size > kMaxValueFileSize) {
            qWarning() << "Stored value too large:" << filePath;
            return std::nullopt;
        }
        bytes.resize(std::min<qint64>(bytes.size() * 4, kMaxValueFileSize + 1));
    }
    bytes.truncate(size);
    return bytes;
}

QVariant readValue(const QString& filePath, bool* ok)
{
    *ok = false;
    const std::optional<QByteArray> bytes = readFile(filePath);
    if (!bytes)
        return {};
    QDataStream in(*bytes);
    in.setVersion(tessivar::kDataStreamVersion);
    QVariant value;
    in >> value;
    // Qt reads an unknown type id as an invalid value without failing; only type 0
    // is what an invalid QVariant was written as.
    const bool unknownType
        = !value.isValid() && (bytes->size() < 4 || qFromBigEndian<quint32>(bytes->constData()) != 0);
    if (in.status() != QDataStream::Ok || unknownType) {
        qWarning() << "Could not read stored value:" << filePath;
        return {};
    }
    *ok = true;
    return value;
}

// What one listing of a folder tells of its entries, by name.
enum class EntryKind { File, Folder, Other };

QHash<QString, EntryKind> listEntries(const QString& folderPath)
{
    QHash<QString, EntryKind> entries;
    QDirIterator it(folderPath, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        // The listing gives the kind of an entry; a link is looked up as before.
        EntryKind kind = EntryKind::Other;
        if (!info.isSymLink())
            kind = info.isDir() ? EntryKind::Folder : (info.isFile() ? EntryKind::File : EntryKind::Other);
        entries.insert(it.fileName(), kind);
    }
    return entries;
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
        QString name = entries.fileName();
        if (isSwapName(name)) {
            // Only the new version of an interrupted swap stands for its entry.
            if (!name.endsWith(kNewSuffix) || currentCopy(path.chopped(kNewSuffix.size())) != path)
                continue;
            name.chop(kNewSuffix.size());
        }
        const QString key = DecodeKey(name);
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
    const QString path = currentCopy(folder.filePath(key));
    if (QFileInfo(path).isDir())
        return ReadMap(path);
    return ReadValue(path);
}

QList<QVariant> BlockStorage::ReadKeys(const QDir& folder, const QStringList& keys)
{
    const QHash<QString, EntryKind> entries = listEntries(folder.path());
    QList<QVariant> values;
    values.reserve(keys.size());
    for (const QString& key : keys) {
        QString name = key;
        auto found = entries.constFind(name);
        if (found == entries.cend()) {
            // As currentCopy: the new version of a swap that an interruption cut short.
            found = entries.constFind(key + kNewSuffix);
            if (found == entries.cend() || !entries.contains(key + kOldSuffix)) {
                values.append(QVariant());
                continue;
            }
            name = key + kNewSuffix;
        }
        const QString path = folder.filePath(name);
        switch (*found) {
        case EntryKind::Folder:
            values.append(ReadMap(path));
            break;
        case EntryKind::File:
            values.append(ReadValue(path));
            break;
        case EntryKind::Other:
            values.append(QFileInfo(path).isDir() ? QVariant(ReadMap(path)) : ReadValue(path));
            break;
        }
    }
    return values;
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

bool BlockStorage::WriteValueUnsynced(const QString& filePath, const QVariant& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(tessivar::kDataStreamVersion);
    out << value;
    if (out.status() != QDataStream::Ok) {
        qWarning() << "Could not write" << filePath << "value of type" << value.typeName();
        return false;
    }
    // Never read: loading takes "<name>%new" only beside a "<name>%old".
    const QString fresh = filePath + kNewSuffix;
    QFile file(fresh);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size()) {
        qWarning() << "Could not write" << fresh << file.errorString();
        file.close();
        QFile::remove(fresh);
        return false;
    }
    file.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(), QFile::encodeName(filePath).toStdString(), error);
    if (error) {
        qWarning() << "Could not write" << filePath << QString::fromStdString(error.message());
        QFile::remove(fresh);
        return false;
    }
    return true;
}

bool BlockStorage::WriteKey(const QDir& folder, const QString& key, const QVariant& value, bool replace)
{
    const QString path = folder.filePath(key);
    if (IsMapValue(value) && value.toMap().isEmpty()) {
        if (!replace)
            return true;
        FinishSwap(path);
        return RemoveAside(path);
    }
    return WriteEntry(path, value, replace, 0);
}

bool BlockStorage::WriteEntry(const QString& path, const QVariant& value, bool replace, int depth)
{
    FinishSwap(path);
    const QFileInfo info(path);
    if (IsMapValue(value)) {
        const QVariantMap map = value.toMap();
        // Into the folder that is there, entry by entry: only what differs is written.
        if (!replace && info.isDir() && !info.isSymLink())
            return WriteMap(path, map, depth);
        return SwapIn(path, [&](const QString& target) { return WriteMap(target, map, depth); });
    }
    if (info.isDir() || info.isSymLink())
        return SwapIn(path, [&](const QString& target) { return WriteValue(target, value); });
    return WriteValue(path, value);
}

bool BlockStorage::WriteMap(const QString& folderPath, const QVariantMap& map, int depth)
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
    QStringList names
        = QDir(folderPath).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.erase(std::remove_if(names.begin(), names.end(), isSwapName), names.end());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key().isEmpty()) {
            qWarning() << "Cannot store an entry without a name in" << folderPath;
            written = false;
            continue;
        }
        const QString name = EntryName(folderPath, it.key(), names);
        if (name.isEmpty()) {
            written = false;
            continue;
        }
        const QString path = folderPath + QLatin1Char('/') + name;
        if (!IsMapValue(it.value())) {
            bool stored = false;
            const QVariant current = readValue(currentCopy(path), &stored);
            if (stored && current.metaType() == it.value().metaType() && current == it.value())
                continue;
        }
        // A map held inside a map is always written whole.
        written = WriteEntry(path, it.value(), true, depth + 1) && written;
    }
    return written;
}

bool BlockStorage::SwapIn(const QString& path, const std::function<bool(const QString&)>& write)
{
    const QString fresh = path + kNewSuffix;
    const QString old = path + kOldSuffix;
    if (!write(fresh)) {
        RemovePath(fresh);
        return false;
    }
    const bool hadOld = pathExists(path);
    if (hadOld && !QDir().rename(path, old)) {
        qWarning() << "Could not replace" << path;
        RemovePath(fresh);
        return false;
    }
    if (!QDir().rename(fresh, path)) {
        qWarning() << "Could not replace" << path;
        if (hadOld)
            QDir().rename(old, path);
        RemovePath(fresh);
        return false;
    }
    return !hadOld || RemovePath(old);
}

void BlockStorage::FinishSwap(const QString& path)
{
    const QString current = currentCopy(path);
    if (current != path && !QDir().rename(current, path))
        qWarning() << "Could not finish replacing" << path;
    for (const QString& suffix : {kNewSuffix, kOldSuffix, kGoneSuffix}) {
        if (pathExists(path + suffix))
            RemovePath(path + suffix);
    }
}

bool BlockStorage::RemoveAside(const QString& path)
{
    if (!pathExists(path))
        return true;
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return QFile::remove(path);
    const QString gone = path + kGoneSuffix;
    if (!QDir().rename(path, gone))
        return RemovePath(path);
    return RemovePath(gone);
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

namespace {

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

QString BlockStorage::EncodeKey(const QString& key)
{
    return EncodeKey(key, false);
}

QString BlockStorage::CaseSafeName(const QString& key)
{
    return EncodeKey(key, true);
}

QString BlockStorage::EncodeKey(const QString& key, bool escapeUpperCase)
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

QString BlockStorage::EntryName(const QString& folderPath, const QString& key, QStringList& names)
{
    const QString plain = EncodeKey(key);
    const auto decodesTo = [&key](const QString& name) { return DecodeKey(name) == key; };
    const auto foldsTo = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    const auto renameEntry = [&](const QString& from, const QString& to) {
        if (!QDir().rename(folderPath + QLatin1Char('/') + from, folderPath + QLatin1Char('/') + to)) {
            qWarning() << "Could not rename" << from << "to" << to << "in" << folderPath;
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
            RemovePath(folderPath + QLatin1Char('/') + name);
            names.removeAll(name);
        } else if (!renameEntry(name, chosen)) {
            return {};
        }
    }
    for (const QString& name : std::as_const(names)) {
        if (name != chosen && foldsTo(name, chosen)) {
            qWarning() << "Cannot store entry" << key << "in" << folderPath << ": its name meets" << name;
            return {};
        }
    }
    if (!names.contains(chosen))
        names.append(chosen);
    return chosen;
}

QString BlockStorage::DecodeKey(const QString& fileName)
{
    if (!fileName.contains(QLatin1Char('%')))
        return fileName;
    return QUrl::fromPercentEncoding(fileName.toUtf8());
}

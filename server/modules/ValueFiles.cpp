#include "modules/ValueFiles.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "modules/FolderSwap.h"
#include "modules/KeyFileNames.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonValue>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace tessivar {

namespace {

// A stored value is a parameter or a piece of data; anything larger is damage, and
// reading it whole would only cost memory.
constexpr qint64 kMaxValueFileSize = 64 * 1024 * 1024;
// Deeper nesting comes only from damage or a folder loop; it bounds the recursion.
constexpr int kMaxMapDepth = 32;

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
            qCWarning(lcModules) << "Stored value too large:" << filePath;
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
    in.setVersion(kDataStreamVersion);
    QVariant value;
    in >> value;
    // Qt reads an unknown type id as an invalid value without failing; only type 0
    // is what an invalid QVariant was written as.
    const bool unknownType
        = !value.isValid() && (bytes->size() < 4 || qFromBigEndian<quint32>(bytes->constData()) != 0);
    if (in.status() != QDataStream::Ok || unknownType) {
        qCWarning(lcModules) << "Could not read stored value:" << filePath;
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

QVariant ValueFiles::ReadValue(const QString& filePath)
{
    bool ok = false;
    return readValue(filePath, &ok);
}

QVariantMap ValueFiles::ReadMap(const QString& folderPath)
{
    return ReadMap(folderPath, 0, nullptr);
}

QVariantMap ValueFiles::ReadMap(const QString& folderPath, int depth, bool* leftovers)
{
    QVariantMap map;
    if (depth > kMaxMapDepth) {
        qCWarning(lcModules) << "Stored map nested too deeply:" << folderPath;
        return map;
    }
    QDirIterator entries(folderPath, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    while (entries.hasNext()) {
        const QString path = entries.next();
        QString name = entries.fileName();
        if (FolderSwap::IsSwapName(name)) {
            if (leftovers)
                *leftovers = true;
            // Only the new version of an interrupted swap stands for its entry.
            name = FolderSwap::StandsFor(path, name);
            if (name.isEmpty())
                continue;
        }
        const QString key = KeyFileNames::DecodeKey(name);
        if (entries.fileInfo().isDir()) {
            map.insert(key, ReadMap(path, depth + 1, leftovers));
            continue;
        }
        bool ok = false;
        const QVariant value = readValue(path, &ok);
        if (ok)
            map.insert(key, value);
    }
    return map;
}

QVariant ValueFiles::ReadKey(const QDir& folder, const QString& key)
{
    const QString path = FolderSwap::CurrentCopy(folder.filePath(key));
    if (QFileInfo(path).isDir())
        return ReadMap(path);
    return ReadValue(path);
}

QList<QVariant> ValueFiles::ReadKeys(const QDir& folder, const QStringList& keys, bool* leftovers)
{
    const QHash<QString, EntryKind> entries = listEntries(folder.path());
    if (leftovers)
        *leftovers = std::any_of(entries.keyBegin(), entries.keyEnd(), FolderSwap::IsSwapName);
    QList<QVariant> values;
    values.reserve(keys.size());
    for (const QString& key : keys) {
        QString name = key;
        auto found = entries.constFind(name);
        if (found == entries.cend()) {
            // As FolderSwap::CurrentCopy: the new version of a swap that an interruption cut short.
            found = entries.constFind(FolderSwap::NewName(key));
            if (found == entries.cend() || !entries.contains(FolderSwap::OldName(key))) {
                values.append(QVariant());
                continue;
            }
            name = FolderSwap::NewName(key);
        }
        const QString path = folder.filePath(name);
        switch (*found) {
        case EntryKind::Folder:
            values.append(ReadMap(path, 0, leftovers));
            break;
        case EntryKind::File:
            values.append(ReadValue(path));
            break;
        case EntryKind::Other:
            values.append(QFileInfo(path).isDir() ? QVariant(ReadMap(path, 0, leftovers)) : ReadValue(path));
            break;
        }
    }
    return values;
}

bool ValueFiles::WriteValue(const QString& filePath, const QVariant& value)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcModules) << "Could not write" << filePath << file.errorString();
        return false;
    }
    QDataStream out(&file);
    out.setVersion(kDataStreamVersion);
    out << value;
    if (out.status() != QDataStream::Ok) {
        qCWarning(lcModules) << "Could not write" << filePath << "value of type" << value.typeName();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCWarning(lcModules) << "Could not write" << filePath << file.errorString();
        return false;
    }
    return true;
}

bool ValueFiles::WriteValueUnsynced(const QString& filePath, const QVariant& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kDataStreamVersion);
    out << value;
    if (out.status() != QDataStream::Ok) {
        qCWarning(lcModules) << "Could not write" << filePath << "value of type" << value.typeName();
        return false;
    }
    // A value of the same size as the stored one (a checksum always is) is written over
    // it in place: one small write within one block of the disk, without making and
    // renaming a file. A symbolic link is replaced, never written through.
    const QFileInfo stored(filePath);
    if (stored.isFile() && !stored.isSymLink() && stored.size() == bytes.size()) {
        QFile file(filePath);
        if (file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)
            && file.write(bytes) == bytes.size())
            return true;
        qCWarning(lcModules) << "Could not write" << filePath << "in place:" << file.errorString();
    }
    // Never read: loading takes "<name>%new" only beside a "<name>%old".
    const QString fresh = FolderSwap::NewName(filePath);
    QFile file(fresh);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size()) {
        qCWarning(lcModules) << "Could not write" << fresh << file.errorString();
        file.close();
        QFile::remove(fresh);
        return false;
    }
    file.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(), QFile::encodeName(filePath).toStdString(), error);
    if (error) {
        qCWarning(lcModules) << "Could not write" << filePath << QString::fromStdString(error.message());
        QFile::remove(fresh);
        return false;
    }
    return true;
}

bool ValueFiles::WriteKey(const QDir& folder, const QString& key, const QVariant& value, bool replace)
{
    const QString path = folder.filePath(key);
    if (IsMapValue(value) && value.toMap().isEmpty()) {
        if (!replace)
            return true;
        FolderSwap::FinishSwap(path);
        return FolderSwap::RemoveAside(path);
    }
    return WriteEntry(path, value, replace, 0);
}

bool ValueFiles::WriteEntry(const QString& path, const QVariant& value, bool replace, int depth)
{
    FolderSwap::FinishSwap(path);
    const QFileInfo info(path);
    if (IsMapValue(value)) {
        const QVariantMap map = value.toMap();
        // Into the folder that is there, entry by entry: only what differs is written.
        if (!replace && info.isDir() && !info.isSymLink())
            return WriteMap(path, map, depth);
        return FolderSwap::SwapIn(path, [&](const QString& target) { return WriteMap(target, map, depth); });
    }
    if (info.isDir() || info.isSymLink())
        return FolderSwap::SwapIn(path, [&](const QString& target) { return WriteValue(target, value); });
    return WriteValue(path, value);
}

bool ValueFiles::WriteMap(const QString& folderPath, const QVariantMap& map, int depth)
{
    if (depth > kMaxMapDepth) {
        qCWarning(lcModules) << "Map nested too deeply to be stored:" << folderPath;
        return false;
    }
    if (!QDir().mkpath(folderPath)) {
        qCWarning(lcModules) << "Could not create" << folderPath;
        return false;
    }
    bool written = true;
    QStringList names
        = QDir(folderPath).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.erase(std::remove_if(names.begin(), names.end(), FolderSwap::IsSwapName), names.end());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key().isEmpty()) {
            qCWarning(lcModules) << "Cannot store an entry without a name in" << folderPath;
            written = false;
            continue;
        }
        const QString name = KeyFileNames::EntryName(folderPath, it.key(), names);
        if (name.isEmpty()) {
            written = false;
            continue;
        }
        const QString path = folderPath + QLatin1Char('/') + name;
        if (!IsMapValue(it.value())) {
            bool stored = false;
            const QVariant current = readValue(FolderSwap::CurrentCopy(path), &stored);
            if (stored && current.metaType() == it.value().metaType() && current == it.value())
                continue;
        }
        // A map held inside a map is always written whole.
        written = WriteEntry(path, it.value(), true, depth + 1) && written;
    }
    return written;
}

bool ValueFiles::IsMapValue(const QVariant& value)
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

} // namespace tessivar

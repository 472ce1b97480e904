#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

class QDir;

namespace tessivar {

// The files of stored blocks. Every file holds one QVariant (QDataStream version 19)
// and is replaced whole through QSaveFile; a map is a folder with one entry per key
// (nested maps as nested folders), named by KeyFileNames and replaced through
// FolderSwap.
class ValueFiles
{
public:
    // One stored value; an invalid QVariant if the file is missing or unreadable.
    static QVariant ReadValue(const QString& filePath);
    // A map folder: every entry (files and subfolders) in directory order.
    static QVariantMap ReadMap(const QString& folderPath);
    // The value of a key of a block folder: a map when the key is a folder.
    static QVariant ReadKey(const QDir& folder, const QString& key);
    // The values of several keys of a block folder, in the order of `keys`, as ReadKey
    // gives them, from one listing of the folder: what the listing tells (missing,
    // file, folder) is not asked of the file system again for each key.
    // `leftovers`, if given, tells whether an interrupted swap left anything in the
    // folder or in the maps read from it.
    static QList<QVariant> ReadKeys(const QDir& folder, const QStringList& keys, bool* leftovers = nullptr);

    static bool WriteValue(const QString& filePath, const QVariant& value);
    // Replaces the file, as WriteValue, but without waiting for the disk, and in place
    // when the stored value has the new one's size: for what can be computed again (a
    // checksum), where a lost or torn write after a power cut costs a warning, not data.
    static bool WriteValueUnsynced(const QString& filePath, const QVariant& value);
    // Writes `value` under `key` in `folder`. Map values are written as folders where
    // only entries that are absent or differ are written; with `replace`, the map is
    // written whole beside the old folder and swapped in, so that entries the map no
    // longer holds are gone, and an empty map removes the folder. An interruption
    // leaves every entry (and, with `replace`, the whole map) old or new, never mixed.
    static bool WriteKey(const QDir& folder, const QString& key, const QVariant& value, bool replace);

    static bool IsMapValue(const QVariant& value);

private:
    static QVariantMap ReadMap(const QString& folderPath, int depth, bool* leftovers);
    static bool WriteMap(const QString& folderPath, const QVariantMap& map, int depth);
    static bool WriteEntry(const QString& path, const QVariant& value, bool replace, int depth);
};

} // namespace tessivar

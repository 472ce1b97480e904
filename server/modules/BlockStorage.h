#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>

class QDir;

// The files of stored blocks. Every file holds one QVariant (QDataStream version 19)
// and is replaced whole through QSaveFile; a map is a folder with one entry per key
// (nested maps as nested folders). Map keys become file names, so the few characters
// that cannot stand in a file name are percent-encoded (so is '%').
class BlockStorage
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
    static QList<QVariant> ReadKeys(const QDir& folder, const QStringList& keys);

    static bool WriteValue(const QString& filePath, const QVariant& value);
    // Replaces the file whole through a rename, as WriteValue, but without waiting for
    // the disk: for what can be computed again (a checksum), where a lost write after a
    // power cut costs a warning, not data.
    static bool WriteValueUnsynced(const QString& filePath, const QVariant& value);
    // Writes `value` under `key` in `folder`. Map values are written as folders where
    // only entries that are absent or differ are written; with `replace`, the map is
    // written whole beside the old folder and swapped in, so that entries the map no
    // longer holds are gone, and an empty map removes the folder. An interruption
    // leaves every entry (and, with `replace`, the whole map) old or new, never mixed.
    static bool WriteKey(const QDir& folder, const QString& key, const QVariant& value, bool replace);

    // Removes a block folder so that an interrupted removal never leaves a partial
    // block behind: it is first renamed to an unfinished-folder name.
    static bool RemoveFolder(const QString& folderPath);

    // Names of folders that an interrupted write or removal left behind.
    static QString StagingName(const QString& folderName);
    static QString RemovalName(const QString& folderName);
    static bool IsUnfinishedFolderName(const QString& folderName);
    // The block folder name a staging folder was to be renamed to; empty for any other name.
    static QString StagedFolderTarget(const QString& folderName);

    static bool IsMapValue(const QVariant& value);
    // The file name of a map key: characters no file name may hold, the escape itself,
    // Windows device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
    // extension) and trailing dots and spaces are percent-encoded; other names stay.
    static QString EncodeKey(const QString& key);
    // The same with every capital escaped too: names that never meet when case is folded.
    static QString CaseSafeName(const QString& key);
    static QString DecodeKey(const QString& fileName);

private:
    static QString EncodeKey(const QString& key, bool escapeUpperCase);
    // The name under which `key` is written in the folder whose entries are `names`
    // (kept up to date); entries of keys that differ only in case are renamed apart.
    // Empty, logged, when no name can be given.
    static QString EntryName(const QString& folderPath, const QString& key, QStringList& names);
    static QVariantMap ReadMap(const QString& folderPath, int depth);
    static bool WriteMap(const QString& folderPath, const QVariantMap& map, int depth);
    static bool WriteEntry(const QString& path, const QVariant& value, bool replace, int depth);
    // Writes the new version through `write` beside `path`, then swaps it in.
    static bool SwapIn(const QString& path, const std::function<bool(const QString&)>& write);
    // Completes a swap that an interruption cut short and clears what is left of one.
    static void FinishSwap(const QString& path);
    static bool RemoveAside(const QString& path);
    static bool RemovePath(const QString& path);
};

#pragma once

#include <QString>
#include <QStringList>

namespace tessivar {

// Map keys become file names of stored entries, so the few characters that cannot
// stand in a file name are percent-encoded (so is '%'), and keys that differ only in
// case are kept apart for file systems that fold case.
class KeyFileNames
{
public:
    // The file name of a map key: characters no file name may hold, the escape itself,
    // Windows device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
    // extension) and trailing dots and spaces are percent-encoded; other names stay.
    static QString EncodeKey(const QString& key);
    // The same with every capital escaped too: names that never meet when case is folded.
    static QString CaseSafeName(const QString& key);
    static QString DecodeKey(const QString& fileName);

    // The name under which `key` is written in the folder whose entries are `names`
    // (kept up to date); entries of keys that differ only in case are renamed apart.
    // Empty, logged, when no name can be given.
    static QString EntryName(const QString& folderPath, const QString& key, QStringList& names);

private:
    static QString EncodeKey(const QString& key, bool escapeUpperCase);
};

} // namespace tessivar

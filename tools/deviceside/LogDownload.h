#pragma once

#include "FileReception.h"

#include "communication/FileTransferMetaData.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

namespace tessivar::devicecli {

// The receiving side of the server's log transfer: every FileTransfer step that
// arrives is taken here; each step but the last file's end is acknowledged (status 4)
// before the server sends the next. Files are written into the folder as they end.
class LogDownload
{
public:
    // One file may not be larger than this: the server keeps all its logs under 20 MB.
    static constexpr quint32 kMaximumFileSize = 64 * 1024 * 1024;

    enum class Step { Acknowledge, Done, Failed, Ignored };

    explicit LogDownload(const QString& folder);

    // Creates the folder; false when it cannot.
    bool prepare();
    Step receive(const FileTransferMetaData_t& metaData, const QByteArray& data);

    QString errorString() const;
    QStringList writtenFiles() const;

private:
    Step fail(const QString& error);
    Step writeFile(const FileTransferMetaData_t& metaData);

    QDir m_folder;
    FileReception m_reception{kMaximumFileSize};
    QStringList m_written;
    QString m_error;
};

} // namespace tessivar::devicecli

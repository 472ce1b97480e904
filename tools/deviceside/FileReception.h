#pragma once

#include "communication/FileTransferMetaData.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tessivar::devicecli {

// A file name the server sent that may be used as it is inside a chosen folder: no
// path, no "." or "..", not longer than a file system takes.
bool isPlainFileName(const QString& name);

// The receiving end of one file at a time of a stop-and-wait transfer: the announcement
// is checked (name, size), the pieces gathered without passing the announced size, and
// the end checked against the announced size and checksum. What to do with the content
// (and which request types to take) is the owner's.
class FileReception
{
public:
    enum class Step {
        Acknowledge, // a start or a piece was taken: the server waits for the acknowledgement
        Received,    // a file ended whole: takeContent() holds it
        Failed,      // errorString() says why; the file in progress is dropped
        Ignored,     // a status that carries nothing for the receiver
    };

    explicit FileReception(quint32 maximumFileSize);

    Step receive(const FileTransferMetaData_t& metaData, const QByteArray& data);
    // The file that ended, and forgets it.
    QByteArray takeContent();
    QString errorString() const;
    // Marks a failure found by the owner and drops the file in progress.
    Step fail(const QString& error);

private:
    Step finish(const FileTransferMetaData_t& metaData);

    quint32 m_maximumFileSize;
    std::optional<FileTransferMetaData_t> m_current;
    QByteArray m_content;
    QString m_error;
};

} // namespace tessivar::devicecli

#pragma once

#include "FileReception.h"

#include "communication/FileTransferMetaData.h"
#include "core/ModuleDataClassInfo.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QUrl>

#include <optional>

namespace tessivar::client {

// The display files of each data class, kept per class and per set of checksums under
// one folder (the user's cache folder), so that files the server sent once serve every
// later start until the plugin changes them. Receives the server's type 3 transfers.
class DisplayFileCache
{
public:
    // A display widget and its images stay far below it.
    static constexpr quint32 kMaximumFileSize = 16 * 1024 * 1024;
    // A data class lists a handful of files.
    static constexpr qsizetype kMaximumFilesPerClass = 256;

    enum class Step { Acknowledge, Done, Failed, Ignored };

    // An empty root means the user's cache folder.
    explicit DisplayFileCache(const QString& root = QString());

    QString root() const;
    // The folder of that class's files as the catalogue entry lists them.
    QString folderOf(const ModuleDataClassInfo_t& info) const;
    // Every listed file is there with its checksum.
    bool isComplete(const ModuleDataClassInfo_t& info) const;
    // The data widget (the entry's first file) when the class is complete, else empty.
    QUrl widgetUrl(const ModuleDataClassInfo_t& info) const;

    // The entry the coming files of that class are checked against.
    void expect(const ModuleDataClassInfo_t& info);
    Step receive(const FileTransferMetaData_t& metaData, const QByteArray& data);
    QString errorString() const;

private:
    Step fail(const QString& error);
    Step keepFile(const FileTransferMetaData_t& metaData);

    QDir m_root;
    QList<ModuleDataClassInfo_t> m_expected;
    devicecli::FileReception m_reception{kMaximumFileSize};
    QString m_currentClass;
    QString m_error;
};

} // namespace tessivar::client

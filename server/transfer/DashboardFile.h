#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace tessivar::transfer {

// One block of an exported dashboard, in the order its fields are streamed.
struct DashboardExportEntry {
    QStringList profiles;
    QString firstText;      // written empty, kept for its place in the stream
    QString secondText;     // likewise
    QVariantMap clientData; // likewise
    QVariantMap clientParameters;
    QRectF geometry;
    qint32 z = 0;
    QString pluginId;
    QString moduleId;
    QString description;
    QVariantMap localParameters;
};

// The ".dsx" file: a CRC-16 of the payload, then the payload as a byte array; the
// payload holds the format version and the entries back to back, without a count.
namespace DashboardFile {

inline constexpr const char* kExtension = "dsx";
inline constexpr qint32 kVersion = 1;
// No dashboard holds more blocks; a file claiming more is not read on.
inline constexpr int kMaxEntries = 10000;
// Far above any dashboard; a larger file is not read into memory.
inline constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

QByteArray encodePayload(const QList<DashboardExportEntry>& entries, qint32 version = kVersion);
QByteArray encodeFile(const QByteArray& payload);

struct Read_t {
    QList<DashboardExportEntry> entries;
    QString error; // empty on success: the text the user is shown
};
// Reads and checks a whole file's content, logging each step.
Read_t decodeFile(const QByteArray& content);

} // namespace DashboardFile

} // namespace tessivar::transfer

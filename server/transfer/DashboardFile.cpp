#include "transfer/DashboardFile.h"

#include "communication/VariantStreamValidator.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QIODevice>

namespace tessivar::transfer::DashboardFile {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ServerDashboardImporter", text);
}

} // namespace

QByteArray encodePayload(const QList<DashboardExportEntry>& entries, qint32 version)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << version;
    for (const DashboardExportEntry& entry : entries) {
        stream << entry.profiles << entry.firstText << entry.secondText << entry.clientData << entry.clientParameters
               << entry.geometry << entry.z << entry.pluginId << entry.moduleId << entry.description
               << entry.localParameters;
    }
    return payload;
}

QByteArray encodeFile(const QByteArray& payload)
{
    QByteArray content;
    QDataStream stream(&content, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << checksum(payload) << payload;
    return content;
}

Read_t decodeFile(const QByteArray& content)
{
    qCInfo(lcTransfer) << "Reading import file";
    QDataStream file(content);
    file.setVersion(kDataStreamVersion);
    quint16 expected = 0;
    QByteArray payload;
    file >> expected >> payload;
    const quint16 calculated = checksum(payload);
    qCInfo(lcTransfer) << "Expected CRC:" << expected;
    qCInfo(lcTransfer) << "Calculated CRC:" << calculated;
    if (file.status() != QDataStream::Ok || expected != calculated) {
        qCWarning(lcTransfer) << "Invalid CRC";
        return {{}, tr("The file is invalid")};
    }

    QDataStream stream(payload);
    stream.setVersion(kDataStreamVersion);
    qint32 version = 0;
    stream >> version;
    qCInfo(lcTransfer) << "File version:" << version;
    qCInfo(lcTransfer) << "Expected version:" << kVersion;
    if (stream.status() != QDataStream::Ok || version != kVersion) {
        qCWarning(lcTransfer) << "Unsupported version";
        return {{}, tr("Unsupported format.")};
    }

    // The file is input like any message: its lists and maps are walked first, with the
    // same bounds on nesting and announced sizes, before Qt reads them (Qt reads nested
    // maps recursively and reserves the counts they announce).
    communication::VariantStreamValidator validator(payload);
    const auto checked = [&](bool (communication::VariantStreamValidator::*validate)(qsizetype)) {
        if ((validator.*validate)(stream.device()->pos()))
            return true;
        qCWarning(lcTransfer) << "Import file refused:" << validator.Error();
        return false;
    };
    using Validator = communication::VariantStreamValidator;
    Read_t read;
    while (!stream.atEnd()) {
        DashboardExportEntry entry;
        bool valid = read.entries.size() < kMaxEntries && checked(&Validator::ValidateStringListAt);
        if (valid) {
            stream >> entry.profiles >> entry.firstText >> entry.secondText;
            valid = checked(&Validator::ValidateVariantMapAt);
        }
        if (valid) {
            stream >> entry.clientData;
            valid = checked(&Validator::ValidateVariantMapAt);
        }
        if (valid) {
            stream >> entry.clientParameters >> entry.geometry >> entry.z >> entry.pluginId >> entry.moduleId
                >> entry.description;
            valid = stream.status() == QDataStream::Ok && checked(&Validator::ValidateVariantMapAt);
        }
        if (valid)
            stream >> entry.localParameters;
        if (!valid || stream.status() != QDataStream::Ok) {
            qCWarning(lcTransfer) << "Invalid entry" << read.entries.size() << "in the import file";
            return {{}, tr("The file is invalid")};
        }
        read.entries.append(std::move(entry));
    }
    return read;
}

} // namespace tessivar::transfer::DashboardFile

#include "ProtocolSamples.h"

#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"

using namespace tessivar::communication;

namespace tessivar::test {

namespace {

    // The variant map texts, worked out byte by byte from the QDataStream version
    // 19 layout (count, then UTF-16 key and typed value per entry), not by the code under test.
    const QByteArray kMapSize20
        = R"({"-----TessivarCustomJsonType-----":"QVariantMap","MapData":"AAAAAQAAAAgAUwBpAHoAZQAAAAIAAAAAFA=="})";
    const QByteArray kMapTextHi
        = R"({"-----TessivarCustomJsonType-----":"QVariantMap","MapData":"AAAAAQAAAAgAVABlAHgAdAAAAAoAAAAABABIAGk="})";
    const QByteArray kMapEmpty = R"({"-----TessivarCustomJsonType-----":"QVariantMap","MapData":"AAAAAA=="})";
    const QByteArray kRect = R"({"height":2,"left":0.5,"top":1,"width":3})";
    const QRectF kRectValue(0.5, 1, 3, 2);

    QByteArray bytes(const char* base64, int size)
    {
        return QByteArray(R"({"-----TessivarCustomJsonType-----":"QByteArray","Data":")") + base64 + R"(","Size":)"
            + QByteArray::number(size) + "}";
    }

    FileTransferMetaData_t sampleMetaData()
    {
        FileTransferMetaData_t metaData;
        metaData.status = 1;
        metaData.requestType = FileTransferRequestType_e::DataClassFiles;
        metaData.name = QStringLiteral("a.qml");
        metaData.size = 3;
        metaData.transferredBytes = 3;
        metaData.crc = 4660;
        metaData.count = 1;
        metaData.index = 1;
        metaData.transferData = QByteArrayLiteral("clock");
        return metaData;
    }

    DashboardImportModule sampleImportModule()
    {
        DashboardImportModule module;
        module.creationRequestId = 3;
        module.geometry = kRectValue;
        module.z = 2;
        module.dataClassId = QStringLiteral("text");
        module.profiles = QStringList {QStringLiteral("A"), QStringLiteral("B")};
        module.dataWidget = QStringLiteral("qrc:/d.qml");
        module.version = QVersionNumber(1, 5, 1);
        module.parameters = QVariantMap {{QStringLiteral("Size"), 20}};
        return module;
    }

} // namespace

MessageSender_t ProtocolSamples::Sender()
{
    return MessageSender_t {QStringLiteral("0123456789abcdef0123456789abcdef"), QStringLiteral("Desk"),
        QVersionNumber(1, 5, 1), device::ApplicationType_e::Server};
}

QByteArray ProtocolSamples::Envelope(const QString& identifier, const QByteArray& body)
{
    const QByteArray id = identifier.toUtf8();
    return R"({"header.v1":{"MessageId":")" + id
        + R"(","Sender":{"ApplicationType":"server","Id":"0123456789abcdef0123456789abcdef","Name":"Desk","Version":"1.5.1"},"SequenceId":"7"},"message.v1":{")"
        + id + R"(":)" + body + "}}";
}

QList<ProtocolSample> ProtocolSamples::All()
{
    QList<ProtocolSample> samples {
        {"com.tessivar.Hello.1", [] { return std::make_unique<Message_Hello>("0123456789abcdef0123456789abcdef"); },
            R"({"DeviceId":"0123456789abcdef0123456789abcdef"})"},
        {"com.tessivar.RegisterDevice.1",
            [] {
                ModuleDataClassInfo_t clock {"clock", {{"a.qml", 4660}, {"b.png", 65535}}};
                return std::make_unique<Message_RegisterDevice>(
                    "Desk", device::ApplicationType_e::Server, QVersionNumber(1, 5, 1), QList {clock});
            },
            R"({"ApplicationType":"server","ModuleDataInfoList":[{"ClassId":"clock","FileInfoList":[{"FileCrc":4660,"FileName":"a.qml"},{"FileCrc":65535,"FileName":"b.png"}]}],"Name":"Desk","SoftwareVersion":"1.5.1"})"},
        {"com.tessivar.ModuleList.1",
            [] {
                return std::make_unique<Message_BlockList>(QList<BlockId_t> {4294967295u, 1});
            },
            R"({"ModuleList":["4294967295","1"]})"},
        {"com.tessivar.RegisterModule.1",
            [] {
                return std::make_unique<Message_RegisterBlock>(
                    "clock", "qrc:/Clock.qml", QVersionNumber(1, 5, 1), QVariantMap {{"Size", 20}}, QVariantMap {}, 5);
            },
            R"({"Data":)" + kMapEmpty + R"(,"DataClassId":"clock","DataWidget":"qrc:/Clock.qml","Parameters":)"
                + kMapSize20 + R"(,"RequestIndex":5,"ServerVersion":"1.5.1"})"},
        {"com.tessivar.RegisterModuleResponse.1",
            [] { return std::make_unique<Message_RegisterBlockResponse>(BlockCreationStatus_e::NotCreated, 42, 5); },
            R"({"ModuleId":"42","RegisterStatus":3,"RequestIndex":5})"},
        {"com.tessivar.DeleteModule.1", [] { return std::make_unique<Message_DeleteBlock>(42); },
            R"({"ModuleId":"42"})"},
        {"com.tessivar.ModuleParameters.1",
            [] {
                return std::make_unique<Message_UpdateParameters>(42, QVariantMap {{"Size", 20}});
            },
            R"({"ModuleId":"42","ModuleParameters":)" + kMapSize20 + "}"},
        {"com.tessivar.ModuleData.1",
            [] {
                return std::make_unique<Message_Data>(42, QVariantMap {{"Text", "Hi"}});
            },
            R"({"ModuleData":)" + kMapTextHi + R"(,"ModuleId":"42"})"},
        {"com.tessivar.FileTransfer.1", [] { return std::make_unique<Message_FileTransfer>(sampleMetaData(), "abc"); },
            R"({"FileData":)" + bytes("YWJj", 3)
                + R"(,"TransferMetaData":{"Count":1,"Crc":4660,"Index":1,"Name":"a.qml","RequestType":3,"Size":"3","Status":1,"TransferData":)"
                + bytes("Y2xvY2s=", 5) + R"(,"TransferedBytes":"3"}})"},
        {"com.tessivar.FileTransferRequest.1",
            [] {
                return std::make_unique<Message_FileTransferRequest>(FileTransferRequestType_e::LogFiles, QByteArray());
            },
            R"({"RequestData":)" + bytes("", 0) + R"(,"RequestType":1})"},
        {"com.tessivar.Notification.1", [] { return std::make_unique<Message_Notification>("Saved", 3000); },
            R"({"Duration":3000,"Text":"Saved"})"},
        {"com.tessivar.DashboardExportRequest.1", [] { return std::make_unique<Message_DashboardExportRequest>(); },
            "{}"},
        {"com.tessivar.DashboardExportResponse.1",
            [] {
                return std::make_unique<Message_DashboardExportResponse>(Message_DashboardExportResponse::Profiles_t {
                    {"Main", {DashboardExportModule {42, kRectValue, 1, "clock"}}}});
            },
            R"({"Profiles":{"Main":{"Modules":[{"DataClassId":"clock","Geometry":)" + kRect
                + R"(,"Id":"42","Z":1}]}}})"},
        {"com.tessivar.DashboardImportRequest.1",
            [] {
                return std::make_unique<Message_DashboardImportRequest>(DashboardImportData_t {sampleImportModule()});
            },
            R"({"ModuleList":[{"CreationRequestId":3,"Data":)" + kMapEmpty
                + R"(,"DataClassId":"text","DataWidget":"qrc:/d.qml","Geometry":)" + kRect + R"(,"Parameters":)"
                + kMapSize20 + R"(,"Profiles":["A","B"],"Version":"1.5.1","Z":2}]})"},
        {"com.tessivar.DashboardImportResponse.1",
            [] {
                return std::make_unique<Message_DashboardImportResponse>(
                    Message_DashboardImportResponse::CreatedBlocks_t {{3, 42}, {4, 0}}, 1);
            },
            R"({"CreatedModuleIds":{"3":"42","4":"0"},"Status":1})"},
    };
    for (ProtocolSample& sample : samples)
        sample.envelope = Envelope(sample.wireIdentifier, sample.envelope);
    return samples;
}

} // namespace tessivar::test

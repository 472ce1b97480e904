// Message bodies through the whole codec: every field survives a round trip,
// every member of the wrong type or size reads as the documented empty, zero or
// narrowed value, and the debug forms the logs show.
#include "ProtocolSamples.h"

#include "communication/MessageCodec.h"
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

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

using namespace tessivar::communication;
using tessivar::test::ProtocolSamples;

namespace {

const MessageCodec kCodec;

// Sends a message through the codec and reads it back as the class it was.
template <typename Message>
std::unique_ptr<Message> roundTrip(const Message& message)
{
    const std::optional<QByteArray> text = kCodec.Serialize(message, 1, std::nullopt, ProtocolSamples::Sender());
    if (!text)
        return nullptr;
    auto parsed = kCodec.Parse(*text);
    if (!parsed)
        return nullptr;
    auto created = kCodec.CreateMessage(parsed->second, parsed->first.id);
    if (!created || !dynamic_cast<Message*>(created->get()))
        return nullptr;
    return std::unique_ptr<Message>(static_cast<Message*>(created->release()));
}

// Reads a body given as JSON text as the message class of the identifier.
template <typename Message>
std::unique_ptr<Message> fromBody(const QByteArray& body, const char* identifier)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(body, &error).object();
    if (error.error != QJsonParseError::NoError)
        qFatal("test body is not JSON: %s", body.constData());
    auto created = kCodec.CreateMessage(object, QString::fromLatin1(identifier));
    if (!created || !dynamic_cast<Message*>(created->get()))
        return nullptr;
    return std::unique_ptr<Message>(static_cast<Message*>(created->release()));
}

QString printed(const IMessage& message)
{
    QString text;
    QDebug(&text).nospace() << message;
    return text;
}

QVariantMap richMap()
{
    return QVariantMap {{"Text", QStringLiteral("Grüße \u2603")}, {"Number", 2147483647},
        {"Big", Q_INT64_C(-9007199254740993)}, {"Double", 0.1}, {"Flag", true}, {"Bytes", QByteArray("\x00\xff", 2)},
        {"List", QVariantList {1, "two", QVariantMap {{"three", 3.0}}}}, {"Names", QStringList {"a", "", "c"}},
        {"", QVariant()}};
}

} // namespace

class TestMessageBodies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void deviceMessagesKeepEveryField();
    void blockMessagesKeepEveryField();
    void transferMessagesKeepEveryField();
    void dashboardMessagesKeepEveryField();

    void emptyBodiesGiveEmptyMessages_data();
    void emptyBodiesGiveEmptyMessages();
    void identifiersAsDecimalText();
    void narrowedIntegers();
    void mistypedMembersReadAsEmpty();
    void byteArraysAndChunks();
    void importResponseKeys();

    void printForms();
};

void TestMessageBodies::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestMessageBodies::deviceMessagesKeepEveryField()
{
    const auto hello = roundTrip(Message_Hello("fedcba9876543210fedcba9876543210"));
    QVERIFY(hello);
    QCOMPARE(hello->GetSenderDeviceId(), QStringLiteral("fedcba9876543210fedcba9876543210"));

    const QList<ModuleDataClassInfo_t> classes {
        {"clock", {{"Clock.qml", 0}, {"face.png", 65535}, {"hands.png", 4660}}},
        {"empty", {}},
        {"text", {{"Text.qml", 1}}},
    };
    const auto client = roundTrip(
        Message_RegisterDevice("Phone \"Anna\"", tessivar::device::Client, QVersionNumber({2, 0, 11, 4}), classes));
    QVERIFY(client);
    QCOMPARE(client->GetName(), QStringLiteral("Phone \"Anna\""));
    QCOMPARE(client->GetApplicationType(), tessivar::device::Client);
    QCOMPARE(client->GetSoftwareVersion(), QVersionNumber({2, 0, 11, 4}));
    QCOMPARE(client->GetDataClassInfoList(), classes);
    QCOMPARE(roundTrip(Message_RegisterDevice("s", tessivar::device::Server, {}, {}))->GetApplicationType(),
        tessivar::device::Server);
    // A helper has no text of its own on the wire.
    QCOMPARE(roundTrip(Message_RegisterDevice("h", tessivar::device::Helper, {}, {}))->GetApplicationType(),
        tessivar::device::Unknown);
}

void TestMessageBodies::blockMessagesKeepEveryField()
{
    const auto list = roundTrip(Message_BlockList({3, 0, 4294967295u, 3, 17}));
    QVERIFY(list);
    QCOMPARE(list->GetBlockIds(), (QList<BlockId_t> {3, 0, 4294967295u, 3, 17}));

    const auto registration = roundTrip(Message_RegisterBlock(
        "clock", "qrc:/Clock.qml", QVersionNumber(1, 5, 1), richMap(), QVariantMap {{"Now", 12}}, -7));
    QVERIFY(registration);
    QCOMPARE(registration->GetDataClassId(), QStringLiteral("clock"));
    QCOMPARE(registration->GetDataWidget(), QStringLiteral("qrc:/Clock.qml"));
    QCOMPARE(registration->GetServerVersion(), QVersionNumber(1, 5, 1));
    QCOMPARE(registration->GetParameters(), richMap());
    QCOMPARE(registration->GetData(), (QVariantMap {{"Now", 12}}));
    QCOMPARE(registration->GetRequestIndex(), -7);

    const auto response
        = roundTrip(Message_RegisterBlockResponse(BlockCreationStatus_e(65535), 4294967295u, 2147483647));
    QVERIFY(response);
    QCOMPARE(response->GetStatus(), BlockCreationStatus_e(65535));
    QCOMPARE(response->GetBlockId(), 4294967295u);
    QCOMPARE(response->GetRequestIndex(), 2147483647);

    QCOMPARE(roundTrip(Message_DeleteBlock(4294967295u))->GetBlockId(), 4294967295u);

    const auto parameters = roundTrip(Message_UpdateParameters(12, richMap()));
    QCOMPARE(parameters->GetBlockId(), 12u);
    QCOMPARE(parameters->GetParameters(), richMap());

    const auto data = roundTrip(Message_Data(13, QVariantMap {{"Pressed", true}}));
    QCOMPARE(data->GetBlockId(), 13u);
    QCOMPARE(data->GetData(), (QVariantMap {{"Pressed", true}}));

    const auto notification = roundTrip(Message_Notification("Line one\nline \"two\"", -1));
    QCOMPARE(notification->GetText(), QStringLiteral("Line one\nline \"two\""));
    QCOMPARE(notification->GetDuration(), -1);
}

void TestMessageBodies::transferMessagesKeepEveryField()
{
    FileTransferMetaData_t metaData;
    metaData.status = 65535;
    metaData.requestType = FileTransferRequestType_e::SettingsFile;
    metaData.name = QStringLiteral("logs/tessivar 1.log");
    metaData.size = 4294967295u;
    metaData.transferredBytes = 100000;
    metaData.crc = 0xBEEF;
    metaData.count = 43;
    metaData.index = -2;
    metaData.transferData = QByteArray("\x00\x01\x02", 3);
    QByteArray chunk(100000, Qt::Uninitialized);
    for (int i = 0; i < chunk.size(); ++i)
        chunk[i] = char(i * 7);
    const auto transfer = roundTrip(Message_FileTransfer(metaData, chunk));
    QVERIFY(transfer);
    QCOMPARE(transfer->GetMetaData(), metaData);
    QCOMPARE(transfer->GetFileData(), chunk);

    const auto request = roundTrip(Message_FileTransferRequest(FileTransferRequestType_e(9), "clock\0text"));
    QCOMPARE(request->GetRequestType(), FileTransferRequestType_e(9));
    QCOMPARE(request->GetRequestData(), QByteArray("clock\0text"));
}

void TestMessageBodies::dashboardMessagesKeepEveryField()
{
    QVERIFY(roundTrip(Message_DashboardExportRequest()));

    const Message_DashboardExportResponse::Profiles_t profiles {
        {"", {}},
        {"Main",
            {DashboardExportModule {42, QRectF(-0.5, 1e-3, 1920, 1080.25), -3, "clock"},
                DashboardExportModule {7, QRectF(), 0, ""},
                DashboardExportModule {42, QRectF(1, 1, 1, 1), 2, "clock"}}},
        {"Zweite Seite", {DashboardExportModule {4294967295u, QRectF(0, 0, 10, 10), 2147483647, "text"}}},
    };
    const auto exported = roundTrip(Message_DashboardExportResponse(profiles));
    QVERIFY(exported);
    QCOMPARE(exported->GetProfiles(), profiles);

    DashboardImportModule first;
    first.creationRequestId = -1;
    first.geometry = QRectF(10, 20, 300.5, 400);
    first.z = 9;
    first.dataClassId = "text";
    first.profiles = {"A", "B", ""};
    first.dataWidget = "qrc:/Text.qml";
    first.version = QVersionNumber(1, 5, 1);
    first.parameters = richMap();
    first.data = QVariantMap {{"Value", "x"}};
    DashboardImportModule second;
    second.creationRequestId = 2147483647;
    const auto imported = roundTrip(Message_DashboardImportRequest({first, second, first}));
    QVERIFY(imported);
    QCOMPARE(imported->GetImportData(), (DashboardImportData_t {first, second, first}));

    const Message_DashboardImportResponse::CreatedBlocks_t created {{-5, 0}, {0, 1}, {2147483647, 4294967295u}};
    const auto answer = roundTrip(Message_DashboardImportResponse(created, -9));
    QVERIFY(answer);
    QCOMPARE(answer->GetCreatedBlocks(), created);
    QCOMPARE(answer->GetStatus(), -9);
}

void TestMessageBodies::emptyBodiesGiveEmptyMessages_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("written");
    // What each message with empty fields writes: every member, always.
    const QByteArray emptyMap = R"({"-----TessivarCustomJsonType-----":"QVariantMap","MapData":"AAAAAA=="})";
    const QByteArray emptyBytes = R"({"-----TessivarCustomJsonType-----":"QByteArray","Data":"","Size":0})";
    const QByteArray zeroRect = R"({"height":0,"left":0,"top":0,"width":0})";
    QTest::newRow("Hello") << QStringLiteral("com.tessivar.Hello.1") << QByteArray("{}")
                           << QByteArray(R"({"DeviceId":""})");
    QTest::newRow("RegisterDevice")
        << QStringLiteral("com.tessivar.RegisterDevice.1") << QByteArray("{}")
        << QByteArray(R"({"ApplicationType":"unknown","ModuleDataInfoList":[],"Name":"","SoftwareVersion":""})");
    QTest::newRow("ModuleList") << QStringLiteral("com.tessivar.ModuleList.1") << QByteArray("{}")
                                << QByteArray(R"({"ModuleList":[]})");
    QTest::newRow("RegisterModule") << QStringLiteral("com.tessivar.RegisterModule.1") << QByteArray("{}")
                                    << R"({"Data":)" + emptyMap + R"(,"DataClassId":"","DataWidget":"","Parameters":)"
            + emptyMap + R"(,"RequestIndex":0,"ServerVersion":""})";
    QTest::newRow("RegisterModuleResponse")
        << QStringLiteral("com.tessivar.RegisterModuleResponse.1") << QByteArray("{}")
        << QByteArray(R"({"ModuleId":"0","RegisterStatus":0,"RequestIndex":0})");
    QTest::newRow("DeleteModule") << QStringLiteral("com.tessivar.DeleteModule.1") << QByteArray("{}")
                                  << QByteArray(R"({"ModuleId":"0"})");
    QTest::newRow("UpdateParameters") << QStringLiteral("com.tessivar.ModuleParameters.1") << QByteArray("{}")
                                      << R"({"ModuleId":"0","ModuleParameters":)" + emptyMap + "}";
    QTest::newRow("Data") << QStringLiteral("com.tessivar.ModuleData.1") << QByteArray("{}")
                          << R"({"ModuleData":)" + emptyMap + R"(,"ModuleId":"0"})";
    QTest::newRow("FileTransfer") << QStringLiteral("com.tessivar.FileTransfer.1") << QByteArray("{}")
                                  << R"({"FileData":)" + emptyBytes
            + R"(,"TransferMetaData":{"Count":0,"Crc":0,"Index":0,"Name":"","RequestType":0,"Size":"0","Status":0,"TransferData":)"
            + emptyBytes + R"(,"TransferedBytes":"0"}})";
    QTest::newRow("FileTransferRequest") << QStringLiteral("com.tessivar.FileTransferRequest.1") << QByteArray("{}")
                                         << R"({"RequestData":)" + emptyBytes + R"(,"RequestType":0})";
    QTest::newRow("Notification") << QStringLiteral("com.tessivar.Notification.1") << QByteArray("{}")
                                  << QByteArray(R"({"Duration":0,"Text":""})");
    QTest::newRow("DashboardExportRequest")
        << QStringLiteral("com.tessivar.DashboardExportRequest.1") << QByteArray("{}") << QByteArray("{}");
    QTest::newRow("DashboardExportResponse") << QStringLiteral("com.tessivar.DashboardExportResponse.1")
                                             << QByteArray("{}") << QByteArray(R"({"Profiles":{}})");
    QTest::newRow("DashboardImportRequest") << QStringLiteral("com.tessivar.DashboardImportRequest.1")
                                            << QByteArray("{}") << QByteArray(R"({"ModuleList":[]})");
    QTest::newRow("DashboardImportResponse") << QStringLiteral("com.tessivar.DashboardImportResponse.1")
                                             << QByteArray("{}") << QByteArray(R"({"CreatedModuleIds":{},"Status":0})");
    // Inner records with no members at all read as empty records.
    QTest::newRow("empty data class")
        << QStringLiteral("com.tessivar.RegisterDevice.1") << QByteArray(R"({"ModuleDataInfoList":[{}]})")
        << QByteArray(
               R"({"ApplicationType":"unknown","ModuleDataInfoList":[{"ClassId":"","FileInfoList":[]}],"Name":"","SoftwareVersion":""})");
    QTest::newRow("empty export entry") << QStringLiteral("com.tessivar.DashboardExportResponse.1")
                                        << QByteArray(R"({"Profiles":{"":{"Modules":[{}]}}})")
                                        << R"({"Profiles":{"":{"Modules":[{"DataClassId":"","Geometry":)" + zeroRect
            + R"(,"Id":"0","Z":0}]}}})";
    QTest::newRow("empty import entry") << QStringLiteral("com.tessivar.DashboardImportRequest.1")
                                        << QByteArray(R"({"ModuleList":[{}]})")
                                        << R"({"ModuleList":[{"CreationRequestId":0,"Data":)" + emptyMap
            + R"(,"DataClassId":"","DataWidget":"","Geometry":)" + zeroRect + R"(,"Parameters":)" + emptyMap
            + R"(,"Profiles":[],"Version":"","Z":0}]})";
}

void TestMessageBodies::emptyBodiesGiveEmptyMessages()
{
    QFETCH(QString, identifier);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, written);
    const auto message = kCodec.CreateMessage(QJsonDocument::fromJson(received).object(), identifier);
    QVERIFY(message && *message);
    QCOMPARE(QJsonDocument((*message)->ToJson()).toJson(QJsonDocument::Compact), written);
}

void TestMessageBodies::identifiersAsDecimalText()
{
    const auto idOf = [](const QByteArray& value) {
        return fromBody<Message_DeleteBlock>(R"({"ModuleId":)" + value + "}", "com.tessivar.DeleteModule.1")
            ->GetBlockId();
    };
    QCOMPARE(idOf(R"("17")"), 17u);
    QCOMPARE(idOf("17"), 0u); // a number instead of text
    QCOMPARE(idOf(R"("4294967295")"), 4294967295u);
    QCOMPARE(idOf(R"("4294967296")"), 0u);
    QCOMPARE(idOf(R"("-1")"), 0u);
    QCOMPARE(idOf(R"("1e3")"), 0u);
    QCOMPARE(idOf(R"("")"), 0u);
    QCOMPARE(idOf("null"), 0u);
    QCOMPARE(idOf(R"(["17"])"), 0u);

    const auto list = fromBody<Message_BlockList>(
        R"({"ModuleList":["5",5,"x",null,"4294967295",{}]})", "com.tessivar.ModuleList.1");
    QCOMPARE(list->GetBlockIds(), (QList<BlockId_t> {5, 0, 0, 0, 4294967295u, 0}));

    const auto metaData = fromBody<Message_FileTransfer>(
        R"({"TransferMetaData":{"Size":"99999999999999999999","TransferedBytes":"100000"}})",
        "com.tessivar.FileTransfer.1")
                              ->GetMetaData();
    QCOMPARE(metaData.size, 0u);
    QCOMPARE(metaData.transferredBytes, 100000u);
}

void TestMessageBodies::narrowedIntegers()
{
    const auto device = fromBody<Message_RegisterDevice>(
        R"({"ModuleDataInfoList":[{"ClassId":"c","FileInfoList":[{"FileName":"a","FileCrc":70000},{"FileName":"b","FileCrc":-1},)"
        R"({"FileName":"c","FileCrc":65536},{"FileName":"d","FileCrc":4294967296},{"FileName":"e","FileCrc":12.5}]}]})",
        "com.tessivar.RegisterDevice.1");
    const QList<ModuleDataClassInfo_t::FileInfo_t> files = device->GetDataClassInfoList().at(0).fileList;
    QCOMPARE(files.size(), 5);
    QCOMPARE(files[0].fileCrc, quint16(4464)); // the low 16 bits
    QCOMPARE(files[1].fileCrc, quint16(65535));
    QCOMPARE(files[2].fileCrc, quint16(0));
    QCOMPARE(files[3].fileCrc, quint16(0)); // beyond the integer conversion: 0
    QCOMPARE(files[4].fileCrc, quint16(0)); // not an integer: 0

    const auto metaData = fromBody<Message_FileTransfer>(
        R"({"TransferMetaData":{"Status":70000,"RequestType":65539,"Crc":131071,"Count":1e300,"Index":-2147483648}})",
        "com.tessivar.FileTransfer.1")
                              ->GetMetaData();
    QCOMPARE(metaData.status, quint16(4464));
    QCOMPARE(metaData.requestType, FileTransferRequestType_e::DataClassFiles);
    QCOMPARE(metaData.crc, quint16(65535));
    QCOMPARE(metaData.count, 0);
    QCOMPARE(metaData.index, qint32(-2147483647 - 1));

    const auto response = fromBody<Message_RegisterBlockResponse>(
        R"({"RegisterStatus":65538,"RequestIndex":2147483648})", "com.tessivar.RegisterModuleResponse.1");
    QCOMPARE(response->GetStatus(), BlockCreationStatus_e(2));
    QCOMPARE(response->GetRequestIndex(), 0);
    QCOMPARE(fromBody<Message_FileTransferRequest>(R"({"RequestType":-65535})", "com.tessivar.FileTransferRequest.1")
                 ->GetRequestType(),
        FileTransferRequestType_e(1));
}

void TestMessageBodies::mistypedMembersReadAsEmpty()
{
    const auto notification
        = fromBody<Message_Notification>(R"({"Text":5,"Duration":"3000"})", "com.tessivar.Notification.1");
    QCOMPARE(notification->GetText(), QString());
    QCOMPARE(notification->GetDuration(), 0);

    const auto device = fromBody<Message_RegisterDevice>(
        R"({"Name":["x"],"ApplicationType":"Client","SoftwareVersion":"one.two","ModuleDataInfoList":{"ClassId":"c"}})",
        "com.tessivar.RegisterDevice.1");
    QCOMPARE(device->GetName(), QString());
    QCOMPARE(device->GetApplicationType(), tessivar::device::Unknown);
    QVERIFY(device->GetSoftwareVersion().isNull());
    QVERIFY(device->GetDataClassInfoList().isEmpty());
    QCOMPARE(fromBody<Message_RegisterDevice>(R"({"ApplicationType":"client"})", "com.tessivar.RegisterDevice.1")
                 ->GetApplicationType(),
        tessivar::device::Client);
    QCOMPARE(fromBody<Message_RegisterDevice>(
                 R"({"ModuleDataInfoList":[7,"x",{"FileInfoList":[1]}]})", "com.tessivar.RegisterDevice.1")
                 ->GetDataClassInfoList(),
        (QList<ModuleDataClassInfo_t> {{}, {}, {"", {{"", 0}}}}));

    QTest::ignoreMessage(QtWarningMsg, "Invalid QVariantMap in message, reading an empty map: data ends early");
    const auto imported = fromBody<Message_DashboardImportRequest>(
        R"({"ModuleList":[{"Geometry":{"left":"1","top":2,"width":null},"Profiles":["A",3,null,"B"],"Z":"2",)"
        R"("Parameters":{"MapData":5},"Data":"AAAAAA==","Version":1.5}]})",
        "com.tessivar.DashboardImportRequest.1");
    const DashboardImportModule module = imported->GetImportData().at(0);
    QCOMPARE(module.geometry, QRectF(0, 2, 0, 0));
    QCOMPARE(module.profiles, (QStringList {"A", "", "", "B"}));
    QCOMPARE(module.z, 0);
    QVERIFY(module.parameters.isEmpty());
    QVERIFY(module.data.isEmpty());
    QVERIFY(module.version.isNull());

    const auto exported = fromBody<Message_DashboardExportResponse>(
        R"({"Profiles":{"A":{"Modules":[{"Id":"3"},5]},"B":[],"C":{"Modules":{}}}})",
        "com.tessivar.DashboardExportResponse.1");
    QCOMPARE(exported->GetProfiles().keys(), (QStringList {"A", "B", "C"}));
    QCOMPARE(exported->GetProfiles()["A"].size(), 2);
    QCOMPARE(exported->GetProfiles()["A"][0].blockId, 3u);
    QVERIFY(exported->GetProfiles()["B"].isEmpty());
    QVERIFY(exported->GetProfiles()["C"].isEmpty());
}

void TestMessageBodies::byteArraysAndChunks()
{
    const auto dataOf = [](const QByteArray& value) {
        return fromBody<Message_FileTransferRequest>(
            R"({"RequestData":)" + value + "}", "com.tessivar.FileTransferRequest.1")
            ->GetRequestData();
    };
    // Only "Data" counts: the marker and "Size" are not checked.
    QCOMPARE(dataOf(R"({"Data":"YWJj","Size":1000000000})"), QByteArray("abc"));
    QCOMPARE(
        dataOf(R"({"-----TessivarCustomJsonType-----":"QVariantMap","Data":"YWJj","Size":-5})"), QByteArray("abc"));
    QCOMPARE(dataOf(R"({"Data":"YWJ"})"),
        QByteArray("ab")); // padding may be missing
    QCOMPARE(dataOf(R"({"Data":"Y W J j"})"), QByteArray());
    QCOMPARE(dataOf(R"({"Data":"YW=Jj"})"), QByteArray());
    QCOMPARE(dataOf(R"({"Data":"YWJj-_"})"),
        QByteArray()); // not the standard alphabet
    QCOMPARE(dataOf(R"({"Data":12})"), QByteArray());
    QCOMPARE(dataOf(R"("YWJj")"), QByteArray());
    QCOMPARE(dataOf(R"({"Data":"w6k="})"), QByteArray("\xc3\xa9"));
}

void TestMessageBodies::importResponseKeys()
{
    // Keys that name no creation request cannot be attributed to one and are skipped.
    QTest::ignoreMessage(QtWarningMsg, "Ignoring dashboard import entry with invalid request id: x");
    QTest::ignoreMessage(QtWarningMsg, "Ignoring dashboard import entry with invalid request id: 2147483648");
    QTest::ignoreMessage(QtWarningMsg, "Ignoring dashboard import entry with invalid request id: ");
    const auto response = fromBody<Message_DashboardImportResponse>(
        R"({"CreatedModuleIds":{"3":"42","-1":"0","x":"1","2147483648":"5","":"6","7":7},"Status":"1"})",
        "com.tessivar.DashboardImportResponse.1");
    QCOMPARE(
        response->GetCreatedBlocks(), (Message_DashboardImportResponse::CreatedBlocks_t {{3, 42}, {-1, 0}, {7, 0}}));
    QCOMPARE(response->GetStatus(), 0);

    const QString longKey(100000, QLatin1Char('9'));
    QTest::ignoreMessage(
        QtWarningMsg, qPrintable("Ignoring dashboard import entry with invalid request id: " + longKey.left(64)));
    QVERIFY(fromBody<Message_DashboardImportResponse>(
        R"({"CreatedModuleIds":{")" + longKey.toLatin1() + R"(":"1"}})", "com.tessivar.DashboardImportResponse.1")
                ->GetCreatedBlocks()
                .isEmpty());
}

void TestMessageBodies::printForms()
{
    QCOMPARE(printed(Message_Hello("abc")), QStringLiteral("Hello[sender=abc]"));
    QCOMPARE(printed(Message_RegisterDevice("Phone", tessivar::device::Client, QVersionNumber(2, 0, 1), {})),
        QStringLiteral("RegisterDevice[Name=Phone, SoftwareVersion=2.0.1]"));
    QCOMPARE(printed(Message_DeleteBlock(42)), QStringLiteral("Delete[moduleId=42]"));
    QCOMPARE(printed(Message_BlockList({1, 4294967295u, 3})), QStringLiteral("ModuleList[1,4294967295,3]"));
    QCOMPARE(printed(*fromBody<Message_BlockList>(R"({"ModuleList":[]})", "com.tessivar.ModuleList.1")),
        QStringLiteral("ModuleList[]"));
    QCOMPARE(printed(Message_Notification("Saved \"all\"", 3000)),
        QStringLiteral("Notification[text=\"Saved \"all\"\",duration=3000]"));

    // The default form: print name, then the body with maps expanded and bytes
    // reduced to their size.
    QCOMPARE(printed(Message_UpdateParameters(5, QVariantMap {{"Size", 20}, {"Nested", QVariantMap {{"On", true}}}})),
        QStringLiteral("TessivarMessage[type=UpdateParameters]\n{\n    "
                       "\"ModuleId\": \"5\",\n    \"ModuleParameters\": {\n"
                       "        \"Nested\": {\n            \"On\": true\n        "
                       "},\n        \"Size\": 20\n    }\n}"));
    QCOMPARE(printed(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, QByteArray(100000, 'x'))),
        QStringLiteral("TessivarMessage[type=FileTransferRequest]\n{\n    \"RequestData\": "
                       "{\n        \"Size\": 100000,\n"
                       "        \"Type\": \"Binary\"\n    },\n    \"RequestType\": 1\n}"));
    QCOMPARE(printed(Message_DashboardExportRequest()),
        QStringLiteral("TessivarMessage[type=DashboardExportRequest]\n{\n}"));

    // A marker naming another type is shown as such, wherever it sits.
    const QString dumped = TessivarMessage::DebugDump(
        QJsonDocument::fromJson(R"({"a":[{"-----TessivarCustomJsonType-----":"QFont"}]})").object());
    QCOMPARE(dumped, QStringLiteral("{\n    \"a\": [\n        \"InvalidCustomType[QFont]}\"\n    ]\n}"));
}

QTEST_GUILESS_MAIN(TestMessageBodies)
#include "tst_messagebodies.moc"

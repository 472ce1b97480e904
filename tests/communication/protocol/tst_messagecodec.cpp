// The envelope as a peer sees it: exact JSON text out, typed messages in, and
// the logged rejection of everything that is not a message.
#include "ProtocolSamples.h"

#include "communication/MessageCatalogue.h"
#include "communication/MessageCodec.h"
#include "communication/TessivarMessage.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_Hello.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

using namespace tessivar::communication;
using tessivar::test::ProtocolSamples;

namespace {

// A message of a type that the catalogue does not know.
class UncataloguedMessage : public TessivarMessage
{
public:
    UncataloguedMessage()
        : TessivarMessage(MessageType_e(99))
    {
    }
    QJsonObject ToJson() const override
    {
        return {};
    }
};

// An envelope of a hello body under the given header (JSON text).
QByteArray envelopeWithHeader(const QByteArray& header, const QByteArray& identifier = "com.tessivar.Hello.1")
{
    return R"({"header.v1":)" + header + R"(,"message.v1":{")" + identifier + R"(":{"DeviceId":"d"}}})";
}

QByteArray nested(int depth, const QByteArray& inner = "1")
{
    return QByteArray(depth, '[') + inner + QByteArray(depth, ']');
}

void expectWarning(const char* pattern)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QString::fromUtf8(pattern)));
}

} // namespace

class TestMessageCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void everyTypeSerialisesToItsExactText_data();
    void everyTypeSerialisesToItsExactText();
    void catalogueNamesAndIdentifiers();

    void sequenceNumbersTravelAs64BitTextAndReadAs32Bit_data();
    void sequenceNumbersTravelAs64BitTextAndReadAs32Bit();
    void responseIdOnlyWhenAnswering();
    void senderTypesAndVersions();
    void sendersTravelInEveryForm_data();
    void sendersTravelInEveryForm();
    void emptyOrMistypedHeaderStillParses();

    void rejectedDocuments_data();
    void rejectedDocuments();
    void identifiersMatchExactly();
    void deepDocumentsAreRefusedBeforeUse();
    void rejectedDocumentsAreLoggedShortened();
    void uncataloguedTypeIsNotSent();

    void debugForms();

private:
    MessageCodec m_codec;
};

void TestMessageCodec::init()
{
    // Every warning a test causes must be one it expects.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestMessageCodec::everyTypeSerialisesToItsExactText_data()
{
    QTest::addColumn<int>("index");
    const QList<tessivar::test::ProtocolSample> samples = ProtocolSamples::All();
    QCOMPARE(samples.size(), MessageCatalogue::kMessageTypeCount);
    for (int i = 0; i < samples.size(); ++i)
        QTest::newRow(qPrintable(samples[i].wireIdentifier)) << i;
}

void TestMessageCodec::everyTypeSerialisesToItsExactText()
{
    QFETCH(int, index);
    const tessivar::test::ProtocolSample sample = ProtocolSamples::All().at(index);
    const std::unique_ptr<IMessage> message = sample.create();
    QCOMPARE(MessageCatalogue::Identifier(message->GetType()), sample.wireIdentifier);

    const std::optional<QByteArray> text = m_codec.Serialize(*message, 7, std::nullopt, ProtocolSamples::Sender());
    QVERIFY(text);
    QCOMPARE(*text, sample.envelope);

    // The same text read back gives the same header, the same type and the same body.
    const auto parsed = m_codec.Parse(sample.envelope);
    QVERIFY(parsed);
    QCOMPARE(parsed->first, (MessageHeader_t {ProtocolSamples::Sender(), sample.wireIdentifier, 7, std::nullopt}));
    auto created = m_codec.CreateMessage(parsed->second, parsed->first.id);
    QVERIFY(created && *created);
    QCOMPARE((*created)->GetType(), message->GetType());
    QCOMPARE(m_codec.Serialize(**created, 7, std::nullopt, ProtocolSamples::Sender()), sample.envelope);
}

void TestMessageCodec::catalogueNamesAndIdentifiers()
{
    const QStringList printNames {"Hello", "RegisterDevice", "ModuleList", "RegisterModule", "RegisterModuleResponse",
        "DeleteModule", "UpdateParameters", "Data", "FileTransfer", "FileTransferRequest", "Notification",
        "DashboardExportRequest", "DashboardExportResponse", "DashboardImportRequest", "DashboardImportResponse"};
    const QStringList identifiers {"Hello", "RegisterDevice", "ModuleList", "RegisterModule", "RegisterModuleResponse",
        "DeleteModule", "ModuleParameters", "ModuleData", "FileTransfer", "FileTransferRequest", "Notification",
        "DashboardExportRequest", "DashboardExportResponse", "DashboardImportRequest", "DashboardImportResponse"};
    for (int value = 0; value < MessageCatalogue::kMessageTypeCount; ++value) {
        const auto type = MessageType_e(value);
        const QString identifier = "com.tessivar." + identifiers[value] + ".1";
        QCOMPARE(MessageCatalogue::PrintName(type), printNames[value]);
        QCOMPARE(MessageCatalogue::Identifier(type), identifier);
        QCOMPARE(MessageCatalogue::TypeOfIdentifier(identifier), type);
        QVERIFY(MessageCatalogue::CreationMethod(type));
    }
    QCOMPARE(MessageCatalogue::PrintName(MessageType_e(15)), QStringLiteral("Unknown"));
    QCOMPARE(MessageCatalogue::Identifier(MessageType_e(15)), std::nullopt);
    QVERIFY(!MessageCatalogue::CreationMethod(MessageType_e(0xFFFF)));
}

void TestMessageCodec::sequenceNumbersTravelAs64BitTextAndReadAs32Bit_data()
{
    QTest::addColumn<QByteArray>("sequenceId");
    QTest::addColumn<quint64>("expected");
    QTest::newRow("largest 32-bit") << QByteArray(R"("4294967295")") << quint64(4294967295u);
    QTest::newRow("one past 32 bits") << QByteArray(R"("4294967296")") << quint64(0);
    QTest::newRow("largest 64-bit") << QByteArray(R"("18446744073709551615")") << quint64(0);
    QTest::newRow("beyond 64 bits") << QByteArray(R"("99999999999999999999999")") << quint64(0);
    QTest::newRow("zero") << QByteArray(R"("0")") << quint64(0);
    QTest::newRow("negative") << QByteArray(R"("-1")") << quint64(0);
    QTest::newRow("hexadecimal") << QByteArray(R"("0x10")") << quint64(0);
    QTest::newRow("words") << QByteArray(R"("seven")") << quint64(0);
    QTest::newRow("empty text") << QByteArray(R"("")") << quint64(0);
    QTest::newRow("number, not text") << QByteArray("17") << quint64(0);
    QTest::newRow("absurd number") << QByteArray("1e308") << quint64(0);
    QTest::newRow("object") << QByteArray(R"({"a":1})") << quint64(0);
}

void TestMessageCodec::sequenceNumbersTravelAs64BitTextAndReadAs32Bit()
{
    QFETCH(QByteArray, sequenceId);
    QFETCH(quint64, expected);
    const auto parsed = m_codec.Parse(envelopeWithHeader(R"({"MessageId":"com.tessivar.Hello.1","SequenceId":)"
        + sequenceId + R"(,"SequenceResponseId":)" + sequenceId + "}"));
    QVERIFY(parsed);
    QCOMPARE(parsed->first.sequenceId, expected);
    QCOMPARE(parsed->first.sequenceResponseId, std::optional<quint64>(expected));
}

void TestMessageCodec::responseIdOnlyWhenAnswering()
{
    const Message_Hello hello("d");
    const quint64 beyond32Bits = (quint64(1) << 40) + 5;
    const QByteArray answer = *m_codec.Serialize(hello, beyond32Bits, quint64(4294967295u), ProtocolSamples::Sender());
    const QJsonObject header = QJsonDocument::fromJson(answer).object().value("header.v1").toObject();
    QCOMPARE(header.value("SequenceId").toString(), QStringLiteral("1099511627781"));
    QCOMPARE(header.value("SequenceResponseId").toString(), QStringLiteral("4294967295"));
    const auto parsedAnswer = m_codec.Parse(answer);
    QVERIFY(parsedAnswer);
    QCOMPARE(parsedAnswer->first.sequenceId,
        quint64(0)); // more than 32 bits read back as 0
    QCOMPARE(parsedAnswer->first.sequenceResponseId, std::optional<quint64>(4294967295u));

    const QByteArray notAnswer = *m_codec.Serialize(hello, 1, std::nullopt, ProtocolSamples::Sender());
    QVERIFY(!notAnswer.contains("SequenceResponseId"));
    QCOMPARE(m_codec.Parse(notAnswer)->first.sequenceResponseId, std::nullopt);

    // A response id of 0 is still a response id, also as empty text.
    QCOMPARE(
        m_codec.Parse(*m_codec.Serialize(hello, 1, quint64(0), ProtocolSamples::Sender()))->first.sequenceResponseId,
        std::optional<quint64>(0));
    const auto emptyText
        = m_codec.Parse(envelopeWithHeader(R"({"MessageId":"com.tessivar.Hello.1","SequenceResponseId":""})"));
    QCOMPARE(emptyText->first.sequenceResponseId, std::optional<quint64>(0));
}

void TestMessageCodec::senderTypesAndVersions()
{
    const Message_Hello hello("d");
    const auto typeWritten = [&](tessivar::device::ApplicationType_e type) {
        tessivar::communication::MessageSender_t sender = ProtocolSamples::Sender();
        sender.applicationType = type;
        const QByteArray text = *m_codec.Serialize(hello, 1, std::nullopt, sender);
        return QJsonDocument::fromJson(text)["header.v1"]["Sender"]["ApplicationType"].toString();
    };
    QCOMPARE(typeWritten(tessivar::device::Client), QStringLiteral("client"));
    QCOMPARE(typeWritten(tessivar::device::Server), QStringLiteral("server"));
    QCOMPARE(typeWritten(tessivar::device::Helper), QStringLiteral("unknown"));
    QCOMPARE(typeWritten(tessivar::device::Unknown), QStringLiteral("unknown"));
    QCOMPARE(typeWritten(tessivar::device::ApplicationType_e(77)), QStringLiteral("unknown"));

    const auto typeRead = [&](const QByteArray& type) {
        return m_codec
            .Parse(
                envelopeWithHeader(R"({"MessageId":"com.tessivar.Hello.1","Sender":{"ApplicationType":)" + type + "}}"))
            ->first.sender.applicationType;
    };
    QCOMPARE(typeRead(R"("client")"), tessivar::device::Client);
    QCOMPARE(typeRead(R"("server")"), tessivar::device::Server);
    QCOMPARE(typeRead(R"("helper")"), tessivar::device::Unknown);
    QCOMPARE(typeRead(R"("Client")"), tessivar::device::Unknown);
    QCOMPARE(typeRead(R"("unknown")"), tessivar::device::Unknown);
    QCOMPARE(typeRead("1"), tessivar::device::Unknown);

    const auto sender
        = m_codec
              .Parse(envelopeWithHeader(
                  R"({"MessageId":"com.tessivar.Hello.1","Sender":{"Id":"a","Name":"Tablet","Version":"2.10.3"}})"))
              ->first.sender;
    QCOMPARE(sender, (MessageSender_t {"a", "Tablet", QVersionNumber(2, 10, 3), tessivar::device::Unknown}));
}

void TestMessageCodec::sendersTravelInEveryForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVersionNumber>("version");
    QTest::newRow("plain") << QStringLiteral("Tablet") << QVersionNumber(2, 10, 3);
    QTest::newRow("empty") << QString() << QVersionNumber();
    QTest::newRow("quotes and backslash") << QStringLiteral(R"(Ann's "big" \ phone)") << QVersionNumber(1);
    QTest::newRow("control characters") << QStringLiteral("line\nbreak\ttab\x01") << QVersionNumber(1, 0);
    QTest::newRow("beyond ASCII") << QStringLiteral("T\u00e9l\u00e9phone \U0001F4F1 \u007f") << QVersionNumber(3, 1);
}

// The envelope is exactly the compact text QJsonDocument writes, and every sender comes
// back as it was sent, also when senders alternate.
void TestMessageCodec::sendersTravelInEveryForm()
{
    QFETCH(QString, name);
    QFETCH(QVersionNumber, version);
    const MessageSender_t sender{"0123456789abcdef0123456789abcdef", name, version, tessivar::device::Client};
    const Message_Data data(7, QVariantMap{{QStringLiteral("Value"), name}});
    for (int round = 0; round < 2; ++round) {
        for (const MessageSender_t& each : {sender, ProtocolSamples::Sender()}) {
            const QByteArray text = *m_codec.Serialize(data, 5, quint64(4), each);
            QCOMPARE(QJsonDocument::fromJson(text).toJson(QJsonDocument::Compact), text);
            const auto parsed = m_codec.Parse(text);
            QVERIFY(parsed);
            QCOMPARE(parsed->first.sender, each);
            QCOMPARE(parsed->first.sequenceResponseId, std::optional<quint64>(4));
        }
    }
}

void TestMessageCodec::emptyOrMistypedHeaderStillParses()
{
    const std::optional<MessageHeader_t> empty = m_codec.ParseHeader(QJsonObject {{"header.v1", QJsonObject()}});
    QVERIFY(empty);
    QCOMPARE(*empty, MessageHeader_t());
    QVERIFY(empty->sender.softwareVersion.isNull());

    // Members of the wrong JSON type read as empty values; the header itself is there.
    const auto mistyped = m_codec.ParseHeader(
        QJsonDocument::fromJson(R"({"header.v1":{"MessageId":5,"Sender":[1],"SequenceId":true}})").object());
    QVERIFY(mistyped);
    QCOMPARE(*mistyped, MessageHeader_t());
    QVERIFY(m_codec.ParseHeader(QJsonObject {{"header.v1", 12}}));
    QVERIFY(!m_codec.ParseHeader(QJsonObject {{"Header.v1", QJsonObject()}}));

    // An empty identifier finds a body under the empty key.
    const auto parsed = m_codec.Parse(R"({"header.v1":{},"message.v1":{"":{"x":1}}})");
    QVERIFY(parsed);
    QCOMPARE(parsed->second, (QJsonObject {{"x", 1}}));
    expectWarning(R"(^Unsupported message ID\[\]$)");
    QVERIFY(!m_codec.CreateMessage(parsed->second, parsed->first.id));
}

void TestMessageCodec::rejectedDocuments_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("warnings");
    const QString invalidJson = "^Could not parse message, invalid JSON: .+";
    const QString noHeader = "^Failed to parse header from message \\{.*\\}$";
    QTest::newRow("empty") << QByteArray() << QStringList {invalidJson, noHeader};
    QTest::newRow("not JSON") << QByteArray("\x00\xff{\"header.v1\":", 14) << QStringList {invalidJson, noHeader};
    QTest::newRow("truncated") << ProtocolSamples::All().first().envelope.chopped(1)
                               << QStringList {invalidJson, noHeader};
    QTest::newRow("trailing garbage") << ProtocolSamples::All().first().envelope + "x"
                                      << QStringList {invalidJson, noHeader};
    QTest::newRow("array document") << QByteArray(R"([{"header.v1":{}}])") << QStringList {noHeader};
    QTest::newRow("no header") << QByteArray(R"({"message.v1":{"com.tessivar.Hello.1":{}}})") << QStringList {noHeader};
    QTest::newRow("no message.v1") << QByteArray(R"({"header.v1":{"MessageId":"com.tessivar.Hello.1"}})")
                                   << QStringList {R"(^message\.v1 not found in JSON object \{"header\.v1":.*\}$)"};
    const QString noBody = R"(^Message ID \[com\.tessivar\.Hello\.1\] not found in JSON object \{.*\}$)";
    QTest::newRow("message.v1 not an object")
        << QByteArray(R"({"header.v1":{"MessageId":"com.tessivar.Hello.1"},"message.v1":[1]})") << QStringList {noBody};
    QTest::newRow("body under another identifier") << QByteArray(
        R"({"header.v1":{"MessageId":"com.tessivar.Hello.1"},"message.v1":{"com.tessivar.ModuleData.1":{}}})")
                                                   << QStringList {noBody};
    QTest::newRow("body key differs in case")
        << QByteArray(R"({"header.v1":{"MessageId":"com.tessivar.Hello.1"},"message.v1":{"com.tessivar.hello.1":{}}})")
        << QStringList {noBody};
}

void TestMessageCodec::rejectedDocuments()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, warnings);
    for (const QString& warning : warnings)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QVERIFY(!m_codec.Parse(data));
}

void TestMessageCodec::identifiersMatchExactly()
{
    // A body that is not an object reads as {} and still gives a message.
    const auto hello = m_codec.CreateMessage(QJsonObject(), "com.tessivar.Hello.1");
    QVERIFY(hello && *hello);
    QCOMPARE(static_cast<const Message_Hello&>(**hello).GetSenderDeviceId(), QString());

    QCOMPARE(
        (*m_codec.CreateMessage({}, "com.tessivar.ModuleParameters.1"))->GetType(), MessageType_e::UpdateParameters);
    for (const char* identifier :
        {"com.tessivar.UpdateParameters.1", "com.tessivar.hello.1", "COM.TESSIVAR.HELLO.1", "com.tessivar.Hello.2",
            "com.tessivar.Hello.1 ", "Hello", "com.tessivar.Data.1", "com.tessivar.BlockList.1"}) {
        QTest::ignoreMessage(
            QtWarningMsg, qPrintable(QStringLiteral("Unsupported message ID[%1]").arg(QLatin1StringView(identifier))));
        QVERIFY(!m_codec.CreateMessage({}, identifier));
    }

    // Through the whole receive path: a known body under an unknown identifier.
    const auto parsed = m_codec.Parse(ProtocolSamples::Envelope("com.tessivar.UpdateParameters.1", "{}"));
    QVERIFY(parsed);
    expectWarning(R"(^Unsupported message ID\[com\.tessivar\.UpdateParameters\.1\]$)");
    QVERIFY(!m_codec.CreateMessage(parsed->second, parsed->first.id));
}

void TestMessageCodec::deepDocumentsAreRefusedBeforeUse()
{
    // Nesting that real bodies use is accepted.
    QVERIFY(m_codec.Parse(ProtocolSamples::Envelope("com.tessivar.Hello.1", R"({"x":)" + nested(20) + "}")));

    expectWarning(R"(^Could not parse message, invalid JSON: nested deeper than 32 levels$)");
    expectWarning("^Failed to parse header from message \\{\\}$");
    QVERIFY(!m_codec.Parse(ProtocolSamples::Envelope("com.tessivar.Hello.1", R"({"x":)" + nested(100) + "}")));

    // Deeper than the JSON reader itself goes: its own error, no stack exhausted.
    expectWarning("^Could not parse message, invalid JSON: .+");
    expectWarning("^Failed to parse header from message \\{\\}$");
    QVERIFY(!m_codec.Parse(nested(100000)));
}

void TestMessageCodec::rejectedDocumentsAreLoggedShortened()
{
    const QByteArray hugeHeader = envelopeWithHeader("{}").replace(R"("header.v1")", R"("Header.v1")");
    QByteArray huge = hugeHeader;
    huge.insert(1, R"("padding":")" + QByteArray(1 << 20, 'x') + R"(",)");
    QString logged;
    QtMessageHandler previous = qInstallMessageHandler(nullptr);
    static QString* target = nullptr;
    target = &logged;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) { *target += message; });
    QVERIFY(!m_codec.Parse(huge));
    qInstallMessageHandler(previous);
    QVERIFY(logged.startsWith("Failed to parse header from message {"));
    QVERIFY2(logged.size() < MessageCodec::kMaximumLoggedJsonLength + 100, qPrintable(QString::number(logged.size())));
    QVERIFY(logged.endsWith("..."));
}

void TestMessageCodec::uncataloguedTypeIsNotSent()
{
    const UncataloguedMessage message;
    QTest::ignoreMessage(QtWarningMsg,
        "Cannot send message of unsupported "
        "ID[TessivarMessage[type=Unknown]\n{\n}]");
    QCOMPARE(m_codec.Serialize(message, 1, std::nullopt, ProtocolSamples::Sender()), std::nullopt);
}

void TestMessageCodec::debugForms()
{
    MessageHeader_t header {ProtocolSamples::Sender(), "com.tessivar.Hello.1", 7, std::nullopt};
    QString text;
    QDebug(&text) << header;
    QCOMPARE(text,
        QStringLiteral("MessageHeader_t[Sender=MessageSender_t[Id="
                       "0123456789abcdef0123456789abcdef,"
                       "SoftwareVersion=1.5.1,ApplicationType=Server],"
                       "Id=com.tessivar.Hello.1,SequenceId=7] "));

    header.sender.applicationType = tessivar::device::Helper;
    header.sequenceResponseId = 0;
    text.clear();
    QDebug(&text).nospace() << header;
    QCOMPARE(text,
        QStringLiteral("MessageHeader_t[Sender=MessageSender_t[Id="
                       "0123456789abcdef0123456789abcdef,"
                       "SoftwareVersion=1.5.1,ApplicationType=Helper],"
                       "Id=com.tessivar.Hello.1,SequenceId=7,"
                       "SequenceResponseId=0]"));

    // The codec's own messages print through the same stream operator as the logs use.
    const auto data = m_codec.CreateMessage(
        QJsonDocument::fromJson(R"({"ModuleId":"9","ModuleData":{"-----TessivarCustomJsonType-----":"QVariantMap",)"
                                R"("MapData":"AAAAAQAAAAgAVABlAHgAdAAAAAoAAAAABABIAGk="}})")
            .object(),
        "com.tessivar.ModuleData.1");
    text.clear();
    QDebug(&text).nospace() << **data;
    QCOMPARE(text,
        QStringLiteral("TessivarMessage[type=Data]\n{\n    \"ModuleData\": "
                       "{\n        \"Text\": \"Hi\"\n    },\n"
                       "    \"ModuleId\": \"9\"\n}"));
}

QTEST_GUILESS_MAIN(TestMessageCodec)
#include "tst_messagecodec.moc"

// The envelope reader against QJsonDocument: for hand-picked corner cases of JSON,
// every protocol sample, the fuzz corpus and random mutations of the samples, the
// reader must accept exactly the texts QJsonDocument accepts (within the depth limit)
// and read the same header and body out of them.
#include "ProtocolSamples.h"

#include "communication/EnvelopeReader.h"
#include "communication/JsonValues.h"
#include "communication/MessageCatalogue.h"
#include "communication/MessageCodec.h"
#include "communication/messages/Message_Data.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>
#include <QVersionNumber>

using namespace tessivar::communication;
using tessivar::test::ProtocolSamples;

namespace {

constexpr int kDepth = MessageCodec::kMaximumJsonDepth;

int depthOf(const QJsonValue& value)
{
    int inner = 0;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            inner = std::max(inner, depthOf(it.value()));
        return inner + 1;
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (const QJsonValue& element : array)
            inner = std::max(inner, depthOf(element));
        return inner + 1;
    }
    return 0;
}

quint32 decimal(const QJsonValue& value)
{
    bool ok = false;
    const uint number = value.toString().toUInt(&ok, 10);
    return ok ? number : 0;
}

// What an envelope holds, read once through QJsonDocument and once through the reader.
struct Reading {
    bool accepted = false;
    bool isObject = false;
    bool hasHeader = false;
    QString id;
    QString senderId;
    QString senderName;
    QVersionNumber senderVersion;
    int senderType = 0;
    quint32 sequenceId = 0;
    std::optional<quint32> responseTo;
    bool hasMessages = false;
    std::optional<QJsonObject> body;

    bool operator==(const Reading& other) const
    {
        return accepted == other.accepted && isObject == other.isObject && hasHeader == other.hasHeader
            && id == other.id && senderId == other.senderId && senderName == other.senderName
            && senderVersion == other.senderVersion && senderType == other.senderType
            && sequenceId == other.sequenceId && responseTo == other.responseTo && hasMessages == other.hasMessages
            && body == other.body;
    }
};

QByteArray describe(const Reading& reading)
{
    if (!reading.accepted)
        return "rejected";
    return QStringLiteral("object=%1 header=%2 id=[%3] sender=[%4|%5|%6|%7] seq=%8 resp=%9 messages=%10 body=%11")
        .arg(reading.isObject)
        .arg(reading.hasHeader)
        .arg(reading.id, reading.senderId, reading.senderName, reading.senderVersion.toString())
        .arg(reading.senderType)
        .arg(reading.sequenceId)
        .arg(reading.responseTo ? QString::number(*reading.responseTo) : QStringLiteral("-"))
        .arg(reading.hasMessages)
        .arg(reading.body ? QString::fromUtf8(QJsonDocument(*reading.body).toJson(QJsonDocument::Compact))
                          : QStringLiteral("-"))
        .toUtf8();
}

int typeOf(const QString& text)
{
    return text == QLatin1StringView("client") ? 1 : text == QLatin1StringView("server") ? 2 : 0;
}

Reading throughQJsonDocument(const QByteArray& text)
{
    Reading reading;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return reading;
    if (depthOf(document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array())) > kDepth)
        return reading;
    reading.accepted = true;
    reading.isObject = document.isObject();
    const QJsonObject envelope = document.object();
    const QJsonValue headerValue = envelope.value(QLatin1StringView("header.v1"));
    reading.hasHeader = !headerValue.isUndefined();
    const QJsonObject header = headerValue.toObject();
    reading.id = header.value(QLatin1StringView("MessageId")).toString();
    const QJsonObject sender = header.value(QLatin1StringView("Sender")).toObject();
    reading.senderId = sender.value(QLatin1StringView("Id")).toString();
    reading.senderName = sender.value(QLatin1StringView("Name")).toString();
    reading.senderVersion = QVersionNumber::fromString(sender.value(QLatin1StringView("Version")).toString());
    reading.senderType = typeOf(sender.value(QLatin1StringView("ApplicationType")).toString());
    reading.sequenceId = decimal(header.value(QLatin1StringView("SequenceId")));
    if (const QJsonValue response = header.value(QLatin1StringView("SequenceResponseId")); !response.isUndefined())
        reading.responseTo = decimal(response);
    const QJsonValue messages = envelope.value(QLatin1StringView("message.v1"));
    reading.hasMessages = !messages.isUndefined();
    if (const QJsonValue body = messages.toObject().value(reading.id); !body.isUndefined())
        reading.body = body.toObject();
    return reading;
}

Reading throughReader(const QByteArray& text)
{
    Reading reading;
    EnvelopeText envelope;
    QString error;
    if (!EnvelopeReader::Read(text, kDepth, envelope, error)) {
        if (error.isEmpty())
            qWarning("rejected without a reason");
        return reading;
    }
    reading.accepted = true;
    reading.isObject = envelope.isObject;
    reading.hasHeader = envelope.hasHeader;
    reading.id = envelope.messageId;
    if (envelope.sender) {
        const MessageSender_t sender = EnvelopeReader::ReadSender(text, *envelope.sender);
        reading.senderId = sender.id;
        reading.senderName = sender.name;
        reading.senderVersion = sender.softwareVersion;
        reading.senderType = static_cast<int>(sender.applicationType == tessivar::device::ApplicationType_e::Client ? 1
                                              : sender.applicationType == tessivar::device::ApplicationType_e::Server
                                                  ? 2
                                                  : 0);
    }
    reading.sequenceId = envelope.sequenceId;
    reading.responseTo = envelope.sequenceResponseId;
    reading.hasMessages = envelope.messages.has_value();
    if (const std::optional<TextSpan> body = EnvelopeReader::FindMessage(text, envelope, reading.id))
        reading.body = QJsonDocument::fromJson(text.mid(body->begin, body->end - body->begin)).object();
    return reading;
}

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

// Data bodies: members in both orders, escaped names, repeated and mistyped members.
QList<QByteArray> dataBodies()
{
    const QByteArray map = JsonValues::WriteMap({{QStringLiteral("Value"), 42}, {QStringLiteral("On"), true}})
                               .value(QLatin1StringView("MapData"))
                               .toString()
                               .toLatin1();
    const QByteArray data = R"({"-----TessivarCustomJsonType-----":"QVariantMap","MapData":")" + map + "\"}";
    const QList<QByteArray> bodies {
        R"({"ModuleData":)" + data + R"(,"ModuleId":"7"})",
        R"({"ModuleId":"7","ModuleData":)" + data + "}",
        R"({"Module\u0049d":"8","Module\u0044ata":{"Map\u0044ata":")" + map + "\"}}",
        R"({"ModuleData":{"MapData":")" + map + R"("},"ModuleData":{"MapData":"AAAA"},"ModuleId":"1"})",
        R"({"ModuleData":{"MapData":"AAAA"},"ModuleData":{"MapData":")" + map + R"("},"ModuleId":"1"})",
        R"({"ModuleData":{"MapData":")" + QByteArray(map).replace("/", "\\/") + R"("}})",
        R"({"ModuleData":{"MapData":12},"ModuleId":7})", R"({"ModuleData":{"MapData":"%%"}})",
        "{\"ModuleData\":{\"MapData\":\"AAAA\xc3\xa9\"}}",
        R"({"ModuleData":[1],"ModuleId":" 7"})", R"({"ModuleData":{},"ModuleId":"+7"})",
        R"({"ModuleId":"4294967296"})", R"({"ModuleId":"4294967295"})", R"({"ModuleId":"0000000000017"})",
        R"({"ModuleId":"\u0037"})", "{}", "[]", "3", "null", R"("text")",
    };
    return bodies;
}

} // namespace

class TestEnvelopeReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The data class catalogue the codec consults must know every message type.
        QCOMPARE(MessageCatalogue::TypeOfIdentifier(QStringLiteral("com.tessivar.ModuleData.1")), MessageType_e::Data);
    }

    void readsAsQJsonDocument_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray sample = ProtocolSamples::All().first().envelope;
        const QList<QByteArray> corners {
            "", " ", "\xef\xbb\xbf", "\xef\xbb\xbf{}", "{}", "[]", "[1,2]", "\"s\"", "3", "null", "{} x", "{},", "{}\n",
            QByteArray("{}\0", 3), "{,}", R"({"a":1,})", R"({"a":[1,]})", R"({"a" :1 , "b":[ ] })", "{\"a\"\t:\r1}",
            R"({"a":1,"a":2})", R"({"a":01})", R"({"a":-0})", R"({"a":1.})", R"({"a":.5})", R"({"a":-.5})",
            R"({"a":-})", R"({"a":-.e1})", R"({"a":1e})", R"({"a":+1})", R"({"a":1E+2})", R"({"a":1.e5})",
            R"({"a":1e400})", R"({"a":1e-400})", R"({"a":1e308})", R"({"a":123456789012345678901234567890})",
            R"({"a":tru})", R"({"a":nul})", R"({"a":true,"b":false,"c":null})", R"({"a":"x\u0001y"})",
            "{\"a\":\"x\x01y\"}", "{\"a\":\"\x7f\"}", R"({"a":"\ud800"})", R"({"a":"\udc00\ud800"})",
            R"({"a":"\uD83D\uDE00"})", R"({"a":"\x"})", R"({"a":"\U0041"})", R"({"a":"\u12"})", R"({"a":"\/"})",
            R"({"a":"\"})", "{\"a\":\"\\\xc3\xa9\"}", "{\"a\":\"\xc3\x28\"}", "{\"a\":\"\xed\xa0\x80\"}",
            "{\"a\":\"\xf4\x90\x80\x80\"}", "{\"a\":\"\xc0\xaf\"}", "{\"a\":\"\xef\xbf\xbe\"}", "{\"a\":\"\xf4\x8f\xbf\xbf\"}",
            "{\"a\":\"\xe0\x80\x80\"}", "{\"a\":\"\xc3\"}", QByteArray("{\"a\0\":1}", 8),
            // Envelopes: escaped names, repeated and mistyped members.
            R"({"header\u002ev1":{"Message\u0049d":"a\u00e9"},"message.v1":{"a\u00e9":{"x":1}}})",
            R"({"header.v1":{"MessageId":"m"},"message.v1":{"m":{"x":1},"m":{"x":2}}})",
            R"({"header.v1":{"MessageId":"m"},"header.v1":{"SequenceId":"3"},"message.v1":{"":{}}})",
            R"({"header.v1":{"MessageId":5,"Sender":[1],"SequenceId":true,"SequenceResponseId":null}})",
            R"({"header.v1":{"SequenceId":" 17","SequenceResponseId":"+4"}})",
            R"({"header.v1":{"SequenceId":"4294967296","SequenceResponseId":"4294967295"}})",
            R"({"header.v1":{"Sender":{"Id":"a","Id":"b","Version":"1.2.3-x","ApplicationType":"server"}}})",
            R"({"header.v1":{"MessageId":"m","Sender":{"Name":"T\u00e4blet \ud83d\ude00"}},"message.v1":{"m":[1]}})",
            R"({"header.v1":12,"message.v1":{"":{"x":1}}})", R"({"message.v1":{"m":{}}})",
            R"([{"header.v1":{}}])", R"({"header.v1":{},"message.v1":[1]})",
            "{\"header.v1\":{\"MessageId\":\"m\"},\"message.v1\":{\"m\":" + nested(kDepth - 2) + "}}",
            "{\"header.v1\":{\"MessageId\":\"m\"},\"message.v1\":{\"m\":" + nested(kDepth - 1) + "}}",
            nested(kDepth), nested(kDepth + 1), nested(5000),
            sample, sample.chopped(1), sample + "x", " \r\n\t" + sample + " \r\n\t",
        };
        int row = 0;
        for (const QByteArray& text : corners)
            QTest::addRow("corner %d", row++) << text;
        for (const auto& protocolSample : ProtocolSamples::All())
            QTest::addRow("sample %s", qPrintable(protocolSample.wireIdentifier)) << protocolSample.envelope;

        const QDir corpus(QStringLiteral(TESSIVAR_FUZZ_CORPUS));
        for (const QString& name : corpus.entryList(QDir::Files)) {
            QFile file(corpus.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                QTest::addRow("corpus %s", qPrintable(name)) << file.readAll();
        }

        // Random edits of every sample, with the characters JSON turns on.
        QRandomGenerator random(2026);
        const QByteArray alphabet = QByteArray("{}[]\",:\\ u0123456789.eE+-tfnlx") + "\x80\xbf\xc3\xed\xf4\xff";
        const QList<tessivar::test::ProtocolSample> samples = ProtocolSamples::All();
        for (int i = 0; i < 3000; ++i) {
            QByteArray text = samples.at(random.bounded(int(samples.size()))).envelope;
            const int edits = 1 + random.bounded(3);
            for (int edit = 0; edit < edits; ++edit) {
                const int at = random.bounded(int(text.size()));
                const char c = alphabet.at(random.bounded(int(alphabet.size())));
                switch (random.bounded(3)) {
                case 0: text[at] = c; break;
                case 1: text.insert(at, c); break;
                default: text.remove(at, 1);
                }
            }
            QTest::addRow("mutation %d", i) << text;
        }
    }

    void readsAsQJsonDocument()
    {
        QFETCH(QByteArray, text);
        const Reading expected = throughQJsonDocument(text);
        const Reading read = throughReader(text);
        if (!(read == expected))
            QFAIL(qPrintable("reader: " + describe(read) + "\nQJsonDocument: " + describe(expected)));
    }

    // Data messages skip QJsonDocument: their block id, their map and the warnings about
    // a bad map must be what the QJsonObject reading gives.
    void dataBodiesReadAsThroughQJsonDocument_data()
    {
        QTest::addColumn<QByteArray>("body");
        const QList<QByteArray> bodies = dataBodies();
        int row = 0;
        for (const QByteArray& body : bodies)
            QTest::addRow("body %d", row++) << body;
        QRandomGenerator random(7);
        const QByteArray alphabet = QByteArray("{}[]\",:\\ u0123456789AQ=/+eE-") + "\xc3\xa9";
        for (int i = 0; i < 1000; ++i) {
            QByteArray body = bodies.at(random.bounded(3));
            const int at = random.bounded(int(body.size()));
            const char c = alphabet.at(random.bounded(int(alphabet.size())));
            switch (random.bounded(3)) {
            case 0: body[at] = c; break;
            case 1: body.insert(at, c); break;
            default: body.remove(at, 1);
            }
            QTest::addRow("mutation %d", i) << body;
        }
    }

    void dataBodiesReadAsThroughQJsonDocument()
    {
        QFETCH(QByteArray, body);
        const QByteArray envelope = ProtocolSamples::Envelope(QStringLiteral("com.tessivar.ModuleData.1"), body);
        const MessageCodec codec;
        QStringList directWarnings;
        QStringList documentWarnings;
        static QStringList* capture = nullptr;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) { capture->append(message); });
        capture = &directWarnings;
        auto direct = codec.ParseMessage(envelope);
        capture = &documentWarnings;
        auto parsed = codec.Parse(envelope);
        std::optional<std::unique_ptr<IMessage>> created;
        if (parsed)
            created = codec.CreateMessage(parsed->second, parsed->first.id);
        qInstallMessageHandler(previous);

        QCOMPARE(directWarnings, documentWarnings);
        QCOMPARE(bool(direct), bool(parsed));
        if (!direct)
            return;
        QVERIFY(direct->second && created && *created);
        const auto& fast = static_cast<const Message_Data&>(*direct->second);
        const auto& slow = static_cast<const Message_Data&>(**created);
        QCOMPARE(fast.GetBlockId(), slow.GetBlockId());
        QCOMPARE(fast.GetData(), slow.GetData());
    }

    // The codec reuses the sender read from the last message; a changed sender must
    // be read again, even when only a byte differs.
    void changedSenderIsReadAgain()
    {
        const MessageCodec codec;
        const QByteArray first = ProtocolSamples::All().first().envelope;
        const auto one = codec.Parse(first);
        QByteArray renamed = first;
        renamed.replace(ProtocolSamples::Sender().name.toUtf8(), ProtocolSamples::Sender().name.toUtf8() + "2");
        const auto two = codec.Parse(renamed);
        QVERIFY(one && two);
        QCOMPARE(one->first.sender, ProtocolSamples::Sender());
        QCOMPARE(two->first.sender.name, ProtocolSamples::Sender().name + "2");
        QCOMPARE(codec.Parse(first)->first.sender, ProtocolSamples::Sender());
    }
};

QTEST_GUILESS_MAIN(TestEnvelopeReader)
#include "tst_envelopereader.moc"

// Messages per second to serialise and to parse (envelope, header, typed message) a
// Hello, a Data with a 10-entry map and a FileTransfer with a 100000-byte chunk, each
// beside a bare QJsonDocument round trip (parse, then write compact) of the same text.
//   bench_protocol [minimum milliseconds per batch, default 200]
#include "communication/MessageCodec.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_Hello.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTextStream>
#include <algorithm>
#include <functional>

using namespace tessivar::communication;

namespace {

constexpr int kRounds = 7; // best of seven: the machine is shared

const MessageSender_t kSender {QStringLiteral("0123456789abcdef0123456789abcdef"), QStringLiteral("Desk"),
    QVersionNumber(1, 5, 1), tessivar::device::Server};

using Step = std::function<bool()>;

// Number of calls of `step` that last at least `minimumMs`.
qint64 calibrate(const Step& step, qint64 minimumMs)
{
    for (qint64 batch = 1;; batch *= 2) {
        QElapsedTimer clock;
        clock.start();
        for (qint64 i = 0; i < batch; ++i) {
            if (!step())
                qFatal("benchmark step failed");
        }
        if (clock.elapsed() >= minimumMs)
            return batch;
    }
}

// Calls per second of each step, best of kRounds. The steps take turns within each round
// so that a load that comes and goes on the machine weighs on all of them alike.
QList<double> rates(const QList<Step>& steps, qint64 minimumMs)
{
    QList<qint64> batches;
    for (const Step& step : steps)
        batches.append(calibrate(step, minimumMs));
    QList<double> best(steps.size(), 0.0);
    for (int round = 0; round < kRounds; ++round) {
        for (qsizetype s = 0; s < steps.size(); ++s) {
            QElapsedTimer clock;
            clock.start();
            for (qint64 i = 0; i < batches[s]; ++i)
                steps[s]();
            best[s] = std::max(best[s], double(batches[s]) * 1e9 / double(clock.nsecsElapsed()));
        }
    }
    return best;
}

QVariantMap tenEntries()
{
    return QVariantMap {{"Text", QStringLiteral("Formatted text of a block")}, {"Counter", 42}, {"Ratio", 0.75},
        {"Enabled", true}, {"Colour", QStringLiteral("#ff8800")},
        {"Time", QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC)}, {"Names", QStringList {"one", "two", "three"}},
        {"Bytes", QByteArray(64, 'x')}, {"Big", Q_INT64_C(1) << 40},
        {"Nested", QVariantMap {{"Inner", 1}, {"Other", QStringLiteral("x")}}}};
}

QByteArray chunk()
{
    QByteArray data(100000, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 131) >> 3);
    return data;
}

void measure(QTextStream& out, const QString& name, const IMessage& message, qint64 minimumMs)
{
    const MessageCodec codec;
    const QByteArray text = *codec.Serialize(message, 1, std::nullopt, kSender);
    const QList<double> measured
        = rates({
                    [&] { return codec.Serialize(message, 1, std::nullopt, kSender).has_value(); },
                    [&] {
                        auto parsed = codec.Parse(text);
                        return parsed && codec.CreateMessage(parsed->second, parsed->first.id).has_value();
                    },
                    [&] { return !QJsonDocument::fromJson(text).toJson(QJsonDocument::Compact).isEmpty(); },
                },
            minimumMs);
    const double serialise = measured[0];
    const double parse = measured[1];
    const double bare = measured[2];
    out << QStringLiteral("%1 (%2 bytes): serialise %3 msg/s, parse %4 msg/s, bare QJsonDocument round trip %5 msg/s;"
                          " ratio serialise/bare %6, parse/bare %7\n")
               .arg(name)
               .arg(text.size())
               .arg(serialise, 0, 'f', 0)
               .arg(parse, 0, 'f', 0)
               .arg(bare, 0, 'f', 0)
               .arg(serialise / bare, 0, 'f', 2)
               .arg(parse / bare, 0, 'f', 2);
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 minimumMs = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    QTextStream out(stdout);
    measure(out, QStringLiteral("Hello"), Message_Hello(QStringLiteral("0123456789abcdef0123456789abcdef")), minimumMs);
    measure(out, QStringLiteral("Data, 10-entry map"), Message_Data(42, tenEntries()), minimumMs);
    FileTransferMetaData_t metaData;
    metaData.status = 1;
    metaData.requestType = FileTransferRequestType_e::DataClassFiles;
    metaData.name = QStringLiteral("Clock.qml");
    metaData.size = 100000;
    metaData.transferredBytes = 100000;
    metaData.count = 1;
    metaData.index = 1;
    measure(out, QStringLiteral("FileTransfer, 100000-byte chunk"), Message_FileTransfer(metaData, chunk()), minimumMs);
    return 0;
}

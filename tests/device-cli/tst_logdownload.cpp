#include "LogDownload.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using tessivar::devicecli::LogDownload;
using Step = LogDownload::Step;

namespace {

FileTransferMetaData_t step(quint16 status, const QString& name, const QByteArray& content, int index = 1,
                            int count = 1)
{
    FileTransferMetaData_t metaData;
    metaData.status = status;
    metaData.requestType = FileTransferRequestType_e::LogFiles;
    metaData.name = name;
    metaData.size = static_cast<quint32>(content.size());
    metaData.crc = tessivar::checksum(content);
    metaData.index = index;
    metaData.count = count;
    return metaData;
}

} // namespace

Q_DECLARE_METATYPE(Step)

// The receiving side of the server's log transfer, fed the steps the server sends.
class TestLogDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesEveryFileAndEndsWithTheLast()
    {
        QTemporaryDir dir;
        LogDownload download(dir.filePath(QStringLiteral("logs")));
        QVERIFY(download.prepare());
        const QByteArray first(150000, 'a');
        const QByteArray second; // an empty file has no data step
        QCOMPARE(download.receive(step(0, "a.txt", first, 1, 2), {}), Step::Acknowledge);
        QCOMPARE(download.receive(step(1, "a.txt", first, 1, 2), first.left(100000)), Step::Acknowledge);
        QCOMPARE(download.receive(step(1, "a.txt", first, 1, 2), first.mid(100000)), Step::Acknowledge);
        QCOMPARE(download.receive(step(2, "a.txt", first, 1, 2), {}), Step::Acknowledge);
        QCOMPARE(download.receive(step(0, "b.txt", second, 2, 2), {}), Step::Acknowledge);
        QCOMPARE(download.receive(step(2, "b.txt", second, 2, 2), {}), Step::Done);
        QFile a(dir.filePath(QStringLiteral("logs/a.txt")));
        QVERIFY(a.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), first);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("logs/b.txt"))));
        QCOMPARE(download.writtenFiles().size(), 2);
    }

    void refusesWhatWouldHarm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("announcedSize");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("error");
        QTest::newRow("climbs out") << "../outside.txt" << 3u << QByteArray("abc") << false << "with the name";
        QTest::newRow("names a folder") << ".." << 3u << QByteArray("abc") << false << "with the name";
        QTest::newRow("too large") << "big.txt" << LogDownload::kMaximumFileSize + 1 << QByteArray() << false
                                   << "announced";
        QTest::newRow("more than announced") << "a.txt" << 2u << QByteArray("abc") << false << "more than";
        QTest::newRow("damaged") << "a.txt" << 3u << QByteArray("abc") << true << "damaged";
    }

    void refusesWhatWouldHarm()
    {
        QFETCH(QString, name);
        QFETCH(quint32, announcedSize);
        QFETCH(QByteArray, chunk);
        QFETCH(bool, damaged);
        QFETCH(QString, error);
        QTemporaryDir dir;
        LogDownload download(dir.filePath(QStringLiteral("logs")));
        QVERIFY(download.prepare());
        FileTransferMetaData_t metaData = step(0, name, chunk);
        metaData.size = announcedSize;
        if (damaged)
            metaData.crc ^= 1;
        Step result = download.receive(metaData, {});
        if (result == Step::Acknowledge) {
            metaData.status = 1;
            result = download.receive(metaData, chunk);
        }
        if (result == Step::Acknowledge) {
            metaData.status = 2;
            result = download.receive(metaData, {});
        }
        QCOMPARE(result, Step::Failed);
        QVERIFY2(download.errorString().contains(error), qPrintable(download.errorString()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
        QVERIFY(download.writtenFiles().isEmpty());
    }

    void ignoresOtherTransfersAndDataBeforeStart()
    {
        QTemporaryDir dir;
        LogDownload download(dir.path());
        FileTransferMetaData_t settings = step(0, "config", "x");
        settings.requestType = FileTransferRequestType_e::SettingsFile;
        QCOMPARE(download.receive(settings, {}), Step::Ignored);
        QCOMPARE(download.receive(step(1, "a.txt", "x"), "x"), Step::Failed);
    }
};

QTEST_GUILESS_MAIN(TestLogDownload)
#include "tst_logdownload.moc"

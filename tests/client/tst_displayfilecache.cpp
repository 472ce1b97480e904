#include "DisplayFileCache.h"

#include "core/Checksum.h"
#include "support/Streamed.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using tessivar::client::DisplayFileCache;

namespace {

const QString kClass = QStringLiteral("com.tessivar.plugin.misc.text");
const QByteArray kWidget = QByteArrayLiteral("import QtQuick\nItem {}\n");

QByteArray classData(const QString& classId)
{
    return tessivar::test::streamed(classId);
}

FileTransferMetaData_t step(quint16 status, const QString& name, const QByteArray& content, quint16 crc)
{
    FileTransferMetaData_t metaData;
    metaData.status = status;
    metaData.requestType = FileTransferRequestType_e::DataClassFiles;
    metaData.name = name;
    metaData.size = static_cast<quint32>(content.size());
    metaData.crc = crc;
    metaData.count = 1;
    metaData.index = 1;
    metaData.transferData = classData(kClass);
    return metaData;
}

ModuleDataClassInfo_t catalogueEntry()
{
    return {kClass, {{QStringLiteral("DataWidget.qml"), tessivar::checksum(kWidget)}}};
}

} // namespace

// The files of a data class as the server's transfer delivers them: kept only when whole,
// listed by the catalogue and safely named; a kept class needs no second transfer.
class TestDisplayFileCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsWhatArrivesWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("crcOffset");
        QTest::addColumn<bool>("kept");
        QTest::newRow("whole") << "DataWidget.qml" << kWidget << 0 << true;
        QTest::newRow("damaged") << "DataWidget.qml" << kWidget << 1 << false;
        QTest::newRow("not in the catalogue") << "Other.qml" << kWidget << 0 << false;
        QTest::newRow("climbs out") << "../DataWidget.qml" << kWidget << 0 << false;
    }

    void keepsWhatArrivesWhole()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, sent);
        QFETCH(int, crcOffset);
        QFETCH(bool, kept);
        QTemporaryDir root;
        DisplayFileCache cache(root.path());
        cache.expect(catalogueEntry());
        QVERIFY(!cache.isComplete(catalogueEntry()));
        const quint16 crc = static_cast<quint16>(tessivar::checksum(sent) + crcOffset);
        const auto start = cache.receive(step(0, name, sent, crc), {});
        if (start == DisplayFileCache::Step::Acknowledge) {
            QCOMPARE(cache.receive(step(1, name, sent, crc), sent), DisplayFileCache::Step::Acknowledge);
            const auto end = cache.receive(step(2, name, sent, crc), {});
            QCOMPARE(end, kept ? DisplayFileCache::Step::Done : DisplayFileCache::Step::Failed);
        } else {
            QCOMPARE(start, DisplayFileCache::Step::Failed);
        }
        QCOMPARE(cache.isComplete(catalogueEntry()), kept);
        if (!kept)
            QVERIFY(!cache.errorString().isEmpty());
        // What was kept serves a fresh start without any transfer.
        DisplayFileCache restarted(root.path());
        QCOMPARE(restarted.widgetUrl(catalogueEntry()).isEmpty(), !kept);
    }

    void refusesOversizedAnnouncements()
    {
        QTemporaryDir root;
        DisplayFileCache cache(root.path());
        FileTransferMetaData_t start = step(0, QStringLiteral("DataWidget.qml"), kWidget, 0);
        start.size = DisplayFileCache::kMaximumFileSize + 1;
        QCOMPARE(cache.receive(start, {}), DisplayFileCache::Step::Failed);
        FileTransferMetaData_t logs = start;
        logs.requestType = FileTransferRequestType_e::LogFiles;
        QCOMPARE(cache.receive(logs, {}), DisplayFileCache::Step::Ignored);
    }
};

QTEST_GUILESS_MAIN(TestDisplayFileCache)
#include "tst_displayfilecache.moc"

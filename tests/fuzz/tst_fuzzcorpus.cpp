// Replays the fuzz seed corpus through the fuzz entry point, so that every build (also
// without libFuzzer) keeps the hostile inputs found so far as regression tests.

#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        LLVMFuzzerInitialize(nullptr, nullptr);
    }

    void replay_data()
    {
        QTest::addColumn<QString>("path");
        QDirIterator it(QStringLiteral(TESSIVAR_FUZZ_CORPUS), QDir::Files);
        int count = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            QTest::newRow(qPrintable(it.fileName())) << path;
            ++count;
        }
        QVERIFY2(count > 0, "the seed corpus is empty");
    }

    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"

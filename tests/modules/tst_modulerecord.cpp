#include "ModuleTestSupport.h"

#include "modules/ModuleRecord.h"
#include "support/TestWorkingFolder.h"

#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace tessivar::test;

namespace {

const QDateTime kLongAgo = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

// The checksum as another program would compute it from the documented field order.
quint16 expectedCrc(BlockId_t id, const QStringList& strings, const QList<int>& profiles, const QUrl& widget,
                    const QRectF& geometry, int z, const QString& description, const QVariantMap& clientData,
                    const QVariantMap& clientParameters, const QVariantMap& localParameters)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << qint32(id);
    for (const QString& text : strings)
        out << text;
    out << profiles << widget << geometry << qint32(z) << description << clientData << clientParameters
        << localParameters;
    return qChecksum(bytes, Qt::ChecksumIso3309);
}

ModuleRecord sampleRecord()
{
    ModuleRecord record;
    record.SetPluginId("com.tessivar.test");
    record.SetModuleId("com.tessivar.test.echo");
    record.SetModuleDataClass("com.tessivar.test.echo");
    record.SetDeviceId("0123456789abcdef0123456789abcdef");
    record.SetProfiles({1, 3});
    record.SetDataWidget(QUrl("EchoData.qml"));
    record.SetGeometry(QRectF(1, 2, 30, 40));
    record.SetZ(5);
    record.SetDescription("Echo");
    record.SetClientParameter("Text", "hello");
    record.SetClientParameter("TessivarModuleTitleColor", QColor(Qt::black));
    record.SetClientParameter("Nested", QVariantMap{{"Inner", 1}, {"Deeper", QVariantMap{{"Leaf", "x"}}}});
    record.SetLocalParameter("Path", "/usr/bin/true");
    return record;
}

QString modulesPath(const QString& relative = {})
{
    return QDir::currentPath() + "/modules/" + relative;
}

} // namespace

class TestModuleRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultRecord();
    void unstoredRecordWritesNothing();
    void confirmedBlockIsWrittenInTheDocumentedLayout();
    void folderWrittenByAnotherProgramLoads();
    void clientParameterChangeRewritesOnlyItsFileAndCrc();
    void sameValueWritesNothing();
    void replacedMapLosesRemovedEntries();
    void valueMayTurnIntoMapAndBack();
    void unsafeKeysAreStoredUnderSafeNames();
    void windowsUnsafeKeysGetSafeNames_data();
    void windowsUnsafeKeysGetSafeNames();
    void keysDifferingInCaseNeverShareAFile();
    void failedWriteIsLogged();
    void blocksSharingAnIdGetTheirOwnFolders();
    void interruptedUpdateStillLoads();
    void interruptedMapReplacementLeavesOneWholeVersion();
    void damagedFilesLeaveDefaults();
    void folderNotNamedByANumberIsInvalid();
    void removeDeletesOnlyItsOwnFolder();
    void changingTheIdMovesTheBlock();
};

void TestModuleRecord::defaultRecord()
{
    const ModuleRecord record;
    QCOMPARE(record.GetBlockId(), 0u);
    QVERIFY(record.GetPluginId().isEmpty());
    QVERIFY(record.GetProfiles().isEmpty());
    QVERIFY(record.GetDataWidget().isEmpty());
    QCOMPARE(record.GetGeometry(), QRectF(0, 0, 0, 0));
    QCOMPARE(record.GetZ(), 0);
    QVERIFY(record.GetClientParameters().isEmpty());
    QVERIFY(record.IsValid());
    QVERIFY(record.GetFolder().isRelative());
    QVERIFY(!record.IsStored());
}

void TestModuleRecord::unstoredRecordWritesNothing()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetClientParameter("Text", "changed");
    QCOMPARE(record.GetClientParameters().value("Text"), QVariant("changed"));
    record.Remove();
    QVERIFY(!QDir(modulesPath()).exists());
}

void TestModuleRecord::confirmedBlockIsWrittenInTheDocumentedLayout()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(12);

    QVERIFY(record.IsStored());
    QCOMPARE(record.GetFolder().absolutePath(), QDir(modulesPath("12")).absolutePath());
    const QString block = modulesPath("12/");
    QCOMPARE(filesBelow(block),
             QStringList({"ClientParameters/Nested/Deeper/Leaf", "ClientParameters/Nested/Inner",
                          "ClientParameters/TessivarModuleTitleColor", "ClientParameters/Text", "DataWidget",
                          "Description", "DeviceId", "Geometry", "LocalParameters/Path", "ModuleDataClass", "ModuleId",
                          "PluginId", "Profiles", "Z", "crc"}));
    // Empty maps leave no folder.
    QVERIFY(!QFileInfo::exists(block + "ClientData"));

    QCOMPARE(readStoredValue(block + "PluginId"), QVariant("com.tessivar.test"));
    QCOMPARE(readStoredValue(block + "DeviceId"), QVariant("0123456789abcdef0123456789abcdef"));
    QCOMPARE(readStoredValue(block + "Profiles"), QVariant::fromValue(QList<int>{1, 3}));
    QCOMPARE(readStoredValue(block + "DataWidget"), QVariant(QUrl("EchoData.qml")));
    QCOMPARE(readStoredValue(block + "Geometry"), QVariant(QRectF(1, 2, 30, 40)));
    QCOMPARE(readStoredValue(block + "Z"), QVariant(5));
    QCOMPARE(readStoredValue(block + "ClientParameters/Text"), QVariant("hello"));
    QCOMPARE(readStoredValue(block + "ClientParameters/TessivarModuleTitleColor"), QVariant(QColor(Qt::black)));
    QCOMPARE(readStoredValue(block + "ClientParameters/Nested/Deeper/Leaf"), QVariant("x"));

    const QVariant crc = readStoredValue(block + "crc");
    QCOMPARE(crc.metaType(), QMetaType::fromType<ushort>());
    const quint16 expected = expectedCrc(
        12,
        {"com.tessivar.test", "com.tessivar.test.echo", "com.tessivar.test.echo", "0123456789abcdef0123456789abcdef"},
        {1, 3}, QUrl("EchoData.qml"), QRectF(1, 2, 30, 40), 5, "Echo", {}, record.GetClientParameters(),
        record.GetLocalParameters());
    QCOMPARE(crc.value<ushort>(), expected);
    QCOMPARE(record.ComputeCrc(), expected);

    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(block);
    QCOMPARE(loaded.GetBlockId(), 12u);
    QCOMPARE(loaded.GetClientParameters(), record.GetClientParameters());
    QCOMPARE(loaded.GetLocalParameters(), record.GetLocalParameters());
    QCOMPARE(loaded.GetGeometry(), record.GetGeometry());
    QCOMPARE(loaded.GetProfiles(), record.GetProfiles());
    QVERIFY(loaded.GetClientData().isEmpty());
    QCOMPARE(loaded.ComputeCrc(), expected);
}

void TestModuleRecord::folderWrittenByAnotherProgramLoads()
{
    TestWorkingFolder folder;
    const QString block = modulesPath("40/");
    QVERIFY(QDir().mkpath(block + "ClientData"));
    QVERIFY(writeStoredValue(block + "PluginId", QString("p")));
    QVERIFY(writeStoredValue(block + "ModuleId", QString("m")));
    QVERIFY(writeStoredValue(block + "Z", 9));
    QVERIFY(writeStoredValue(block + "ClientData/Value", 17));
    const QVariantMap clientData{{"Value", 17}};
    // Keys without a file keep their defaults (null strings) in the checksum.
    const quint16 crc
        = expectedCrc(40, {"p", "m", QString(), QString()}, {}, QUrl(), QRectF(), 9, QString(), clientData, {}, {});
    QVERIFY(writeStoredValue(block + "crc", QVariant::fromValue<ushort>(crc)));

    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord record(block);
    QVERIFY(record.IsValid());
    QCOMPARE(record.GetBlockId(), 40u);
    QCOMPARE(record.GetPluginId(), "p");
    QCOMPARE(record.GetZ(), 9);
    QCOMPARE(record.GetClientData(), clientData);
    QVERIFY(record.IsStored());
}

void TestModuleRecord::clientParameterChangeRewritesOnlyItsFileAndCrc()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(3);
    ageFiles(modulesPath("3"), kLongAgo);

    record.SetClientParameter("Text", "changed");

    QCOMPARE(filesChangedSince(modulesPath("3"), kLongAgo), QStringList({"ClientParameters/Text", "crc"}));
    QCOMPARE(readStoredValue(modulesPath("3/ClientParameters/Text")), QVariant("changed"));
    QCOMPARE(readStoredValue(modulesPath("3/crc")).value<ushort>(), record.ComputeCrc());

    // A new entry adds its file and leaves the others.
    ageFiles(modulesPath("3"), kLongAgo);
    record.SetLocalParameter("Arguments", QStringList{"-v"});
    QCOMPARE(filesChangedSince(modulesPath("3"), kLongAgo), QStringList({"LocalParameters/Arguments", "crc"}));

    ageFiles(modulesPath("3"), kLongAgo);
    record.SetGeometry(QRectF(0, 0, 1, 1));
    QCOMPARE(filesChangedSince(modulesPath("3"), kLongAgo), QStringList({"Geometry", "crc"}));

    // The checksum is written over in place only where it is a plain file of its size: a
    // link is replaced (what it points to stays as it was), a damaged file replaced whole.
    const QString crcPath = modulesPath("3/crc");
    const QString outside = QDir::current().filePath("outside");
    QVERIFY(writeStoredValue(outside, QVariant::fromValue<ushort>(1)));
    QVERIFY(QFile::remove(crcPath) && QFile::link(outside, crcPath));
    record.SetClientParameter("Text", "through a link");
    QVERIFY(!QFileInfo(crcPath).isSymLink());
    QCOMPARE(readStoredValue(outside).value<ushort>(), ushort(1));
    QCOMPARE(readStoredValue(crcPath).value<ushort>(), record.ComputeCrc());
    const qint64 crcSize = QFileInfo(crcPath).size();
    {
        QFile damaged(crcPath);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(64, '\xff'));
    }
    record.SetClientParameter("Text", "after damage");
    QCOMPARE(QFileInfo(crcPath).size(), crcSize);
    QCOMPARE(readStoredValue(crcPath).value<ushort>(), record.ComputeCrc());
}

void TestModuleRecord::sameValueWritesNothing()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(3);
    ageFiles(modulesPath("3"), kLongAgo);

    record.SetClientParameter("Text", "hello");
    record.SetDescription("Echo");
    record.SetClientParameters(record.GetClientParameters());
    record.SetBlockId(3);

    QVERIFY(filesChangedSince(modulesPath("3"), kLongAgo).isEmpty());
}

void TestModuleRecord::replacedMapLosesRemovedEntries()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetClientData({{"A", 1}, {"B", 2}});
    record.SetBlockId(8);
    QVERIFY(QFileInfo::exists(modulesPath("8/ClientData/B")));

    record.SetClientData({{"A", 1}});
    record.SetClientParameters({{"Text", "only"}, {"Nested", QVariantMap{{"Inner", 2}}}});
    QVERIFY(!QFileInfo::exists(modulesPath("8/ClientData/B")));
    QVERIFY(!QFileInfo::exists(modulesPath("8/ClientParameters/TessivarModuleTitleColor")));
    QVERIFY(!QFileInfo::exists(modulesPath("8/ClientParameters/Nested/Deeper")));

    record.SetLocalParameters({});
    QVERIFY(!QFileInfo::exists(modulesPath("8/LocalParameters")));

    // What is on disk is what is in memory: nothing comes back at the next start.
    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(modulesPath("8"));
    QCOMPARE(loaded.GetClientData(), record.GetClientData());
    QCOMPARE(loaded.GetClientParameters(), record.GetClientParameters());
    QVERIFY(loaded.GetLocalParameters().isEmpty());
}

void TestModuleRecord::valueMayTurnIntoMapAndBack()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(9);
    record.SetClientParameter("Text", QVariantMap{{"Part", 1}});
    QVERIFY(QFileInfo(modulesPath("9/ClientParameters/Text")).isDir());
    record.SetClientParameter("Nested", 4);
    QVERIFY(QFileInfo(modulesPath("9/ClientParameters/Nested")).isFile());

    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(modulesPath("9"));
    QCOMPARE(loaded.GetClientParameters(), record.GetClientParameters());
}

void TestModuleRecord::unsafeKeysAreStoredUnderSafeNames()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(10);
    const QVariantMap tricky{{"../../escape", 1}, {"a/b", 2}, {"..", 3}, {"100%", 4}, {"C:\\x", 5}};
    record.SetClientData(tricky);

    // Nothing lands outside the block's own map folder.
    QCOMPARE(QDir(modulesPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"10"});
    QCOMPARE(QDir(modulesPath("10/ClientData")).entryList(QDir::Files | QDir::Hidden).size(), 5);

    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(modulesPath("10"));
    QCOMPARE(loaded.GetClientData(), tricky);
}

// Windows is the first target: no key may name a device or lose its trailing dots and
// spaces there; keys that were safe keep the names they were stored under.
void TestModuleRecord::windowsUnsafeKeysGetSafeNames_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("safe") << "TessivarModuleTitleSize"
                          << "TessivarModuleTitleSize";
    QTest::newRow("safe with a dot") << "notes.txt"
                                     << "notes.txt";
    QTest::newRow("CON") << "CON"
                         << "%43%4F%4E";
    QTest::newRow("con with extension") << "con.txt"
                                        << "%63%6F%6E.txt";
    QTest::newRow("PRN") << "PRN"
                         << "%50%52%4E";
    QTest::newRow("Aux, two extensions") << "Aux.tar.gz"
                                         << "%41%75%78.tar.gz";
    QTest::newRow("nul and a space") << "nul .x"
                                     << "%6E%75%6C%20.x";
    QTest::newRow("COM1") << "COM1"
                          << "%43%4F%4D%31";
    QTest::newRow("com9.log") << "com9.log"
                              << "%63%6F%6D%39.log";
    QTest::newRow("LPT1") << "LPT1"
                          << "%4C%50%54%31";
    QTest::newRow("lpt9.json") << "lpt9.json"
                               << "%6C%70%74%39.json";
    QTest::newRow("COM10 is no device") << "COM10"
                                        << "COM10";
    QTest::newRow("CONSOLE is no device") << "CONSOLE"
                                          << "CONSOLE";
    QTest::newRow("trailing dot") << "name."
                                  << "name%2E";
    QTest::newRow("trailing dots and spaces") << "name. ."
                                              << "name%2E%20%2E";
    QTest::newRow("inner dots stay") << "a.b c"
                                     << "a.b c";
}

void TestModuleRecord::windowsUnsafeKeysGetSafeNames()
{
    QFETCH(QString, key);
    QFETCH(QString, fileName);
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(10);
    record.SetClientData({{key, 42}});
    QCOMPARE(QDir(modulesPath("10/ClientData")).entryList(QDir::Files), QStringList{fileName});
    QCOMPARE(readStoredValue(modulesPath("10/ClientData/") + fileName), QVariant(42));
    QCOMPARE(ModuleRecord(modulesPath("10")).GetClientData(), (QVariantMap{{key, 42}}));
}

// NTFS folds case: keys that differ only in case get names that differ in more than
// case, written whole or one by one, and read back each with its own value.
void TestModuleRecord::keysDifferingInCaseNeverShareAFile()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(10);
    record.SetClientParameter("Text", "capital");
    QCOMPARE(QDir(modulesPath("10/ClientParameters")).entryList(QDir::Files).contains("Text"), true);
    record.SetClientParameter("text", "small");
    const QVariantMap together{{"Text", 1},  {"text", 2},  {"TEXT", 3},  {"con", 4},  {"CON", 5},
                               {"Émile", 6}, {"émile", 7}, {"name.", 8}, {"NAME.", 9}};
    record.SetClientData(together);

    for (const char* map : {"10/ClientParameters", "10/ClientData"}) {
        const QStringList names = QDir(modulesPath(map)).entryList(QDir::Files);
        QSet<QString> folded;
        for (const QString& name : names)
            folded.insert(name.toCaseFolded());
        QCOMPARE(folded.size(), names.size());
    }
    QVERIFY(QDir(modulesPath("10/ClientParameters")).entryList(QDir::Files).contains("text"));
    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(modulesPath("10"));
    QCOMPARE(loaded.GetClientParameters().value("Text"), QVariant("capital"));
    QCOMPARE(loaded.GetClientParameters().value("text"), QVariant("small"));
    QCOMPARE(loaded.GetClientData(), together);
}

void TestModuleRecord::failedWriteIsLogged()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(10);
    // Longer than any file name may be.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Could not store \"ClientData\" of block 10 in "));
    record.SetClientData({{QString(300, QLatin1Char('x')), 1}});
}

void TestModuleRecord::blocksSharingAnIdGetTheirOwnFolders()
{
    TestWorkingFolder folder;
    ModuleRecord first = sampleRecord();
    first.SetDeviceId("aaaa");
    first.SetBlockId(7);
    ModuleRecord second = sampleRecord();
    second.SetDeviceId("bbbb");
    second.SetBlockId(7);

    QCOMPARE(first.GetFolder().dirName(), "7");
    QCOMPARE(second.GetFolder().dirName(), "7-2");
    QCOMPARE(readStoredValue(modulesPath("7/DeviceId")), QVariant("aaaa"));
    QCOMPARE(readStoredValue(modulesPath("7-2/DeviceId")), QVariant("bbbb"));

    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(modulesPath("7-2"));
    QVERIFY(loaded.IsValid());
    QCOMPARE(loaded.GetBlockId(), 7u);
    QCOMPARE(loaded.GetDeviceId(), "bbbb");
}

void TestModuleRecord::interruptedUpdateStillLoads()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(4);
    // A crash after the new value was in place, before "crc" followed.
    QVERIFY(writeStoredValue(modulesPath("4/ClientParameters/Text"), QString("newer")));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid CRC.*Expected.*Calculated"));
    const ModuleRecord loaded(modulesPath("4"));
    QVERIFY(loaded.IsValid());
    QCOMPARE(loaded.GetClientParameters().value("Text"), QVariant("newer"));
    QCOMPARE(loaded.GetPluginId(), record.GetPluginId());
}

void TestModuleRecord::interruptedMapReplacementLeavesOneWholeVersion()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetClientData({{"A", 1}, {"B", 2}});
    record.SetLocalParameters({{"Path", "/old"}, {"Mode", 1}});
    record.SetBlockId(6);
    const QString block = modulesPath("6/");
    auto writeMapFolder = [](const QString& path, const QVariantMap& map) {
        bool written = QDir().mkpath(path);
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            written = writeStoredValue(path + "/" + it.key(), it.value()) && written;
        return written;
    };

    // Cut off between the two renames: the old map is aside, the new one whole beside it.
    QVERIFY(writeMapFolder(block + "ClientData%new", {{"A", 10}, {"C", 3}}));
    QVERIFY(QDir().rename(block + "ClientData", block + "ClientData%old"));
    // Cut off while the new version was being written: the old map is still in place.
    QVERIFY(writeMapFolder(block + "LocalParameters%new", {{"Path", "/new"}}));
    // The same one level down, inside a map, and a removal cut short.
    QVERIFY(writeMapFolder(block + "ClientParameters/Nested%new", {{"Inner", 5}}));
    QVERIFY(QDir().rename(block + "ClientParameters/Nested", block + "ClientParameters/Nested%old"));
    QVERIFY(writeMapFolder(block + "ClientParameters/Gone%gone", {{"Inner", 6}}));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid CRC"));
    ModuleRecord loaded(block);
    QCOMPARE(loaded.GetClientData(), QVariantMap({{"A", 10}, {"C", 3}}));
    QCOMPARE(loaded.GetLocalParameters(), QVariantMap({{"Path", "/old"}, {"Mode", 1}}));
    QCOMPARE(loaded.GetClientParameters().value("Nested"), QVariant(QVariantMap{{"Inner", 5}}));
    QVERIFY(!loaded.GetClientParameters().contains("Gone"));
    QCOMPARE(loaded.GetClientParameters().size(), record.GetClientParameters().size());

    // The next writes finish or clear what was cut off; the folder is clean again.
    loaded.SetClientData({{"A", 10}, {"C", 4}});
    loaded.SetLocalParameter("Mode", 2);
    loaded.SetClientParameter("Nested", QVariantMap{{"Inner", 7}});
    loaded.SetClientParameter("Gone", 1);
    QCOMPARE(filesBelow(block).filter("%"), QStringList());
    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    const ModuleRecord reloaded(block);
    QCOMPARE(reloaded.GetClientData(), QVariantMap({{"A", 10}, {"C", 4}}));
    QCOMPARE(reloaded.GetLocalParameters(), QVariantMap({{"Path", "/old"}, {"Mode", 2}}));
    QCOMPARE(reloaded.GetClientParameters(), loaded.GetClientParameters());
}

void TestModuleRecord::damagedFilesLeaveDefaults()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(5);
    const QString block = modulesPath("5/");
    QFile truncated(block + "Description");
    QVERIFY(truncated.open(QIODevice::ReadWrite));
    QVERIFY(truncated.resize(5));
    truncated.close();
    QVERIFY(writeStoredValue(block + "Geometry", QString("not a rectangle")));
    QVERIFY(writeStoredValue(block + "Z", QVariantMap{{"x", 1}}));
    QFile junk(block + "ClientParameters/Text");
    QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    junk.write(QByteArray(64, '\xff'));
    junk.close();
    QVERIFY(QFile::remove(block + "ModuleDataClass"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not read stored value.*Description"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Trying to construct an instance of an invalid type"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not read stored value.*Text"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid CRC"));
    const ModuleRecord loaded(block);
    QVERIFY(loaded.IsValid());
    QCOMPARE(loaded.GetPluginId(), "com.tessivar.test");
    QVERIFY(loaded.GetDescription().isEmpty());
    QCOMPARE(loaded.GetGeometry(), QRectF());
    QCOMPARE(loaded.GetZ(), 0);
    QVERIFY(loaded.GetModuleDataClass().isEmpty());
    QVERIFY(!loaded.GetClientParameters().contains("Text"));
    QVERIFY(loaded.GetClientParameters().contains("Nested"));
}

void TestModuleRecord::folderNotNamedByANumberIsInvalid()
{
    TestWorkingFolder folder;
    QVERIFY(QDir().mkpath(modulesPath("notes")));
    QVERIFY(writeStoredValue(modulesPath("notes/PluginId"), QString("p")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not open module.*notes"));
    const ModuleRecord record(modulesPath("notes"));
    QVERIFY(!record.IsValid());
    QVERIFY(record.GetPluginId().isEmpty());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not open module"));
    QVERIFY(!ModuleRecord(modulesPath("99999999999")).IsValid());
}

void TestModuleRecord::removeDeletesOnlyItsOwnFolder()
{
    TestWorkingFolder folder;
    ModuleRecord first = sampleRecord();
    first.SetBlockId(1);
    ModuleRecord second = sampleRecord();
    second.SetBlockId(2);

    first.Remove();
    QVERIFY(!first.IsStored());
    QCOMPARE(QDir(modulesPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"2"});
    // Later changes of a removed block write nothing.
    first.SetClientParameter("Text", "after");
    QCOMPARE(QDir(modulesPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"2"});
}

void TestModuleRecord::changingTheIdMovesTheBlock()
{
    TestWorkingFolder folder;
    ModuleRecord record = sampleRecord();
    record.SetBlockId(1);
    record.SetBlockId(6);
    QCOMPARE(QDir(modulesPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"6"});
    QCOMPARE(readStoredValue(modulesPath("6/crc")).value<ushort>(), record.ComputeCrc());
}

QTEST_GUILESS_MAIN(TestModuleRecord)
#include "tst_modulerecord.moc"

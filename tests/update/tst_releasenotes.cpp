#include "update/ReleaseNotesModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tessivar;
using namespace tessivar::update;

namespace {

QJsonObject element(const QString& version, const QStringList& platforms, const QStringList& applications,
                    const QString& note)
{
    return {{"Version", version},
            {"Date", "2026-12-07"},
            {"Platforms", QJsonArray::fromStringList(platforms)},
            {"Applications", QJsonArray::fromStringList(applications)},
            {"Notes", QJsonArray{QJsonObject{{"BugFix", note.startsWith("fix")}, {"Note", note}}}}};
}

QStringList notesOf(const ReleaseNotesModel& model, int row)
{
    QStringList notes;
    for (const QVariant& note : model.data(model.index(row), ReleaseNotesModel::NotesRole).toList())
        notes.append(note.value<ReleaseNote_t>().Note);
    return notes;
}

} // namespace

class TestReleaseNotes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filteredAndMerged_data();
    void filteredAndMerged();
    void unreadableNotesLeaveTheModelEmpty_data();
    void unreadableNotesLeaveTheModelEmpty();
    void compiledNotes();
};

void TestReleaseNotes::filteredAndMerged_data()
{
    QTest::addColumn<QJsonArray>("elements");
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QStringList>("firstNotes");

    const QStringList server{"server"};
    const QStringList windows{"windows"};
    QTest::newRow("same version merges") << QJsonArray{element("1.5.1", windows, server, "a"),
                                                       element("1.5.0", windows, server, "b"),
                                                       element("1.5.1", {"android", "windows"}, {"client", "server"},
                                                               "fix c")}
                                         << QStringList{"1.5.1", "1.5.0"} << QStringList{"a", "fix c"};
    QTest::newRow("client only dropped") << QJsonArray{element("1.5.1", windows, {"client"}, "x"),
                                                       element("1.5.1", windows, server, "a")}
                                         << QStringList{"1.5.1"} << QStringList{"a"};
    QTest::newRow("other platforms dropped")
        << QJsonArray{element("1.5.1", {"android", "ios"}, server, "x"), element("1.4", windows, server, "a")}
        << QStringList{"1.4"} << QStringList{"a"};
    QTest::newRow("unknown names ignored")
        << QJsonArray{element("1.5", {"amiga", "windows"}, {"toaster", "server"}, "a"),
                      element("1.4", {"amiga"}, {"toaster"}, "x")}
        << QStringList{"1.5"} << QStringList{"a"};
    QTest::newRow("element without members skipped")
        << QJsonArray{QJsonValue(3), QJsonObject{}, element("1.3", windows, server, "a")} << QStringList{"1.3"}
        << QStringList{"a"};
}

void TestReleaseNotes::filteredAndMerged()
{
    QFETCH(QJsonArray, elements);
    QFETCH(QStringList, versions);
    QFETCH(QStringList, firstNotes);
    QTemporaryDir folder;
    QFile file(folder.filePath("notes.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(elements).toJson());
    file.close();

    ReleaseNotesModel model(file.fileName(), device::ApplicationType_e::Server, device::ApplicationPlatform_e::Windows);

    QStringList shown;
    const int versionRole = model.roleNames().key("Version");
    for (int row = 0; row < model.rowCount(); ++row)
        shown.append(model.data(model.index(row), versionRole).toString());
    QCOMPARE(shown, versions);
    QCOMPARE(notesOf(model, 0), firstNotes);
    QCOMPARE(model.data(model.index(0), model.roleNames().key("Date")).toDate(), QDate(2026, 12, 7));
}

void TestReleaseNotes::unreadableNotesLeaveTheModelEmpty_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("warning");
    QTest::newRow("missing") << QByteArray() << "^Failed to load JSON release notes";
    QTest::newRow("not JSON") << QByteArray("[{\"Version\":") << "^Invalid JSON release notes";
    QTest::newRow("empty array") << QByteArray("[]") << "^Invalid JSON release notes";
    QTest::newRow("object, not array") << QByteArray("{\"Version\":\"1\"}") << "^Invalid JSON release notes";
}

void TestReleaseNotes::unreadableNotesLeaveTheModelEmpty()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, warning);
    QTemporaryDir folder;
    const QString path = folder.filePath("notes.json");
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    ReleaseNotesModel model(path, device::ApplicationType_e::Server, device::ApplicationPlatform_e::Windows);
    QCOMPARE(model.rowCount(), 0);
}

void TestReleaseNotes::compiledNotes()
{
    ReleaseNotesModel model;
    QVERIFY(model.rowCount() >= 2);
    QCOMPARE(model.get(0).Version, QStringLiteral("1.5.1"));
    QStringList versions;
    for (int row = 0; row < model.rowCount(); ++row) {
        const ApplicationReleaseInformation_t entry = model.get(row);
        QVERIFY2(entry.Date.isValid(), qPrintable(entry.Version));
        QVERIFY2(!entry.Notes.isEmpty(), qPrintable(entry.Version));
        QVERIFY2(!versions.contains(entry.Version), "one row per version");
        versions.append(entry.Version);
    }
    // The notes shared with the clients join the server's own; client-only ones stay out.
    const QStringList notes = notesOf(model, 0);
    QVERIFY(notes.filter("silent on Wi-Fi").size() == 1);
    QVERIFY(notes.filter("scroll position").isEmpty());
}

QTEST_GUILESS_MAIN(TestReleaseNotes)
#include "tst_releasenotes.moc"

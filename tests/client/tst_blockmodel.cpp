#include "BlockModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using tessivar::client::BlockModel;

// The client's layout: new blocks take the first free cell of their profile, and the
// layout file read by a fresh start holds what was there; a damaged file is left alone.
class TestBlockModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placesAndKeepsBlocks()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("layout.json"));
        {
            BlockModel model(file);
            QVERIFY(model.load());
            for (quint32 id = 1; id <= 5; ++id)
                QVERIFY(model.add(id, QStringLiteral("text"), QStringLiteral("Dashboard"), {}, {}));
            QVERIFY(!model.add(3, QStringLiteral("text"), QStringLiteral("Dashboard"), {}, {}));
            QVERIFY(model.add(6, QStringLiteral("clock"), QStringLiteral("Desk"), {}, {}));
            model.remove(2);
            QCOMPARE(model.firstFreeCell(QStringLiteral("Dashboard")), QRect(1, 0, 1, 1));
        }
        BlockModel restarted(file);
        QVERIFY(restarted.load());
        QCOMPARE(restarted.ids(), (QList<quint32>{1, 3, 4, 5, 6}));
        QCOMPARE(restarted.find(5)->cell, QRect(0, 1, 1, 1));
        QCOMPARE(restarted.find(6)->cell, QRect(0, 0, 1, 1));
        QCOMPARE(restarted.find(6)->profile, QStringLiteral("Desk"));
    }

    void leavesADamagedLayoutAlone()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("layout.json"));
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("{\"Blocks\": [");
        damaged.close();
        BlockModel model(file);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is damaged"));
        QVERIFY(!model.load());
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(QFile(file).size() > 0);
    }

    void titleAndBackgroundComeFromTheCommonParameters()
    {
        QTemporaryDir folder;
        BlockModel model(folder.filePath(QStringLiteral("layout.json")));
        QVERIFY(model.add(1, QStringLiteral("text"), QStringLiteral("Dashboard"),
                          {{QStringLiteral("TessivarModuleTitle"), QStringLiteral("Shopping list")},
                           {QStringLiteral("TessivarModuleBackgroundColor"), QColor(Qt::red)}},
                          {}));
        const QModelIndex row = model.index(0);
        QCOMPARE(row.data(BlockModel::TitleRole).toString(), QStringLiteral("Shopping list"));
        QCOMPARE(row.data(BlockModel::BackgroundColorRole).value<QColor>(), QColor(Qt::red));
        model.updateParameters(1, {{QStringLiteral("TessivarModuleTitle"), QStringLiteral("Groceries")}});
        QCOMPARE(row.data(BlockModel::TitleRole).toString(), QStringLiteral("Groceries"));
    }
};

QTEST_GUILESS_MAIN(TestBlockModel)
#include "tst_blockmodel.moc"

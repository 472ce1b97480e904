#include "TessivarModuleDataInfo.h"
#include "TessivarModuleInfo.h"
#include "TessivarModuleInfoData.h"
#include "TessivarModuleInfoList.h"
#include "TessivarModuleInstance.h"
#include "TessivarModuleInstanceData.h"
#include "TessivarPlugin.h"
#include "TessivarPluginData.h"

#include <QFile>
#include <QLibrary>
#include <QTest>

#include <memory>

namespace {
const QString kPrefix = QStringLiteral("com.tessivar.plugin.misc.");
const QStringList kModules = {QStringLiteral("clock"), QStringLiteral("text"),        QStringLiteral("shortcut"),
                              QStringLiteral("macro"), QStringLiteral("openwebpage"), QStringLiteral("devicestatus")};
} // namespace

// The plugin library as the server loads it from the runnable tree.
class TestMiscPlugin : public QObject
{
    Q_OBJECT

private:
    QLibrary m_library{QStringLiteral(TESSIVAR_MISC_PLUGIN)};
    TessivarPlugin* m_plugin = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
        auto instance
            = reinterpret_cast<TessivarPluginInstanceFunction>(m_library.resolve(kTessivarPluginInstanceSymbol));
        QVERIFY(instance);
        m_plugin = instance();
        QVERIFY(m_plugin);
        QCOMPARE(instance(), m_plugin);
    }

    void describesItself()
    {
        QCOMPARE(m_plugin->id(), QStringLiteral("com.tessivar.plugin.misc"));
        QCOMPARE(m_plugin->name(), QStringLiteral("Tessivar Misc"));
        const TessivarPluginData* data = m_plugin->pluginData();
        QVERIFY(data->isValid());
        QVERIFY(data->isVisible());
        QCOMPARE(data->description(), QStringLiteral("Miscellaneous widgets"));
        QCOMPARE(data->icon(), QUrl(QStringLiteral("qrc:/com.tessivar.plugin.misc.resources/PluginIcon.png")));
        QVERIFY(QFile::exists(QStringLiteral(":/com.tessivar.plugin.misc.resources/PluginIcon.png")));
    }

    // Registration order is what the server lists and sends to devices.
    void registersInOrder()
    {
        const TessivarPluginData* data = m_plugin->pluginData();
        QStringList dataClasses, modules, names;
        for (const TessivarModuleDataInfo& info : data->moduleDataInfoList()) {
            dataClasses.append(info.getId().mid(kPrefix.size()));
            for (const QUrl& widget : {info.getParameterEditionWidgetPath(), info.getClientDataDisplayWidgetPath()})
                QVERIFY2(QFile::exists(QLatin1Char(':') + widget.path()), qPrintable(widget.toString()));
        }
        for (const TessivarModuleInfo* info : data->moduleInfoList()->infoList()) {
            modules.append(info->id().mid(kPrefix.size()));
            names.append(info->name());
            const QUrl icon = info->data()->property("icon").toUrl();
            QVERIFY2(QFile::exists(QLatin1Char(':') + icon.path()), qPrintable(icon.toString()));
        }
        QCOMPARE(dataClasses, kModules);
        QCOMPARE(modules, kModules);
        QCOMPARE(names, (QStringList{"Clock", "Text", "Shortcut", "Macro", "Open Web Page", "Device Status"}));
    }

    void createsInstances_data()
    {
        QTest::addColumn<QString>("moduleId");
        QTest::addColumn<bool>("created");
        for (const QString& module : kModules)
            QTest::newRow(qPrintable(module)) << kPrefix + module << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("other plugin") << QStringLiteral("com.tessivar.test.echo") << false;
        QTest::newRow("case differs") << QStringLiteral("com.tessivar.plugin.misc.Clock") << false;
        QTest::newRow("plugin id") << QStringLiteral("com.tessivar.plugin.misc") << false;
    }

    void createsInstances()
    {
        QFETCH(QString, moduleId);
        QFETCH(bool, created);
        std::unique_ptr<TessivarModuleInstance> first(m_plugin->createModuleInstance(moduleId));
        QCOMPARE(first != nullptr, created);
        if (!created)
            return;
        std::unique_ptr<TessivarModuleInstance> second(m_plugin->createModuleInstance(moduleId));
        QVERIFY(second && second.get() != first.get());
        QCOMPARE(first->instanceData()->classId(), moduleId);
        // Independent instances: a change of one leaves the other alone.
        first->instanceData()->setLocalParameter(QStringLiteral("Probe"), 1);
        QVERIFY(!second->instanceData()->getLocalParameter(QStringLiteral("Probe")).isValid());
    }
};

QTEST_MAIN(TestMiscPlugin)
#include "tst_miscplugin.moc"

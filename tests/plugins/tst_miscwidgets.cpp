#include "ClockModule.h"
#include "DeviceStatusModule.h"
#include "MacroModule.h"
#include "OpenWebPageModule.h"
#include "ShortcutModule.h"
#include "TessivarPropertyMap.h"
#include "TextModule.h"
#include "app/UserInterfaceFlow.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTimeZone>
#include <QtQuickTest/quicktest.h>

#include <memory>

namespace {

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(message);
    g_previousHandler(type, context, message);
}

const QString kMisc = QStringLiteral("qrc:/com.tessivar.plugin.misc.resources/");
const QString kStatus = QStringLiteral("qrc:/com.tessivar.plugin.misc.devicestatus/resources/");

std::unique_ptr<TessivarModuleInstance> makeModule(const QString& name)
{
    if (name == QLatin1String("clock"))
        return std::make_unique<ClockModule>();
    if (name == QLatin1String("text"))
        return std::make_unique<TextModule>();
    if (name == QLatin1String("shortcut"))
        return std::make_unique<ShortcutModule>();
    if (name == QLatin1String("macro"))
        return std::make_unique<MacroModule>();
    if (name == QLatin1String("openwebpage"))
        return std::make_unique<OpenWebPageModule>();
    return std::make_unique<DeviceStatusModule>();
}

} // namespace

// Each QML file of the plugin, loaded as its host loads it: the display widgets as a
// device does (moduleParameters, moduleData), the editors as the server's editor does
// (moduleLocalParameters, moduleClientParameters, moduleHelpers). Any QML warning fails.
class TestMiscWidgets : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TessivarModuleInstance> m_module;
    std::unique_ptr<QQuickView> m_view;

    TessivarModuleInstanceData* data() const { return m_module->instanceData(); }

    QQuickItem* show(const QString& module, const QString& url, bool editor)
    {
        m_module = makeModule(module);
        m_view = std::make_unique<QQuickView>();
        QQmlContext* context = m_view->rootContext();
        if (editor) {
            context->setContextProperty(QStringLiteral("moduleLocalParameters"), data()->localParameters()->forQml());
            context->setContextProperty(QStringLiteral("moduleClientParameters"), data()->clientParameters()->forQml());
            context->setContextProperty(QStringLiteral("moduleHelpers"), data()->helpers());
        } else {
            context->setContextProperty(QStringLiteral("moduleParameters"), data()->clientParameters()->forQml());
            context->setContextProperty(QStringLiteral("moduleData"), data()->clientData()->forQml());
        }
        m_view->setResizeMode(QQuickView::SizeRootObjectToView);
        m_view->resize(editor ? 480 : 256, editor ? 640 : 128);
        m_view->setSource(QUrl(url));
        m_view->show();
        if (!QTest::qWaitForWindowExposed(m_view.get()))
            return nullptr;
        return m_view->rootObject();
    }

    // Searched through the visual tree too: a Repeater's items are not QObject children.
    static QQuickItem* find(QQuickItem* from, const QString& objectName)
    {
        if (from->objectName() == objectName)
            return from;
        if (auto* child = from->findChild<QQuickItem*>(objectName))
            return child;
        for (QQuickItem* child : from->childItems())
            if (QQuickItem* found = find(child, objectName))
                return found;
        return nullptr;
    }

    QQuickItem* item(const QString& objectName) const
    {
        QQuickItem* found = find(m_view->rootObject(), objectName);
        if (!found)
            qWarning("No item %s", qPrintable(objectName));
        return found;
    }

    void click(QQuickItem* target)
    {
        QVERIFY(target);
        // Where the layouts have placed it.
        QVERIFY(QQuickTest::qWaitForPolish(m_view.get()));
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
        g_previousHandler = qInstallMessageHandler(collectWarnings);
        // The editors are built of the window's own widgets.
        tessivar::UserInterfaceFlow::registerQmlTypes();
    }

    void init() { g_warnings.clear(); }

    void cleanup()
    {
        m_view.reset();
        m_module.reset();
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));
    }

    void loadsWithoutWarnings_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("editor");
        QTest::newRow("clock display") << "clock" << kMisc + "ClockModule/DataWidget.qml" << false;
        QTest::newRow("clock editor") << "clock" << kMisc + "ClockModule/ParameterWidget.qml" << true;
        QTest::newRow("text display") << "text" << kMisc + "TextModule/DataWidget.qml" << false;
        QTest::newRow("text editor") << "text" << kMisc + "TextModule/ParametersWidget.qml" << true;
        QTest::newRow("shortcut display") << "shortcut" << kMisc + "ShortcutModule/Data.qml" << false;
        QTest::newRow("shortcut editor") << "shortcut" << kMisc + "ShortcutModule/Parameters.qml" << true;
        QTest::newRow("macro display") << "macro" << kMisc + "MacroModule/Data.qml" << false;
        QTest::newRow("macro editor") << "macro" << kMisc + "MacroModule/Parameters.qml" << true;
        QTest::newRow("web page display") << "openwebpage" << kMisc + "OpenWebPageModule/Data.qml" << false;
        QTest::newRow("web page editor") << "openwebpage" << kMisc + "OpenWebPageModule/Parameters.qml" << true;
        QTest::newRow("status display") << "devicestatus" << kStatus + "Data.qml" << false;
        QTest::newRow("status editor") << "devicestatus" << kStatus + "Parameters.qml" << true;
    }

    void loadsWithoutWarnings()
    {
        QFETCH(QString, module);
        QFETCH(QString, url);
        QFETCH(bool, editor);
        QQuickItem* root = show(module, url, editor);
        QVERIFY2(root, qPrintable(g_warnings.join(QLatin1Char('\n'))));
        if (editor) {
            QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
            QVERIFY(QMetaObject::invokeMethod(root, "endEdition"));
        }
        QTest::qWait(50);
        // For a look at each widget: TESSIVAR_SCREENSHOT_DIR=<folder>.
        const QString screenshots = qEnvironmentVariable("TESSIVAR_SCREENSHOT_DIR");
        if (!screenshots.isEmpty())
            m_view->grabWindow().save(
                QDir(screenshots).filePath(QString::fromLatin1(QTest::currentDataTag()) + ".png"));
    }

    void pressSendsCommand_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("url");
        QTest::newRow("shortcut") << "shortcut" << kMisc + "ShortcutModule/Data.qml";
        QTest::newRow("macro") << "macro" << kMisc + "MacroModule/Data.qml";
        QTest::newRow("web page") << "openwebpage" << kMisc + "OpenWebPageModule/Data.qml";
    }

    void pressSendsCommand()
    {
        QFETCH(QString, module);
        QFETCH(QString, url);
        QVERIFY(show(module, url, false));
        QTRY_COMPARE(item("image_Icon")->property("status").toInt(), 1); // Image.Ready
        click(item("mouseArea_Press"));
        QCOMPARE(data()->getClientData(QStringLiteral("Command")).toInt(), 1);
    }

    void clockShowsTheZoneTime()
    {
        QVERIFY(show(QStringLiteral("clock"), kMisc + "ClockModule/DataWidget.qml", false));
        static_cast<ClockModule*>(m_module.get())->tickTimer().stop();
        data()->setClientParameter(QStringLiteral("TimeFormat"), QStringLiteral("hh:mm"));
        data()->setClientData(QStringLiteral("TimeOffset"), 32400000);
        const QDateTime tokyo = QDateTime::currentDateTimeUtc().addSecs(9 * 3600);
        const QString shown = item("text_Time")->property("text").toString();
        QVERIFY2(shown == tokyo.toString(QStringLiteral("hh:mm"))
                     || shown == tokyo.addSecs(60).toString(QStringLiteral("hh:mm")),
                 qPrintable(shown));
        QVERIFY(item("text_Time")->isVisible());
        QVERIFY(!item("text_DateBelow")->isVisible());
        data()->setClientParameter(QStringLiteral("ShowDate"), true);
        QVERIFY(item("text_DateBelow")->isVisible());
        QCOMPARE(item("text_DateBelow")->property("text").toString(), tokyo.toString(QStringLiteral("dd/MM/yyyy")));
    }

    void textFollowsItsParameters()
    {
        QVERIFY(show(QStringLiteral("text"), kMisc + "TextModule/DataWidget.qml", false));
        QQuickItem* text = item("text_Text");
        QCOMPARE(text->property("text").toString(), QStringLiteral("<u>Hello <b>World</b></u>"));
        QCOMPARE(text->property("font").value<QFont>().pixelSize(), qRound(128 * 20 / 100.0));
        data()->setClientParameter(QStringLiteral("Size"), 50);
        data()->setClientParameter(QStringLiteral("VerticalAlignment"), 2);
        QCOMPARE(text->property("font").value<QFont>().pixelSize(), 64);
        QTRY_COMPARE(text->y() + text->height(), 128.0);
    }

    void statusGoesOfflineWithoutHeartbeat()
    {
        QQuickItem* root = show(QStringLiteral("devicestatus"), kStatus + "Data.qml", false);
        QVERIFY(root);
        static_cast<DeviceStatusModule*>(m_module.get())->heartbeatTimer().stop();
        QVERIFY(item("status_Online")->isVisible());
        root->setProperty("checkIntervalMs", 20);
        data()->setClientParameter(QStringLiteral("TimeoutSeconds"), 0);
        QTRY_VERIFY(item("status_Offline")->isVisible());
        QVERIFY(!item("status_Online")->isVisible());
        data()->setClientData(QStringLiteral("Notify"), true);
        QVERIFY(item("status_Online")->isVisible());
    }

    void macroEditorRecordsTypedKeys()
    {
        QQuickItem* root = show(QStringLiteral("macro"), kMisc + "MacroModule/Parameters.qml", true);
        QVERIFY(root);
        QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
        QVERIFY(item("label_NoKeys")->isVisible());
        QQuickItem* record = item("button_Record");
        click(record);
        QCOMPARE(record->property("text").toString(), QStringLiteral("Stop recording"));
        QTest::keyClick(m_view.get(), Qt::Key_B);
        QTest::keyClick(m_view.get(), Qt::Key_C);
        QTRY_COMPARE(item("listView_Keys")->property("count").toInt(), 4);
        // Leaving the editor ends the recording and stores it.
        QVERIFY(QMetaObject::invokeMethod(root, "endEdition"));
        QCOMPARE(record->property("text").toString(), QStringLiteral("Start recording"));
        const MacroKeyEventList events
            = MacroModuleData::decodeSequence(data()->getLocalParameter(QStringLiteral("Sequence")).toList());
        QCOMPARE(events.size(), size_t(4));
        QCOMPARE(events.front().action, 0);
        QCOMPARE(events.back().action, 1);
    }

    void shortcutEditorMovesOldArgumentsToTheList()
    {
        QQuickItem* root = show(QStringLiteral("shortcut"), kMisc + "ShortcutModule/Parameters.qml", true);
        QVERIFY(root);
        data()->setLocalParameter(QStringLiteral("Arguments"), QStringLiteral("--one two"));
        QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
        QCOMPARE(data()->getLocalParameter(QStringLiteral("Arguments")).toString(), QString());
        QCOMPARE(data()->getLocalParameter(QStringLiteral("ArgumentList")).toStringList(), QStringList{"--one two"});
        QCOMPARE(item("textField_Argument0")->property("text").toString(), QStringLiteral("--one two"));
        click(item("button_AddArgument"));
        QTRY_VERIFY(find(m_view->rootObject(), QStringLiteral("textField_Argument1")));
        QVERIFY(item("textField_Argument1")->hasActiveFocus());
        QTest::keyClick(m_view.get(), Qt::Key_X);
        QCOMPARE(data()->getLocalParameter(QStringLiteral("ArgumentList")).toStringList(),
                 (QStringList{"--one two", "x"}));
        click(item("button_RemoveArgument0"));
        QCOMPARE(data()->getLocalParameter(QStringLiteral("ArgumentList")).toStringList(), QStringList{"x"});
    }

    void clockEditorChoosesTheZone()
    {
        QQuickItem* root = show(QStringLiteral("clock"), kMisc + "ClockModule/ParameterWidget.qml", true);
        QVERIFY(root);
        data()->setLocalParameter(QStringLiteral("TimeZoneRegion"), QStringLiteral("Asia"));
        data()->setLocalParameter(QStringLiteral("TimeZoneArea"), QStringLiteral("Tokyo"));
        QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
        QCOMPARE(item("comboBox_Region")->property("currentText").toString(), QStringLiteral("Asia"));
        QCOMPARE(item("comboBox_Area")->property("currentText").toString(), QStringLiteral("Tokyo"));
        QQuickItem* region = item("comboBox_Region");
        int europe = -1;
        QMetaObject::invokeMethod(region, "find", Q_RETURN_ARG(int, europe), Q_ARG(QString, QStringLiteral("Europe")));
        region->setProperty("currentIndex", europe);
        QCOMPARE(data()->getLocalParameter(QStringLiteral("TimeZoneRegion")).toString(), QStringLiteral("Europe"));
        QCOMPARE(data()->getLocalParameter(QStringLiteral("TimeZoneArea")).toString(),
                 item("comboBox_Area")->property("currentText").toString());
    }

    // The lists are labelled, show names as people write them, and a clock without a
    // zone starts on the computer's own.
    void clockEditorShowsZonesAsPeopleWriteThem()
    {
        QQuickItem* root = show(QStringLiteral("clock"), kMisc + "ClockModule/ParameterWidget.qml", true);
        QVERIFY(root);
        QCOMPARE(item("comboBox_Region")->property("label").toString(), QStringLiteral("Region"));
        QCOMPARE(item("comboBox_Area")->property("label").toString(), QStringLiteral("City"));
        data()->setLocalParameter(QStringLiteral("TimeZoneRegion"), QStringLiteral("Europe"));
        data()->setLocalParameter(QStringLiteral("TimeZoneArea"), QStringLiteral("Isle_of_Man"));
        QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
        QCOMPARE(item("comboBox_Area")->property("currentText").toString(), QStringLiteral("Isle of Man"));
        QCOMPARE(data()->getLocalParameter(QStringLiteral("TimeZoneArea")).toString(), QStringLiteral("Isle_of_Man"));

        data()->setLocalParameter(QStringLiteral("TimeZoneRegion"), QString());
        data()->setLocalParameter(QStringLiteral("TimeZoneArea"), QString());
        QVERIFY(QMetaObject::invokeMethod(root, "startEdition"));
        const QString own = QString::fromUtf8(QTimeZone::systemTimeZoneId());
        const QString expected = own.contains(QLatin1Char('/')) ? own : QStringLiteral("Etc/") + own;
        QCOMPARE(data()->getLocalParameter(QStringLiteral("TimeZoneRegion")).toString() + QLatin1Char('/')
                     + data()->getLocalParameter(QStringLiteral("TimeZoneArea")).toString(),
                 expected);
    }
};

QTEST_MAIN(TestMiscWidgets)
#include "tst_miscwidgets.moc"

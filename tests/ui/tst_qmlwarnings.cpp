#include "UiDriver.h"
#include "support/RunningApplication.h"

#include "app/BaseTask.h"
#include "app/ErrorHandler.h"
#include "app/TaskManager.h"
#include "app/TessivarServerApplication.h"

#include <QDirIterator>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <functional>

using namespace tessivar;
using tessivar::test::QmlWarningCollector;
using tessivar::test::UiDriver;

namespace {

// Away from the default port and from the other tests' ports.
constexpr quint16 kPort = 20985;

// The interface's own QML files in the program's resources.
QStringList interfaceFiles()
{
    QStringList files;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == QLatin1String(":/MainWindow.qml") || path.startsWith(QLatin1String(":/UI/"))
            || path.startsWith(QLatin1String(":/Widgets/")) || path.startsWith(QLatin1String(":/Style/")))
            files.append(path);
    }
    files.sort();
    return files;
}

// The window's own widgets, as the classes of their QML files.
bool isWindowWidget(const QQuickItem* item)
{
    const QString name = QString::fromLatin1(item->metaObject()->className());
    return name.startsWith(QLatin1String("Tessivar")) || name.startsWith(QLatin1String("ColorPickerWidget"))
        || name.startsWith(QLatin1String("AnimatedIconButton"));
}

// Controls under `item` that are not the window's widgets; a widget's own parts are not
// looked into. A multi-line text and the device status's tabs have no widget of the window.
void collectForeignControls(const QQuickItem* item, QStringList& foreign)
{
    for (const QQuickItem* child : item->childItems()) {
        if (isWindowWidget(child))
            continue;
        if (child->inherits("QQuickControl") && !child->inherits("QQuickTextArea") && !child->inherits("QQuickTabBar")
            && !child->inherits("QQuickTabButton"))
            foreign.append(QStringLiteral("%1 '%2'").arg(QString::fromLatin1(child->metaObject()->className()),
                                                         child->objectName()));
        collectForeignControls(child, foreign);
    }
}

} // namespace

// No QML warning, from loading the window through every page, panel and popup, nor
// from creating each QML file of the interface on its own.
class TestQmlWarnings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<QmlWarningCollector> m_warnings;

    TessivarServerApplication& application() { return m_server->application(); }

    bool popupShown(const char* name) const
    {
        QObject* popup = m_server->application().mainWindow()->findChild<QObject*>(QString::fromLatin1(name));
        return popup && popup->property("visible").toBool();
    }

    void verifyNoWarnings()
    {
        const QStringList warnings = m_warnings->warnings();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_warnings = std::make_unique<QmlWarningCollector>();
        m_server = std::make_unique<test::RunningApplication>(kPort, test::RunningApplication::Window::Shown);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_MISC_PLUGIN), QStringLiteral("misc")));
        QVERIFY(m_server->start());
    }

    void cleanupTestCase()
    {
        m_server.reset();
        m_warnings.reset();
    }

    // The check itself: a binding to a name that does not exist is caught.
    void aWarningIsCaught()
    {
        m_warnings->clear();
        QQmlComponent component(&application().engine());
        component.setData("import QtQuick\nItem { width: noSuchName.width }", QUrl(QStringLiteral("qrc:/Broken.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY(object);
        QCOMPARE(m_warnings->warnings().size(), 1);
        m_warnings->clear();
    }

    void everyPageAndPopupOfTheWindow()
    {
        m_warnings->clear();
        QQuickWindow* window = application().mainWindow();
        UiDriver ui(window);
        QVERIFY(ui.click(QStringLiteral("button_TutorialNext")));
        QVERIFY(ui.click(QStringLiteral("button_TutorialSkip")));
        for (const char* button :
             {"button_NetworkStatus", "button_PluginInformation", "button_About", "button_Settings"}) {
            QVERIFY(ui.click(QString::fromLatin1(button)));
            QTest::qWait(50);
        }
        QVERIFY(ui.click(QStringLiteral("button_About")));
        QVERIFY(ui.click(QStringLiteral("button_ShowLicence")));
        QTest::qWait(50);
        QVERIFY(ui.click(QStringLiteral("button_About")));

        QVERIFY(ui.click(QStringLiteral("button_AddModule")));
        QVERIFY(ui.click(QStringLiteral("module_com.tessivar.plugin.misc.text")));
        QVERIFY(ui.waitUsable(QStringLiteral("textArea_Text")));
        QVERIFY(ui.click(QStringLiteral("button_EditionCancel")));
        QVERIFY(ui.click(QStringLiteral("button_AddModule")));

        // The popups the application asks for, built as it asks.
        const std::pair<const char*, std::function<void()>> requested[] = {
            {"popup_ReleaseNotes", [this] { Q_EMIT application().releaseNotesRequested(); }},
            {"popup_FirewallInformation", [this] { Q_EMIT application().firewallInformationRequested(); }},
        };
        for (const auto& [name, request] : requested) {
            request();
            QTRY_VERIFY2(popupShown(name), name);
            QObject* popup = window->findChild<QObject*>(QString::fromLatin1(name));
            QTest::qWait(50);
            QVERIFY(QMetaObject::invokeMethod(popup, "close"));
            QTRY_VERIFY2(!popupShown(name), name);
        }

        application().errorHandler()->report(ErrorHandler::SettingsError, {});
        QVERIFY(ui.click(QStringLiteral("button_ErrorOk")));
        QTRY_VERIFY(!popupShown("popup_Error"));

        BaseTask task(QStringLiteral("Copying"));
        TaskManager::instance().addTask(&task);
        task.start();
        QVERIFY(ui.waitUsable(QStringLiteral("text_TaskDescription")));
        task.finish();
        QVERIFY(ui.click(QStringLiteral("button_TaskOk")));
        // The next test clicks the window: nothing may still cover it.
        QTRY_VERIFY(!popupShown("popup_TaskBusy"));
        QTRY_VERIFY(!popupShown("popup_TaskResult"));
        verifyNoWarnings();
    }

    void everyFileOnItsOwn_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList files = interfaceFiles();
        QVERIFY(files.size() >= 30);
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << file;
    }

    void everyFileOnItsOwn()
    {
        QFETCH(QString, file);
        m_warnings->clear();
        QQmlComponent component(&application().engine(), QUrl(QStringLiteral("qrc") + file));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QTest::qWait(20);
        object.reset();
        verifyNoWarnings();
    }

    // Every block editor loads built of the window's widgets, and without a warning.
    void everyEditorIsBuiltOfTheWindowsWidgets_data()
    {
        QTest::addColumn<QString>("module");
        for (const char* module : {"text", "clock", "shortcut", "macro", "openwebpage", "devicestatus"})
            QTest::newRow(module) << QStringLiteral("com.tessivar.plugin.misc.") + QLatin1String(module);
    }
    void everyEditorIsBuiltOfTheWindowsWidgets()
    {
        QFETCH(QString, module);
        m_warnings->clear();
        UiDriver ui(application().mainWindow());
        if (ui.isShown(QStringLiteral("button_TutorialSkip"))) {
            QVERIFY(ui.click(QStringLiteral("button_TutorialSkip")));
            QTRY_VERIFY(!ui.isShown(QStringLiteral("button_TutorialSkip")));
        }
        if (!ui.isShown(QStringLiteral("widget_ModuleSelection")))
            QVERIFY(ui.click(QStringLiteral("button_AddModule")));
        QVERIFY(ui.click(QStringLiteral("module_") + module));
        QVERIFY(ui.waitUsable(QStringLiteral("loader_ParameterEditor")));
        QQuickItem* loader = ui.find(QStringLiteral("loader_ParameterEditor"));
        QTRY_VERIFY(loader->property("item").value<QObject*>());
        QTest::qWait(50);
        QStringList foreign;
        collectForeignControls(loader, foreign);
        QVERIFY2(foreign.isEmpty(), qPrintable(foreign.join(QLatin1Char('\n'))));
        QVERIFY(ui.click(QStringLiteral("button_EditionCancel")));
        QTRY_VERIFY(!ui.isShown(QStringLiteral("widget_ModuleEdition")));
        verifyNoWarnings();
    }
};

QTEST_MAIN(TestQmlWarnings)
#include "tst_qmlwarnings.moc"

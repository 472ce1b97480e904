#include "ModuleTestSupport.h"

#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"
#include "ui/ModuleEditionWidget.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

using tessivar::ui::ModuleEditionWidget;
using namespace tessivar::test;

namespace {

const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");
const QUrl kEditor(QStringLiteral("qrc:/editor.qml"));

// The QML side of the widget, reduced to what the application relies on: the two
// functions it calls, counted.
const QByteArray kWidgetQml = R"(
import com.tessivar.widgets.impl 1.0
ModuleEditionWidgetImpl {
    property int starts: 0
    property int ends: 0
    property var lastUrl
    function startParameterModification(url) { starts++; lastUrl = url }
    function endParameterModification() { ends++ }
}
)";

TessivarPropertyMap* clientParameters(ModuleSource& module)
{
    return module.GetInstance()->instanceData()->clientParameters();
}

TessivarPropertyMap* localParameters(ModuleSource& module)
{
    return module.GetInstance()->instanceData()->localParameters();
}

} // namespace

// The parameter edition panel: what it restores, when it unloads the editor, and how it
// follows a block that goes away while being edited.
class TestModuleEditionWidget : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PluginEnvironment> m_plugins;
    QQmlEngine m_engine;

    std::unique_ptr<ModuleSource> makeModule()
    {
        ModuleRecord record;
        record.SetPluginId(kPlugin);
        record.SetModuleId(kEcho);
        auto instance = m_plugins->plugins->InstantiateModule(kPlugin, kEcho);
        if (!instance)
            return {};
        return std::make_unique<ModuleSource>(record, std::move(instance), false);
    }

    std::unique_ptr<ModuleEditionWidget> makeWidget()
    {
        std::unique_ptr<ModuleEditionWidget> widget;
        makeWidget(widget);
        return widget;
    }

    void makeWidget(std::unique_ptr<ModuleEditionWidget>& widget)
    {
        QQmlComponent component(&m_engine);
        component.setData(kWidgetQml, QUrl(QStringLiteral("memory:/EditionWidget.qml")));
        // The first use of the import may finish loading through the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(!component.isLoading(), 5000);
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        widget.reset(qobject_cast<ModuleEditionWidget*>(object.release()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        qmlRegisterType<ModuleEditionWidget>("com.tessivar.widgets.impl", 1, 0, "ModuleEditionWidgetImpl");
        m_plugins = std::make_unique<PluginEnvironment>();
        QCOMPARE(m_plugins->plugins->GetPlugins().size(), 1);
    }

    void editExposesTheModuleAndLoadsItsEditor()
    {
        auto module = makeModule();
        auto widget = makeWidget();
        QVERIFY(module && widget);
        QCOMPARE(widget->moduleClientParameters(), nullptr);
        QSignalSpy changed(widget.get(), &ModuleEditionWidget::moduleChanged);

        widget->edit(module.get(), kEditor, true);
        QVERIFY(widget->isVisible());
        QVERIFY(widget->isNewModule());
        QCOMPARE(widget->property("starts").toInt(), 1);
        QCOMPARE(widget->property("lastUrl").toUrl(), kEditor);
        QCOMPARE(widget->moduleClientParameters(), clientParameters(*module));
        QCOMPARE(widget->moduleLocalParameters(), localParameters(*module));
        QVERIFY(widget->moduleHelpers());
        QCOMPARE(changed.count(), 1);

        // A second edit ends the first one before it starts.
        widget->edit(module.get(), kEditor, false);
        QCOMPARE(widget->property("ends").toInt(), 1);
        QCOMPARE(widget->property("starts").toInt(), 2);
        QVERIFY(!widget->isNewModule());
    }

    void cancelRestoresTheParametersOfTheStart()
    {
        auto module = makeModule();
        auto widget = makeWidget();
        QVERIFY(module && widget);
        clientParameters(*module)->setValue(QStringLiteral("Text"), QStringLiteral("before"));
        localParameters(*module)->setValue(QStringLiteral("Path"), QStringLiteral("/bin/true"));
        widget->edit(module.get(), kEditor, false);

        clientParameters(*module)->setValue(QStringLiteral("Text"), QStringLiteral("during"));
        localParameters(*module)->setValue(QStringLiteral("Path"), QStringLiteral("/bin/false"));
        QSignalSpy cancelled(widget.get(), &ModuleEditionWidget::modificationCancelled);
        widget->cancel();

        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(clientParameters(*module)->value(QStringLiteral("Text")).toString(), QStringLiteral("before"));
        QCOMPARE(localParameters(*module)->value(QStringLiteral("Path")).toString(), QStringLiteral("/bin/true"));
        QCOMPARE(module->GetRecord().GetClientParameters().value(QStringLiteral("Text")).toString(),
                 QStringLiteral("before"));
    }

    void acceptSignalsCarryTheChoice()
    {
        auto widget = makeWidget();
        QVERIFY(widget);
        QSignalSpy accepted(widget.get(), &ModuleEditionWidget::modificationAccepted);
        QSignalSpy created(widget.get(), &ModuleEditionWidget::creationAccepted);
        widget->accept();
        widget->acceptNew(QStringLiteral("device-1"));
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(created.count(), 1);
        QCOMPARE(created.at(0).at(0).toString(), QStringLiteral("device-1"));
    }

    void hidingEndsTheEditOnce()
    {
        auto module = makeModule();
        auto widget = makeWidget();
        QVERIFY(module && widget);
        widget->edit(module.get(), kEditor, false);
        widget->setVisible(false);
        QCOMPARE(widget->property("ends").toInt(), 1);
        QCOMPARE(widget->moduleClientParameters(), nullptr);
        widget->close();
        widget->setVisible(true);
        widget->setVisible(false);
        QCOMPARE(widget->property("ends").toInt(), 1);

        widget->edit(module.get(), kEditor, false);
        widget->close();
        QCOMPARE(widget->property("ends").toInt(), 2);
        QVERIFY(!widget->isVisible());
    }

    void moduleDeletedDuringTheEditHidesTheWidget()
    {
        auto module = makeModule();
        auto widget = makeWidget();
        QVERIFY(module && widget);
        widget->edit(module.get(), kEditor, false);
        QSignalSpy changed(widget.get(), &ModuleEditionWidget::moduleChanged);
        module.reset();
        QVERIFY(!widget->isVisible());
        QCOMPARE(widget->property("ends").toInt(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(widget->moduleClientParameters(), nullptr);
        // Cancelling afterwards touches nothing that is gone.
        widget->cancel();
    }
};

QTEST_MAIN(TestModuleEditionWidget)
#include "tst_moduleeditionwidget.moc"

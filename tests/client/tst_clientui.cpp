#include "ClientQml.h"
#include "FakeServer.h"
#include "UiDriver.h"

#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_RegisterBlock.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::UiDriver;

// The client's window as a user meets it: the server list, a block the server placed
// (its title, the placeholder of a display not yet here), edit mode with a new profile
// and a block removed after one question, every control named, no QML warning.
class TestClientUi : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<test::FakeServer> m_server;
    std::unique_ptr<client::ClientController> m_controller;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    std::unique_ptr<UiDriver> m_ui;

    QQuickWindow* load()
    {
        m_engine = std::make_unique<QQmlApplicationEngine>();
        QQmlContext* context = m_engine->rootContext();
        context->setContextProperty(QStringLiteral("controller"), m_controller.get());
        context->setContextProperty(QStringLiteral("startFullscreen"), false);
        context->setContextProperty(QStringLiteral("colorScheme"), QString());
        context->setContextProperty(QStringLiteral("systemPaletteIsDark"), false);
        m_engine->load(QUrl(QStringLiteral("qrc:/client/Main.qml")));
        auto* window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().value(0));
        if (window)
            m_ui = std::make_unique<UiDriver>(window);
        return window;
    }

private Q_SLOTS:
    void initTestCase() { client::registerClientQml(); }

    void cleanup()
    {
        m_ui.reset();
        m_engine.reset();
        m_controller.reset();
        m_server.reset();
    }

    void editsTheDashboard()
    {
        test::QmlWarningCollector warnings;
        m_server = std::make_unique<test::FakeServer>();
        m_controller = m_server->startClient(m_folder.path());
        QVERIFY(m_controller);
        QQuickWindow* window = load();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        m_server->send(Message_RegisterBlock(test::FakeServer::kTextClass, {}, {},
                                             {{QStringLiteral("TessivarModuleTitle"), QStringLiteral("Kitchen")}}, {},
                                             3));
        QVERIFY(m_server->waitFor(MessageType_e::RegisterModuleResponse));
        const quint32 id = m_controller->blockModel()->ids().value(0);
        const QString block = QString::number(id);
        QVERIFY(m_ui->waitUsable(QStringLiteral("text_BlockTitle_") + block));
        QCOMPARE(m_ui->text(QStringLiteral("text_BlockTitle_") + block), QStringLiteral("Kitchen"));
        QVERIFY(m_ui->text(QStringLiteral("text_Placeholder_") + block).contains(test::FakeServer::kTextClass));

        QVERIFY(m_ui->click(QStringLiteral("button_EditMode")));
        QVERIFY(m_ui->click(QStringLiteral("button_AddProfile")));
        QVERIFY(m_ui->typeInto(QStringLiteral("field_ProfileName"), QStringLiteral("Evening"), false));
        QCOMPARE(m_ui->text(QStringLiteral("field_ProfileName")), QStringLiteral("Evening"));
        m_ui->key(Qt::Key_Return);
        QTRY_COMPARE(m_controller->blockModel()->profiles(),
                     (QStringList{QStringLiteral("Dashboard"), QStringLiteral("Evening")}));
        QCOMPARE(m_controller->currentProfile(), QStringLiteral("Evening"));
        QVERIFY(m_ui->isShown(QStringLiteral("text_EmptyProfile")));
        QVERIFY(m_ui->click(QStringLiteral("tab_Profile_0")));
        QCOMPARE(m_controller->currentProfile(), QStringLiteral("Dashboard"));
        QCOMPARE(test::unnamedControls(window->contentItem()), QStringList());

        QVERIFY(m_ui->click(QStringLiteral("button_RemoveBlock_") + block));
        QVERIFY(m_ui->waitUsable(QStringLiteral("text_RemoveBlockQuestion")));
        QVERIFY(m_ui->text(QStringLiteral("text_RemoveBlockQuestion")).contains(QStringLiteral("Kitchen")));
        QCOMPARE(test::unnamedControls(window->contentItem()), QStringList());
        QVERIFY(m_ui->click(QStringLiteral("button_RemoveBlockConfirm")));
        const auto* deleted = static_cast<const Message_DeleteBlock*>(m_server->waitFor(MessageType_e::DeleteModule));
        QVERIFY(deleted);
        QCOMPARE(deleted->GetBlockId(), id);
        QCOMPARE(m_controller->blockModel()->rowCount(), 0);
        QVERIFY2(warnings.warnings().isEmpty(), qPrintable(warnings.warnings().join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestClientUi)
#include "tst_clientui.moc"

#include "TestPeer.h"
#include "UiDriver.h"
#include "support/RunningApplication.h"

#include "app/TessivarServerApplication.h"
#include "app/UpdateFlow.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"
#include "core/Configuration.h"
#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QDesktopServices>
#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::as;
using tessivar::test::TestPeer;
using tessivar::test::UiDriver;

namespace {

// The misc plugin's text block: its editor has a text area, its data class the same id.
const QString kTextModule = QStringLiteral("com.tessivar.plugin.misc.text");
const QString kTextEditor = QStringLiteral("textArea_Text");
const QString kPeerId = QStringLiteral("0123456789abcdef0123456789abcdef");
// Away from the default port and from the other tests' ports.
constexpr quint16 kPort = 20986;

QStringList blockFolders()
{
    return QDir(QStringLiteral("modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Receives the URLs the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

// The real application with its window shown (offscreen), driven by clicks and keys on
// the window as a user would, with a test peer playing a registered phone.
class TestUserInterface : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<TestPeer> m_peer;
    std::unique_ptr<UiDriver> m_ui;

    TessivarServerApplication& application() { return m_server->application(); }

    void startServer()
    {
        QVERIFY(m_server->start());
        m_ui = std::make_unique<UiDriver>(application().mainWindow());
    }

    // The first start shows the tour; the user skips it.
    void skipTutorial()
    {
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialSkip")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_TutorialSkip")));
    }

    void registerPeer()
    {
        QVERIFY(m_peer->connectToServer(kPort));
        m_peer->send(Message_Hello(kPeerId));
        QVERIFY(m_peer->waitForMessage(MessageType_e::RegisterDevice));
        m_peer->send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                            QVersionNumber(2, 0, 0), {}));
        QVERIFY(m_peer->waitForMessage(MessageType_e::ModuleList));
    }

    ModuleSource* block(int row) { return qvariant_cast<ModuleSource*>(application().moduleList().get(row)); }

    // Add, pick the text module, type its text, choose the phone, place it; the phone
    // confirms as block 7.
    void placeBlockThroughTheWindow(const QString& text)
    {
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_ModuleSelection")));
        QVERIFY(m_ui->click(QStringLiteral("module_") + kTextModule));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(m_ui->typeInto(kTextEditor, text, false));
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + kPeerId));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));

        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        QVERIFY(request);
        QCOMPARE(request->GetDataClassId(), kTextModule);
        QCOMPARE(request->GetParameters().value(QStringLiteral("Text")).toString(), text);
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleSelection")));

        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 7, request->GetRequestIndex()));
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        QTRY_VERIFY(blockFolders().contains(QStringLiteral("7")));
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<test::RunningApplication>(kPort, test::RunningApplication::Window::Shown);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_MISC_PLUGIN), QStringLiteral("misc")));
        m_server->options().helloInterval = std::chrono::milliseconds(200);
        m_peer = std::make_unique<TestPeer>(kPeerId);
    }

    void cleanup()
    {
        m_ui.reset();
        m_peer.reset();
        m_server.reset();
    }

    void blockIsPlacedEditedAndDeletedByClicks()
    {
        startServer();
        skipTutorial();
        registerPeer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->isShown(QStringLiteral("emptyState_Modules")));

        placeBlockThroughTheWindow(QStringLiteral("typed by hand"));
        if (QTest::currentTestFailed())
            return;

        // The list shows the block with its title, its module, its device and that it is live.
        QTRY_VERIFY(m_ui->waitUsable(QStringLiteral("moduleRow_0")));
        QVERIFY(!m_ui->isShown(QStringLiteral("emptyState_Modules")));
        ModuleSource* placed = block(0);
        QVERIFY(placed);
        QCOMPARE(m_ui->text(QStringLiteral("text_ModuleTitle")), placed->GetModuleTitle());
        QVERIFY(!placed->GetModuleTitle().isEmpty());
        const QString deviceName = (*application().deviceManager().GetDevice(kPeerId))->GetName();
        QVERIFY(!deviceName.isEmpty());
        QTRY_VERIFY2(m_ui->text(QStringLiteral("text_ModuleDetails")).contains(deviceName),
                     qPrintable(m_ui->text(QStringLiteral("text_ModuleDetails"))));
        QVERIFY(m_ui->text(QStringLiteral("text_ModuleDetails")).contains(QStringLiteral("live")));

        // Edit, change the text, cancel: the block is as it was.
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(!m_ui->isShown(QStringLiteral("chooser_Device")));
        QVERIFY(m_ui->typeInto(kTextEditor, QStringLiteral("changed"), false));
        auto* parameters = placed->GetInstance()->instanceData()->clientParameters();
        QTRY_COMPARE(parameters->value(QStringLiteral("Text")).toString(), QStringLiteral("changed"));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionCancel")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QCOMPARE(parameters->value(QStringLiteral("Text")).toString(), QStringLiteral("typed by hand"));

        // Edit and save with Enter: the change stays.
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->typeInto(kTextEditor, QStringLiteral("kept"), false));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QCOMPARE(parameters->value(QStringLiteral("Text")).toString(), QStringLiteral("kept"));

        // Delete asks once, then the block leaves the device, the disk and the list.
        m_peer->clearReceived();
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleDelete")));
        QVERIFY(m_ui->click(QStringLiteral("button_DeleteConfirm")));
        const auto* deletion = as<Message_DeleteBlock>(m_peer->waitForMessage(MessageType_e::DeleteModule));
        QVERIFY(deletion);
        QCOMPARE(deletion->GetBlockId(), BlockId_t(7));
        QTRY_COMPARE(application().moduleList().rowCount(), 0);
        QTRY_VERIFY(blockFolders().isEmpty());
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("emptyState_Modules")));
    }

    void selectionClosesByTheAddButtonAndEscape()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QQuickItem* selection = m_ui->find(QStringLiteral("widget_ModuleSelection"));
        QQuickItem* addButton = m_ui->find(QStringLiteral("button_AddModule"));
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(selection->isVisible());
        QCOMPARE(addButton->property("angle").toReal(), 45.0); // the plus turns into a close sign
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(!selection->isVisible());
        QCOMPARE(addButton->property("angle").toReal(), 0.0);

        // Clicking beside the panel, nothing picked yet, closes it too.
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(selection->isVisible());
        QVERIFY(m_ui->click(QStringLiteral("area_BesideSelection")));
        QTRY_VERIFY(!selection->isVisible());

        // A module picked, then Escape in the editor: nothing is placed.
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QVERIFY(m_ui->click(QStringLiteral("module_") + kTextModule));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        QTRY_VERIFY(application().moduleBeingCreated());
        m_ui->key(Qt::Key_Escape);
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QTRY_VERIFY(!application().moduleBeingCreated());
        QCOMPARE(application().moduleList().rowCount(), 0);
    }

    void settingsAreStoredAndReset()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        application().setSystemTrayAvailable(true);
        QVERIFY(m_ui->click(QStringLiteral("button_Settings")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_Settings")));
        QCOMPARE(m_ui->text(QStringLiteral("textField_Port")), QString::number(kPort));

        QVERIFY(m_ui->typeInto(QStringLiteral("textField_Port"), QStringLiteral("30123")));
        QVERIFY(m_ui->typeInto(QStringLiteral("textField_DeviceName"), QStringLiteral("Study PC")));
        QVERIFY(m_ui->click(QStringLiteral("switch_CloseToTray")));
        QVERIFY(m_ui->click(QStringLiteral("switch_DebugLogging")));
        {
            const Configuration stored(m_server->folder().filePath(QStringLiteral("config")));
            QCOMPARE(stored.Port(), 30123);
            QCOMPARE(stored.DeviceName(), QStringLiteral("Study PC"));
            QVERIFY(stored.CloseToTray());
            QVERIFY(stored.LogDebug());
            QVERIFY(!stored.MinimizeToTray());
        }

        // A port out of range is not taken.
        QVERIFY(m_ui->typeInto(QStringLiteral("textField_Port"), QStringLiteral("70000")));
        QVERIFY(m_ui->click(QStringLiteral("button_ResetPort")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("textField_Port")), QStringLiteral("20948"));
        {
            const Configuration stored(m_server->folder().filePath(QStringLiteral("config")));
            QCOMPARE(stored.Port(), 20948);
        }

        // Escape closes the page.
        QVERIFY(m_ui->click(QStringLiteral("textField_Port")));
        m_ui->key(Qt::Key_Escape);
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_Settings")));
    }

    void tabFollowsTheReadingOrder()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QQuickWindow* window = application().mainWindow();
        QStringList visited;
        for (int i = 0; i < 12; ++i) {
            m_ui->key(Qt::Key_Tab);
            if (QQuickItem* focused = window->activeFocusItem())
                visited.append(focused->objectName());
        }
        const QStringList expected{
            "button_Minimize",          "button_Close", "button_AddModule", "button_NetworkStatus",
            "button_PluginInformation", "button_About", "button_Settings"};
        const int start = visited.indexOf(expected.first());
        QVERIFY2(start >= 0, qPrintable(visited.join(QLatin1Char(' '))));
        QCOMPARE(visited.mid(start, expected.size()), expected);

        // Enter on the focused settings button opens the page.
        for (int i = 0; i < 12 && window->activeFocusItem()->objectName() != QLatin1String("button_Settings"); ++i)
            m_ui->key(Qt::Key_Tab);
        m_ui->key(Qt::Key_Return);
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_Settings")));
    }

    void anAnnouncedVersionIsOfferedInTheBottomBar()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!m_ui->isShown(QStringLiteral("button_UpdateDownload")));
        Q_EMIT application().updateFlow().updateManager().updateAvailable(QVersionNumber(1, 6, 0));
        QVERIFY(m_ui->waitUsable(QStringLiteral("button_UpdateDownload")));
        QVERIFY(m_ui->text(QStringLiteral("button_UpdateDownload")).contains(QStringLiteral("1.6.0")));

        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        QVERIFY(m_ui->click(QStringLiteral("button_UpdateDownload")));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(catcher.urls.first().toString().endsWith(QStringLiteral("/index.html#download")));
    }

    void pagesShowOneAtATime_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::newRow("network") << "button_NetworkStatus"
                                 << "widget_NetworkStatus";
        QTest::newRow("plugins") << "button_PluginInformation"
                                 << "widget_PluginInformation";
        QTest::newRow("about") << "button_About"
                               << "widget_About";
        QTest::newRow("settings") << "button_Settings"
                                  << "widget_Settings";
    }

    void pagesShowOneAtATime()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        const QStringList pages{"widget_NetworkStatus", "widget_PluginInformation", "widget_About", "widget_Settings"};
        QVERIFY(m_ui->click(QStringLiteral("button_About")));
        QVERIFY(m_ui->click(button));
        for (const QString& other : pages)
            QTRY_COMPARE(m_ui->isShown(other), other == page && page != QLatin1String("widget_About"));
        QVERIFY(m_ui->click(button)); // again: hidden, or shown for the about page
        for (const QString& other : pages)
            QTRY_COMPARE(m_ui->isShown(other), other == page && page == QLatin1String("widget_About"));
    }

    void aboutShowsTheVersions()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_ui->text(QStringLiteral("text_Version")), QStringLiteral("1.5.1"));
        QVERIFY(m_ui->click(QStringLiteral("button_About")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_QtVersion")), QString::fromLatin1(qVersion()));
        QCOMPARE(m_ui->text(QStringLiteral("text_SoftwareVersion")), QStringLiteral("1.5.1"));
    }

    void changeSettingsOfTheNetworkErrorOpensTheSettings()
    {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, kPort));
        startServer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_Error")));
        QCOMPARE(m_ui->text(QStringLiteral("text_ErrorCode")), QStringLiteral("#1"));
        QVERIFY(m_ui->click(QStringLiteral("button_ErrorAction_1")));
        QTRY_VERIFY2(!m_ui->isShown(QStringLiteral("widget_Error")),
                     qPrintable(QString::number(m_ui->isShown(QStringLiteral("widget_Settings")))));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_Settings")));
    }

    void tutorialIsShownOnceOnly()
    {
        startServer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialNext")));
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialNext")));
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialNext"))); // "Start" on the last step
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_TutorialNext")));
        QVERIFY(!Configuration(m_server->folder().filePath(QStringLiteral("config"))).ShowTutorial());
    }

    void aDeviceIsAddedByItsAddressAndForgotten()
    {
        startServer();
        skipTutorial();
        registerPeer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("deviceRow_0")));
        QTRY_VERIFY(m_ui->text(QStringLiteral("text_DeviceName")) == QStringLiteral("Phone"));

        QVERIFY(m_ui->typeInto(QStringLiteral("textField_DeviceAddress"), QStringLiteral("127.0.0.9")));
        QTRY_COMPARE(application().deviceManager().GetModel()->rowCount(), 2);

        QQuickItem* row = m_ui->find(QStringLiteral("deviceRow_0"));
        QTest::mouseMove(application().mainWindow(), row->mapToScene(QPointF(row->width() / 2, 8)).toPoint());
        QVERIFY(m_ui->click(QStringLiteral("button_RemoveDevice")));
        QVERIFY(m_ui->click(QStringLiteral("button_RemoveConfirm")));
        QTRY_VERIFY(!application().deviceManager().GetDevice(kPeerId));
    }

    // With approval required, two new devices wait in the list; one is approved and one
    // refused by clicks on their rows, and only the approved one is then served.
    void newDevicesAreApprovedAndRefusedByClicks()
    {
        const QString approvedId = QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
        const QString refusedId = QStringLiteral("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
        constexpr int kSilenceMs = 400;
        m_server->configuration().setRequireDeviceApproval(true);
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        TestPeer approved(approvedId, QHostAddress(QStringLiteral("127.0.0.2")));
        TestPeer refused(refusedId, QHostAddress(QStringLiteral("127.0.0.3")));
        const auto greeted = [](TestPeer& peer, int timeoutMs) {
            peer.send(Message_Hello(peer.sender().id));
            return peer.waitForMessage(MessageType_e::RegisterDevice, timeoutMs) != nullptr;
        };
        QVERIFY(approved.connectToServer(kPort));
        QVERIFY(refused.connectToServer(kPort));
        QVERIFY(!greeted(approved, kSilenceMs));
        QVERIFY(!greeted(refused, kSilenceMs));

        QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("button_ApproveDevice_") + approvedId));
        QVERIFY(m_ui->waitUsable(QStringLiteral("button_RefuseDevice_") + refusedId));
        QVERIFY(m_ui->click(QStringLiteral("button_ApproveDevice_") + approvedId));
        QVERIFY(m_ui->click(QStringLiteral("button_RefuseDevice_") + refusedId));

        // The approved device loses its buttons; the refused one keeps Approve only.
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_ApproveDevice_") + approvedId));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_RefuseDevice_") + refusedId));
        QVERIFY(m_ui->isShown(QStringLiteral("button_ApproveDevice_") + refusedId));

        QVERIFY(greeted(approved, 5000));
        approved.send(Message_RegisterDevice(QStringLiteral("Tablet"), device::ApplicationType_e::Client,
                                             QVersionNumber(2, 0, 0), {}));
        QVERIFY(approved.waitForMessage(MessageType_e::ModuleList));
        QVERIFY(!greeted(refused, kSilenceMs));
        refused.send(Message_RegisterDevice(QStringLiteral("Intruder"), device::ApplicationType_e::Client,
                                            QVersionNumber(2, 0, 0), {}));
        QVERIFY(!refused.waitForMessage(MessageType_e::ModuleList, kSilenceMs));
    }
};

QTEST_MAIN(TestUserInterface)
#include "tst_userinterface.moc"

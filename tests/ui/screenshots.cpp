// Renders every page and popup of the window, light and dark, into PNG files: the real
// application in a temporary working folder, two test peers playing a phone and a
// tablet, blocks placed through the window. Run by scripts/screenshots.sh under Xvfb.
//
//   tessivar_screenshots <output folder> [plugin library]

#include "ModuleTestSupport.h"
#include "TestPeer.h"
#include "UiDriver.h"
#include "support/TestWorkingFolder.h"

#include "app/BaseTask.h"
#include "app/ErrorHandler.h"
#include "app/TaskManager.h"
#include "app/TessivarServerApplication.h"
#include "app/WindowParts.h"
#include "app/UpdateFlow.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/Configuration.h"
#include "ui/BottomBarWidget.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::TestPeer;
using tessivar::test::UiDriver;

namespace {

constexpr quint16 kPort = 20987;

struct Scene {
    const char* name;
    std::function<void()> show;
    std::function<void()> hide;
};

void settle(int ms = 400)
{
    QTest::qWait(ms);
}

std::unique_ptr<TestPeer> registeredPeer(const QString& id, const QString& name, const QHostAddress& address)
{
    auto peer = std::make_unique<TestPeer>(id, address);
    peer->sender().name = name;
    peer->sender().softwareVersion = QVersionNumber(1, 5, 1);
    if (!peer->connectToServer(kPort))
        return nullptr;
    peer->send(Message_Hello(id));
    if (!peer->waitForMessage(MessageType_e::RegisterDevice))
        return nullptr;
    peer->send(Message_RegisterDevice(name, device::ApplicationType_e::Client, QVersionNumber(1, 5, 1), {}));
    return peer->waitForMessage(MessageType_e::ModuleList) ? std::move(peer) : nullptr;
}

// The user places a block of the module on the peer's device, typing its text if it has
// one; the device accepts it.
bool placeBlock(UiDriver& ui, TestPeer& peer, const QString& moduleObjectName, const QString& text, BlockId_t id)
{
    if (!ui.click(QStringLiteral("button_AddModule")) || !ui.click(moduleObjectName))
        return false;
    if (!text.isEmpty())
        ui.typeInto(QStringLiteral("textArea_Text"), text, false);
    if (!ui.click(QStringLiteral("deviceChoice_") + peer.sender().id)
        || !ui.click(QStringLiteral("button_EditionAccept")))
        return false;
    const auto* request = test::as<Message_RegisterBlock>(peer.waitForMessage(MessageType_e::RegisterModule));
    if (!request)
        return false;
    peer.send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, id, request->GetRequestIndex()));
    return peer.waitForMessage(MessageType_e::UpdateParameters) != nullptr;
}

// The window builds a popup the first time it is needed.
QObject* popup(QQuickWindow* window, const char* part)
{
    return buildWindowPart(window, QString::fromLatin1(part));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        qCritical("usage: tessivar_screenshots <output folder> [plugin library]");
        return 2;
    }
    for (const char* font : {"Bold", "Light", "Medium", "Regular", "Thin"})
        QFontDatabase::addApplicationFont(QStringLiteral(":/font/Font/Roboto-%1.ttf").arg(QLatin1String(font)));
    const QDir output(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    QDir().mkpath(output.path());
    const QString plugin = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TESSIVAR_MISC_PLUGIN);

    test::TestWorkingFolder folder;
    if (!folder.isValid() || !test::installPlugin(plugin, QStringLiteral("misc")))
        return 1;
    Configuration configuration(folder.filePath(QStringLiteral("config")));
    configuration.setPort(kPort);
    configuration.setDeviceName(QStringLiteral("Studio PC"));

    TessivarServerApplication::Options options;
    options.splashHideDelayMs = 0;
    TessivarServerApplication application(options, configuration);
    QSignalSpy ready(&application, &TessivarServerApplication::applicationReady);
    if (!application.isValid() || !ready.wait(20000))
        return 1;
    QQuickWindow* window = application.mainWindow();
    window->resize(1200, 800);
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    UiDriver ui(window);
    QQmlEngine& engine = application.engine();
    QObject* theme = engine.singletonInstance<QObject*>(qmlTypeId("com.tessivar.widgets", 1, 0, "Theme"));

    auto save = [&](const QString& name) {
        QTest::mouseMove(window, QPoint(window->width() / 2, window->height() - 8)); // no tooltip in the shot
        settle();
        const QString path = output.filePath(name + QStringLiteral(".png"));
        if (!window->grabWindow().save(path))
            qWarning("Could not save %s", qPrintable(path));
        else
            qInfo("Saved %s", qPrintable(path));
    };

    save(QStringLiteral("tutorial-light"));
    ui.click(QStringLiteral("button_TutorialSkip"));
    settle();
    save(QStringLiteral("empty-light"));

    auto phone = registeredPeer(QStringLiteral("0123456789abcdef0123456789abcdef"), QStringLiteral("Pixel phone"),
                                QHostAddress(QStringLiteral("127.0.0.2")));
    auto tablet = registeredPeer(QStringLiteral("fedcba9876543210fedcba9876543210"), QStringLiteral("Kitchen tablet"),
                                 QHostAddress(QStringLiteral("127.0.0.3")));
    application.addDevice(QStringLiteral("127.0.0.40"));
    if (!phone || !tablet)
        return 1;
    const QString module = QStringLiteral("module_com.tessivar.plugin.misc.text");
    if (!placeBlock(ui, *phone, module, QStringLiteral("Meeting at 10"), 1)
        || !placeBlock(ui, *tablet, QStringLiteral("module_com.tessivar.plugin.misc.clock"), QString(), 2))
        return 1;

    // New devices wait for approval from here on (the phone and the tablet are approved):
    // one visitor waits, another has been refused from its row.
    const QString waitingId = QStringLiteral("1111222233334444aaaabbbbccccdddd");
    const QString refusedId = QStringLiteral("5555666677778888eeeeffff00001111");
    configuration.setApprovedDevices({phone->sender().id, tablet->sender().id});
    configuration.setRequireDeviceApproval(true);
    TestPeer visitor(waitingId, QHostAddress(QStringLiteral("127.0.0.4")));
    TestPeer intruder(refusedId, QHostAddress(QStringLiteral("127.0.0.5")));
    for (TestPeer* peer : {&visitor, &intruder}) {
        if (!peer->connectToServer(kPort))
            return 1;
        peer->send(Message_Hello(peer->sender().id));
    }
    ui.click(QStringLiteral("button_NetworkStatus"));
    if (!ui.waitUsable(QStringLiteral("button_ApproveDevice_") + waitingId)
        || !ui.click(QStringLiteral("button_RefuseDevice_") + refusedId))
        return 1;
    ui.click(QStringLiteral("button_NetworkStatus"));
    settle();

    BaseTask task(QStringLiteral("Downloading the logs of Pixel phone…"));
    TaskCompletion completion;
    completion.title = QStringLiteral("Logs downloaded");
    completion.message = QStringLiteral("The logs of Pixel phone are in the Downloads folder.");
    task.setCompletion(completion);
    TaskManager::instance().addTask(&task);

    QList<Scene> scenes{
        {"main", [] {}, [] {}},
        {"update-available",
         [&] { Q_EMIT application.updateFlow().updateManager().updateAvailable(QVersionNumber(1, 6, 0)); },
         [&] {
             if (auto* bar = window->findChild<ui::BottomBarWidget*>())
                 bar->setAvailableVersion({});
         }},
        {"selection", [&] { ui.click(QStringLiteral("button_AddModule")); },
         [&] { ui.click(QStringLiteral("button_AddModule")); }},
        {"delete", [&] { ui.click(QStringLiteral("button_ModuleDelete")); },
         [&] { ui.click(QStringLiteral("button_DeleteCancel")); }},
        {"network", [&] { ui.click(QStringLiteral("button_NetworkStatus")); },
         [&] { ui.click(QStringLiteral("button_NetworkStatus")); }},
        {"device-approval", [&] { ui.click(QStringLiteral("button_NetworkStatus")); },
         [&] { ui.click(QStringLiteral("button_NetworkStatus")); }},
        {"device-information",
         [&] {
             ui.click(QStringLiteral("button_NetworkStatus"));
             ui.click(QStringLiteral("deviceRow_0"));
         },
         [&] {
             ui.click(QStringLiteral("button_DeviceInformationClose"));
             ui.click(QStringLiteral("button_NetworkStatus"));
         }},
        {"plugins", [&] { ui.click(QStringLiteral("button_PluginInformation")); },
         [&] { ui.click(QStringLiteral("button_PluginInformation")); }},
        {"about", [&] { ui.click(QStringLiteral("button_About")); }, [&] { ui.click(QStringLiteral("button_About")); }},
        {"settings", [&] { ui.click(QStringLiteral("button_Settings")); },
         [&] { ui.click(QStringLiteral("button_Settings")); }},
        {"error",
         [&] {
             application.errorHandler()->report(ErrorHandler::NetworkError, {},
                                                QStringLiteral("Port 20948 is already in use"));
         },
         [&] { ui.click(QStringLiteral("button_ErrorOk")); }},
        {"task-busy", [&] { task.start(); }, [] {}},
        {"task-result", [&] { task.finish(); }, [&] { ui.click(QStringLiteral("button_TaskOk")); }},
        {"release-notes", [&] { QMetaObject::invokeMethod(popup(window, "releaseNotes"), "open"); },
         [&] { ui.click(QStringLiteral("button_ReleaseNotesClose")); }},
        {"firewall", [&] { QMetaObject::invokeMethod(popup(window, "firewallInformation"), "open"); },
         [&] { ui.click(QStringLiteral("button_FirewallLater")); }},
        {"tutorial", [&] { QMetaObject::invokeMethod(popup(window, "tutorial"), "open"); },
         [&] { QMetaObject::invokeMethod(popup(window, "tutorial"), "close"); }},
    };

    // The edition panel of every module of the misc plugin, after the selection panel.
    qsizetype at = 3;
    for (const char* name : {"edition-text", "edition-clock", "edition-shortcut", "edition-macro",
                             "edition-openwebpage", "edition-devicestatus"}) {
        const QString edited = QStringLiteral("module_com.tessivar.plugin.misc.") + QLatin1String(name + 8);
        scenes.insert(at++,
                      {name,
                       [&ui, edited] {
                           ui.click(QStringLiteral("button_AddModule"));
                           ui.click(edited);
                           ui.waitUsable(QStringLiteral("loader_ParameterEditor"));
                       },
                       [&ui] {
                           ui.click(QStringLiteral("button_EditionCancel"));
                           ui.click(QStringLiteral("button_AddModule"));
                       }});
    }

    for (const char* scheme : {"light", "dark"}) {
        theme->setProperty("scheme", QString::fromLatin1(scheme));
        for (const Scene& scene : scenes) {
            if (QLatin1String(scene.name).startsWith(QLatin1String("task"))
                && QLatin1String(scheme) == QLatin1String("dark")) {
                // A task runs once: the dark shots of its popups come from a second task.
                continue;
            }
            scene.show();
            save(QStringLiteral("%1-%2").arg(QString::fromLatin1(scene.name), QString::fromLatin1(scheme)));
            scene.hide();
            settle(250);
        }
    }

    BaseTask darkTask(QStringLiteral("Exporting the dashboard of Kitchen tablet…"));
    darkTask.setCompletion(completion);
    TaskManager::instance().addTask(&darkTask);
    darkTask.start();
    save(QStringLiteral("task-busy-dark"));
    darkTask.finish();
    save(QStringLiteral("task-result-dark"));
    ui.click(QStringLiteral("button_TaskOk"));
    return 0;
}

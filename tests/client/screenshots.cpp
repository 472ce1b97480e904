// Renders the client's window (the server list, the dashboard light and dark, edit
// mode) into PNG files, in a real X window: scripts/client-screenshots.sh runs it.
#include "ClientQml.h"
#include "DisplayFileCache.h"
#include "FakeServer.h"
#include "ServerListModel.h"
#include "UiDriver.h"

#include "communication/messages/Message_RegisterBlock.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace tessivar;

namespace {

bool save(QQuickWindow* window, const QString& folder, const QString& name)
{
    QTest::qWait(300);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = window->grabWindow().save(path);
    qInfo().noquote() << (saved ? "Wrote" : "Cannot write") << path;
    return saved;
}

QQuickWindow* load(QQmlApplicationEngine& engine, client::ClientController& controller, const QString& scheme)
{
    QQmlContext* context = engine.rootContext();
    context->setContextProperty(QStringLiteral("controller"), &controller);
    context->setContextProperty(QStringLiteral("startFullscreen"), false);
    context->setContextProperty(QStringLiteral("colorScheme"), scheme);
    context->setContextProperty(QStringLiteral("systemPaletteIsDark"), false);
    engine.load(QUrl(QStringLiteral("qrc:/client/Main.qml")));
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(output);
    client::registerClientQml();
    QTemporaryDir folder;

    {
        client::ClientOptions options;
        client::ClientController controller(
            options, {folder.filePath(QStringLiteral("list")), folder.filePath(QStringLiteral("cache"))});
        auto* servers = static_cast<client::ServerListModel*>(controller.serverModel());
        servers->heard(QStringLiteral("Office PC"), QStringLiteral("192.168.1.20"), 20948);
        servers->heard(QStringLiteral("Living room"), QStringLiteral("192.168.1.34"), 20948);
        QQmlApplicationEngine engine;
        QQuickWindow* window = load(engine, controller, QStringLiteral("light"));
        if (!window || !save(window, output, QStringLiteral("client-server-list")))
            return 1;
    }

    // The misc plugin's text widget in the cache, as a first start would have fetched it.
    QFile widget(QStringLiteral(TESSIVAR_SOURCE_DIR "/plugins/misc/resources/TextModule/DataWidget.qml"));
    if (!widget.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray content = widget.readAll();
    const ModuleDataClassInfo_t text{test::FakeServer::kTextClass,
                                     {{QStringLiteral("DataWidget.qml"), checksum(content)}}};
    for (const QString& scheme : {QStringLiteral("light"), QStringLiteral("dark")}) {
        client::DisplayFileCache cache(folder.filePath(scheme + QStringLiteral("/cache")));
        QDir().mkpath(cache.folderOf(text));
        QFile kept(QDir(cache.folderOf(text)).filePath(QStringLiteral("DataWidget.qml")));
        if (!kept.open(QIODevice::WriteOnly) || kept.write(content) != content.size())
            return 1;
        kept.close();
        test::FakeServer server;
        auto controller = server.startClient(folder.filePath(scheme), text);
        if (!controller)
            return 1;
        const QList<std::pair<QString, QString>> blocks{
            {QStringLiteral("Shopping"), QStringLiteral("Milk, bread, tea")},
            {QStringLiteral("Today"), QStringLiteral("Dentist at 4")},
            {QStringLiteral("Office"), QStringLiteral("Back at 2 pm")}};
        int request = 0;
        for (const auto& [title, words] : blocks) {
            server.send(communication::Message_RegisterBlock(
                text.classId, {}, {},
                {{QStringLiteral("TessivarModuleTitle"), title},
                 {QStringLiteral("Text"), words},
                 {QStringLiteral("Size"), 30},
                 {QStringLiteral("Color"), scheme == QLatin1String("dark") ? QColor("#e0e0e0") : QColor("#1b1c1f")}},
                {}, ++request));
        }
        QTest::qWait(500);
        QQmlApplicationEngine engine;
        QQuickWindow* window = load(engine, *controller, scheme);
        if (!window || !save(window, output, QStringLiteral("client-dashboard-") + scheme))
            return 1;
        if (scheme == QLatin1String("light")) {
            test::UiDriver ui(window);
            ui.click(QStringLiteral("button_EditMode"));
            if (!save(window, output, QStringLiteral("client-edit-mode")))
                return 1;
        }
    }
    return 0;
}

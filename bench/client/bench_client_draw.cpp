// From the server's RegisterModule to the block drawn in tessivar-client's window: a
// loopback server that speaks the protocol sends the request, the client's controller
// answers it, its window loads the misc plugin's Text widget from the display cache, and
// the clock stops once a frame with the loaded widget is drawn. 200 blocks one after
// the other, median and p99, beside the same widget created bare (QQmlComponent into a
// plain window, to its first frame) in the same run, printed as ratios. Run it inside a
// private network namespace (scripts/in-private-network.sh).

#include "BenchSupport.h"
#include "ClientController.h"
#include "ClientQml.h"
#include "DisplayFileCache.h"
#include "FakeServer.h"

#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace tessivar;
using tessivar::bench::waitFor;

namespace {

constexpr int kBlocks = 200;

using Figures = bench::Percentiles;

// Items by the visual tree, where a view's delegates are (not always QObject children).
QQuickItem* findItem(QQuickItem* item, const QString& name)
{
    if (item->objectName() == name)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = findItem(child, name))
            return found;
    return nullptr;
}

// Once `ready` holds, the window renders what it shows now: a grab draws the scene
// whole, whether or not a frame was due, in the client's window and the bare one alike.
bool drawWhenReady(QQuickWindow* window, const std::function<bool()>& ready)
{
    if (!waitFor(ready, 5000))
        return false;
    return !window->grabWindow().isNull();
}

std::optional<Figures> throughTheClient(QQuickWindow* window, test::FakeServer& server,
                                        client::ClientController& controller, const QString& dataClass)
{
    client::BlockModel* blocks = controller.blockModel();
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int block = 0; block < kBlocks; ++block) {
        timer.start();
        server.send(communication::Message_RegisterBlock(
            dataClass, {}, {}, {{QStringLiteral("Text"), QStringLiteral("Block %1").arg(block)}}, {},
            BlockCreationRequestId_t(block + 1)));
        QQuickItem* host = nullptr;
        const auto loaded = [&] {
            const QList<quint32> ids = blocks->ids();
            if (ids.isEmpty())
                return false;
            host = findItem(window->contentItem(), QStringLiteral("widget_Block_%1").arg(ids.first()));
            return host && host->property("loaded").toBool();
        };
        if (!drawWhenReady(window, loaded))
            return std::nullopt;
        times.push_back(timer.nsecsElapsed());
        // Not timed: the block goes again, so that every one is drawn in the same place.
        server.send(communication::Message_DeleteBlock(blocks->ids().first()));
        if (!waitFor([&] { return blocks->rowCount() == 0; }, 5000))
            return std::nullopt;
    }
    return bench::percentilesOf(times, 1e6);
}

std::optional<Figures> bare(const QUrl& widget, QSize size)
{
    QQmlEngine engine;
    QQuickWindow window;
    window.resize(size);
    window.show();
    if (!waitFor([&] { return window.isExposed(); }, 5000))
        return std::nullopt;
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int block = 0; block < kBlocks; ++block) {
        timer.start();
        QQmlContext context(engine.rootContext());
        context.setContextProperty(QStringLiteral("moduleParameters"),
                                   QVariantMap{{QStringLiteral("Text"), QStringLiteral("Block %1").arg(block)}});
        context.setContextProperty(QStringLiteral("moduleData"), QVariantMap());
        QQmlComponent component(&engine, widget);
        auto* item = qobject_cast<QQuickItem*>(component.create(&context));
        if (!item) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return std::nullopt;
        }
        item->setParentItem(window.contentItem());
        item->setSize(QSizeF(240, 140));
        if (!drawWhenReady(&window, [] { return true; }))
            return std::nullopt;
        times.push_back(timer.nsecsElapsed());
        delete item;
    }
    return bench::percentilesOf(times, 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    if (!bench::onlyLoopbackIsUp()) {
        std::fprintf(stderr, "Run me inside scripts/in-private-network.sh: only loopback may be up.\n");
        return 2;
    }
    // Logging would cost more than what is measured.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false");
    client::registerClientQml();

    QFile widget(QStringLiteral(TESSIVAR_SOURCE_DIR "/plugins/misc/resources/TextModule/DataWidget.qml"));
    QTemporaryDir folder;
    if (!folder.isValid() || !widget.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Could not prepare the folders\n");
        return 1;
    }
    // The widget in the cache, as a first start would have fetched it.
    const QByteArray content = widget.readAll();
    const ModuleDataClassInfo_t text{test::FakeServer::kTextClass,
                                     {{QStringLiteral("DataWidget.qml"), checksum(content)}}};
    client::DisplayFileCache cache(folder.filePath(QStringLiteral("cache")));
    QDir().mkpath(cache.folderOf(text));
    const QString kept = QDir(cache.folderOf(text)).filePath(QStringLiteral("DataWidget.qml"));
    QFile copy(kept);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(content) != content.size())
        return 1;
    copy.close();

    std::optional<Figures> client;
    QSize size;
    {
        test::FakeServer server;
        auto controller = server.startClient(folder.path(), text);
        if (!controller) {
            std::fprintf(stderr, "The client did not register\n");
            return 1;
        }
        QQmlApplicationEngine engine;
        QQmlContext* context = engine.rootContext();
        context->setContextProperty(QStringLiteral("controller"), controller.get());
        context->setContextProperty(QStringLiteral("startFullscreen"), false);
        context->setContextProperty(QStringLiteral("colorScheme"), QString());
        context->setContextProperty(QStringLiteral("systemPaletteIsDark"), false);
        engine.load(QUrl(QStringLiteral("qrc:/client/Main.qml")));
        auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().value(0));
        if (!window || !waitFor([window] { return window->isExposed(); }, 5000)) {
            std::fprintf(stderr, "The client's window did not show\n");
            return 1;
        }
        size = window->size();
        client = throughTheClient(window, server, *controller, text.classId);
    }
    const auto baseline = bare(QUrl::fromLocalFile(kept), size);
    if (!client || !baseline) {
        std::fprintf(stderr, "A block was not drawn within 5 s\n");
        return 1;
    }
    std::printf("%d blocks, one at a time, on loopback\n", kBlocks);
    std::printf("RegisterModule -> block drawn in the client: median %.2f ms, p99 %.2f ms\n", client->median,
                client->p99);
    std::printf("bare widget created and drawn:            median %.2f ms, p99 %.2f ms\n", baseline->median,
                baseline->p99);
    std::printf("ratio: median %.2f, p99 %.2f\n", client->median / baseline->median, client->p99 / baseline->p99);
    return 0;
}

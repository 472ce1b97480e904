#include "MacroModule.h"
#include "TessivarPropertyMap.h"
#include "app/UserInterfaceFlow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QQmlContext>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QQuickView>
#include <QRasterWindow>
#include <QStandardPaths>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include "platform/KeyInput.h"

#include <X11/keysym.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <memory>

namespace {

// The child process runs the recording and the replay on the X server given to it.
const char* kUnderX = "--under-x";
// How long an X server may take to come up.
constexpr int kXStartTimeoutMs = 10000;

// A window that collects the text of the keys it receives.
class KeyWindow : public QRasterWindow
{
public:
    QString typed;
    int releases = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override { typed += event->text(); }
    void keyReleaseEvent(QKeyEvent*) override { ++releases; }
};

bool activate(QWindow& window)
{
    window.show();
    window.requestActivate();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace

// Runs in the child, on a real X server: keys typed with xdotool into the macro editor
// are recorded, and the replay sends them through XTest to another window.
class TestMacroUnderX : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The editor is built of the window's own widgets.
    void initTestCase() { tessivar::UserInterfaceFlow::registerQmlTypes(); }

    void recordedKeysReplayIntoAnotherWindow()
    {
        MacroModule module;
        TessivarModuleInstanceData* data = module.instanceData();
        QQuickView editor;
        editor.rootContext()->setContextProperty(QStringLiteral("moduleLocalParameters"),
                                                 data->localParameters()->forQml());
        editor.rootContext()->setContextProperty(QStringLiteral("moduleClientParameters"),
                                                 data->clientParameters()->forQml());
        editor.rootContext()->setContextProperty(QStringLiteral("moduleHelpers"), data->helpers());
        editor.setResizeMode(QQuickView::SizeRootObjectToView);
        editor.resize(480, 480);
        editor.setSource(QUrl(QStringLiteral("qrc:/com.tessivar.plugin.misc.resources/MacroModule/Parameters.qml")));
        QVERIFY(editor.rootObject());
        QVERIFY(activate(editor));
        QVERIFY(QMetaObject::invokeMethod(editor.rootObject(), "startEdition"));

        auto* record = editor.rootObject()->findChild<QQuickItem*>(QStringLiteral("button_Record"));
        QVERIFY(record);
        QVERIFY(QQuickTest::qWaitForPolish(&editor));
        QTest::mouseClick(&editor, Qt::LeftButton, Qt::NoModifier,
                          record->mapToScene(QPointF(record->width() / 2, record->height() / 2)).toPoint());
        QCOMPARE(record->property("text").toString(), QStringLiteral("Stop recording"));

        // Real key events from the X server, as a keyboard makes them.
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("key"), QStringLiteral("b"), QStringLiteral("c")}),
                 0);
        auto* keys = editor.rootObject()->findChild<QQuickItem*>(QStringLiteral("listView_Keys"));
        QVERIFY(keys);
        QTRY_COMPARE(keys->property("count").toInt(), 4);
        QVERIFY(QMetaObject::invokeMethod(editor.rootObject(), "endEdition"));

        const MacroKeyEventList events
            = MacroModuleData::decodeSequence(data->getLocalParameter(QStringLiteral("Sequence")).toList());
        QCOMPARE(events.size(), size_t(4));
        QList<quint32> virtualKeys;
        QList<int> actions;
        for (const MacroKeyEvent_t& event : events) {
            virtualKeys.append(event.virtualKey);
            actions.append(event.action);
            QVERIFY(event.scanCode != 0);
        }
        QCOMPARE(virtualKeys, (QList<quint32>{XK_b, XK_b, XK_c, XK_c}));
        QCOMPARE(actions, (QList<int>{0, 1, 0, 1}));
        auto* recorder = data->helpers()->value(QStringLiteral("MacroRecorder")).value<QObject*>();
        QCOMPARE(recorder->property("keyNames").toStringList(), (QStringList{"b", "b", "c", "c"}));

        KeyWindow target;
        target.resize(200, 100);
        QVERIFY(activate(target));
        module.processData({{QStringLiteral("Command"), 1}});
        QTRY_COMPARE(target.typed, QStringLiteral("bc"));
        QTRY_COMPARE(target.releases, 2);
        QTRY_VERIFY(!module.isPlaying());

        // Keys this X server does not have (a macro from another platform, a damaged
        // file) are skipped; nothing reaches the window and the program lives on.
        data->setLocalParameter(QStringLiteral("Sequence"),
                                MacroModuleData::encodeSequence({{0, 0, 5000, 0}, {0, 0, 3, 0}, {1, 0, 3, 0}}));
        module.processData({});
        QTRY_VERIFY(!module.isPlaying());
        QTest::qWait(100);
        QCOMPARE(target.typed, QStringLiteral("bc"));
    }
};

// Starts an X server of its own and runs the test above in a child process on it.
class TestMacroReplay : public QObject
{
    Q_OBJECT

private:
    QProcess m_xServer;

    QString startXServer()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return QString();
        for (int display = 91; display < 120; ++display) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
            if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
                continue;
            m_xServer.start(xvfb,
                            {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("800x600x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_xServer.waitForStarted())
                return QString();
            QElapsedTimer waited;
            waited.start();
            while (!QFile::exists(socket) && m_xServer.state() == QProcess::Running
                   && waited.elapsed() < kXStartTimeoutMs)
                QTest::qWait(20);
            if (QFile::exists(socket) && m_xServer.state() == QProcess::Running)
                return QStringLiteral(":%1").arg(display);
            stopXServer();
        }
        return QString();
    }

    void stopXServer()
    {
        if (m_xServer.state() == QProcess::NotRunning)
            return;
        m_xServer.terminate();
        if (!m_xServer.waitForFinished(5000))
            m_xServer.kill();
        m_xServer.waitForFinished();
    }

private Q_SLOTS:
    void cleanup() { stopXServer(); }

    void recordAndReplayOnARealXServer()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed (scripts/install-deps.sh installs it)");
        const QString display = startXServer();
        if (display.isEmpty())
            QSKIP("No X server could be started here (Xvfb missing or failing); macro replay not tested");

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Keys through uinput would reach the real desktop, not this X server.
        environment.insert(QStringLiteral("TESSIVAR_UINPUT"), QStringLiteral("none"));
        // In a sanitizer build: the X11 platform plugin's system libraries (D-Bus, GL)
        // keep allocations past exit and are unloaded before the leak check, so they
        // cannot be suppressed by name. The recording and the replay are leak-checked
        // offscreen by the misc module tests.
        const QString leakOptions = environment.value(QStringLiteral("LSAN_OPTIONS"));
        environment.insert(QStringLiteral("LSAN_OPTIONS"),
                           leakOptions + (leakOptions.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kUnderX)});
        QVERIFY(child.waitForFinished(90000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    }

    // Replay through the kernel's uinput device, read back from its event node. The node
    // is grabbed, so that no key reaches the desktop.
    void replayThroughUinput()
    {
        const int probe = ::open("/dev/uinput", O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            QSKIP("No writable /dev/uinput here (module not loaded or no access): uinput replay not tested");
        ::close(probe);
        qunsetenv("TESSIVAR_UINPUT");
        tessivar::platform::KeyInjector injector;
        QVERIFY(injector.usesUinput());
        int reader = -1;
        for (const QString& node :
             QDir(QStringLiteral("/dev/input")).entryList({QStringLiteral("event*")}, QDir::System)) {
            const int fd = ::open(qPrintable(QStringLiteral("/dev/input/") + node), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            char name[256] = {};
            if (fd >= 0 && ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0
                && qstrcmp(name, "Tessivar key replay") == 0 && ioctl(fd, EVIOCGRAB, 1) == 0) {
                reader = fd;
                break;
            }
            if (fd >= 0)
                ::close(fd);
        }
        if (reader < 0)
            QSKIP("The uinput device has no readable event node here (no udev): uinput replay not tested");
        // X keycodes are the kernel's codes plus 8; a code beyond the keyboard is refused.
        QVERIFY(injector.sendKey(XK_a, KEY_A + 8, false));
        QVERIFY(injector.sendKey(XK_a, KEY_A + 8, true));
        QVERIFY(!injector.sendKey(0, 3, false));
        QList<QPair<int, int>> keys;
        QVERIFY(QTest::qWaitFor(
            [&] {
                input_event event;
                while (::read(reader, &event, sizeof event) == ssize_t(sizeof event))
                    if (event.type == EV_KEY)
                        keys.append({event.code, event.value});
                return keys.size() >= 2;
            },
            2000));
        ::close(reader);
        QCOMPARE(keys, (QList<QPair<int, int>>{{KEY_A, 1}, {KEY_A, 0}}));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kUnderX) == 0) {
        TestMacroUnderX test;
        return QTest::qExec(&test, 1, argv);
    }
    TestMacroReplay test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_macroreplay.moc"

#include "TestPeer.h"
#include "UiDriver.h"
#include "support/RunningApplication.h"

#include "app/FileTransferFlow.h"
#include "app/TessivarServerApplication.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"
#include "core/BaseTask.h"
#include "core/TaskManager.h"
#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCompleter>
#include <QDirIterator>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::as;
using tessivar::test::QmlWarningCollector;
using tessivar::test::TestPeer;
using tessivar::test::UiDriver;

namespace {

const QString kPeerId = QStringLiteral("00112233445566778899aabbccddeeff");
const QString kTextModule = QStringLiteral("com.tessivar.plugin.misc.text");
const QString kShortcutModule = QStringLiteral("com.tessivar.plugin.misc.shortcut");
// Away from the default port and from the other tests' ports.
constexpr quint16 kPort = 20984;

// Answers the next modal QFileDialog as a user does: types the path, presses Enter.
void answerNextFileDialog(const QString& path, bool* answered)
{
    // Typed and confirmed with Return, as a user does, again at every tick while the
    // dialog stays open: under load the completer's popup can show up late and take the
    // first Return, which left the dialog open and the test waiting inside it.
    auto* poll = new QTimer;
    auto seen = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, answered, seen] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog || !dialog->isVisible()) {
            if (*seen && !modal) {
                poll->stop();
                poll->deleteLater();
                *answered = true;
            }
            return;
        }
        *seen = true;
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit)
            return dialog->reject();
        if (edit->text() != path) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, path);
        }
        if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible())
            completer->popup()->hide();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    poll->start(100);
}

// Two frames of one pixel, red then black: an animated GIF, which Qt reads but cannot write.
QByteArray animatedGif()
{
    static const unsigned char gif[]
        = {'G', 'I', 'F', '8', '9', 'a',  1,    0, 1, 0, 0x80, 0, 0, 0xff, 0, 0, 0, 0,    0,    0x21, 0xf9, 4,
           0,   10,  0,   0,   0,   0x2c, 0,    0, 0, 0, 1,    0, 1, 0,    0, 2, 2, 0x44, 1,    0,    0x21, 0xf9,
           4,   0,   10,  0,   0,   0,    0x2c, 0, 0, 0, 0,    1, 0, 1,    0, 0, 2, 2,    0x4c, 1,    0,    0x3b};
    return QByteArray(reinterpret_cast<const char*>(gif), sizeof gif);
}

// Controls a user acts on, as Qt Quick classes.
bool isControl(const QQuickItem* item)
{
    static const char* const kinds[] = {"QQuickAbstractButton", "QQuickTextInput", "QQuickComboBox", "QQuickSpinBox"};
    for (const char* kind : kinds)
        if (item->inherits(kind))
            return true;
    for (const QObject* child : item->children())
        if (child->inherits("QQuickTapHandler"))
            return true;
    return false;
}

// Visible, enabled controls under `item` without an accessible name.
void collectUnnamed(QQuickItem* item, QStringList& unnamed)
{
    if (!item->isVisible() || !item->isEnabled() || (item->opacity() == 0 && !item->hasActiveFocus()))
        return;
    if (isControl(item)) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(item);
        // A text input inside a named field carries its field's name.
        QQuickItem* parent = item->parentItem();
        const bool named = (accessible && !accessible->text(QAccessible::Name).isEmpty())
            || (item->inherits("QQuickTextInput") && parent && isControl(parent));
        if (!named)
            unnamed.append(QStringLiteral("%1 '%2' in %3")
                               .arg(QString::fromLatin1(item->metaObject()->className()), item->objectName(),
                                    parent ? parent->objectName() : QString()));
    }
    for (QQuickItem* child : item->childItems())
        collectUnnamed(child, unnamed);
}

// The QML modules our shipped files import (our own, registered at run time, aside).
QStringList importedModules()
{
    QStringList modules;
    const QRegularExpression line(QStringLiteral(R"(^\s*import\s+([A-Za-z][\w.]*))"));
    for (const char* folder : {"server/ui", "plugins/misc", "tools/client/qml"}) {
        QDirIterator it(QStringLiteral(TESSIVAR_SOURCE_DIR "/") + QLatin1String(folder), {QStringLiteral("*.qml")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QString& text : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
                const QString module = line.match(text).captured(1);
                const bool ours
                    = module.startsWith(QLatin1String("com.tessivar")) || module.startsWith(QLatin1String("Tessivar."));
                if (!module.isEmpty() && !ours && !modules.contains(module))
                    modules.append(module);
            }
        }
    }
    modules.sort();
    return modules;
}

} // namespace

// The roads a user travels through the real window under a real display: every
// dialog of the block editors, the dashboard files chosen in the desktop's file
// dialogs, block rows and the status line following the devices, transfers that
// never come, and the names a screen reader reads.
class TestWindowRoads : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<TestPeer> m_peer;
    std::unique_ptr<UiDriver> m_ui;

    TessivarServerApplication& application() { return m_server->application(); }

    void start()
    {
        QVERIFY(m_server->start());
        m_ui = std::make_unique<UiDriver>(application().mainWindow());
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialSkip")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_TutorialSkip")));
    }

    void registerPeer(TestPeer& peer, const QString& id, const QString& name)
    {
        QVERIFY(peer.connectToServer(kPort));
        peer.send(Message_Hello(id));
        QVERIFY(peer.waitForMessage(MessageType_e::RegisterDevice));
        peer.send(Message_RegisterDevice(name, device::ApplicationType_e::Client, QVersionNumber(2, 0, 0), {}));
        QVERIFY(peer.waitForMessage(MessageType_e::ModuleList));
    }

    void openEditor(const QString& module)
    {
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_ModuleSelection")));
        QVERIFY(m_ui->click(QStringLiteral("module_") + module));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
    }

    // A text block placed by clicks and confirmed by the peer as block 7.
    void placeTextBlock()
    {
        openEditor(kTextModule);
        QVERIFY(m_ui->typeInto(QStringLiteral("textArea_Text"), QStringLiteral("on the wall"), false));
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + kPeerId));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        QVERIFY(request);
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 7, request->GetRequestIndex()));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("moduleRow_0")));
    }

    // Shows the device list with the row's hover actions in view.
    void hoverDeviceRow()
    {
        if (!m_ui->isShown(QStringLiteral("deviceRow_0")))
            QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("deviceRow_0")));
        QQuickItem* row = m_ui->find(QStringLiteral("deviceRow_0"));
        QTest::mouseMove(application().mainWindow(), row->mapToScene(QPointF(row->width() / 2, 8)).toPoint());
    }

    BaseTask* finishedTask(QSignalSpy& finished)
    {
        if (finished.isEmpty() && !finished.wait(20000))
            return nullptr;
        return qobject_cast<BaseTask*>(finished.takeLast().at(0).value<QObject*>());
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

    // Every module a shipped file imports can be imported by a real engine.
    void everyImportedModuleIsInstalled()
    {
        QQmlEngine engine;
        const QStringList modules = importedModules();
        QVERIFY(modules.contains(QStringLiteral("QtQuick.Dialogs")));
        // What Qt's own dialogs import behind ours.
        QStringList missing;
        for (const QString& module : modules
                 + QStringList{QStringLiteral("Qt.labs.folderlistmodel"),
                               QStringLiteral("QtQuick.Dialogs.quickimpl")}) {
            QQmlComponent component(&engine);
            component.setData(QStringLiteral("import %1\nimport QtQml\nQtObject {}").arg(module).toUtf8(), QUrl());
            if (component.isError())
                missing.append(component.errorString());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    // Each editor's dialogs open for real (the Shortcut's by its buttons) and close
    // again, without a crash or a QML warning.
    void everyEditorDialogOpens_data()
    {
        QTest::addColumn<QString>("module");
        for (const char* module : {"text", "clock", "shortcut", "macro", "openwebpage", "devicestatus"})
            QTest::newRow(module) << QStringLiteral("com.tessivar.plugin.misc.") + QLatin1String(module);
    }
    void everyEditorDialogOpens()
    {
        QFETCH(QString, module);
        QmlWarningCollector warnings;
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        openEditor(module);
        if (QTest::currentTestFailed())
            return;
        QQuickItem* editor = m_ui->find(QStringLiteral("loader_ParameterEditor"));
        QVERIFY(editor);
        QList<QObject*> dialogs;
        for (QObject* object : editor->findChildren<QObject*>())
            if (object->inherits("QQuickAbstractDialog"))
                dialogs.append(object);
        if (module == kShortcutModule)
            QCOMPARE(dialogs.size(), 2);
        for (QObject* dialog : dialogs) {
            QVERIFY(QMetaObject::invokeMethod(dialog, "open"));
            QTRY_VERIFY(dialog->property("visible").toBool());
            QVERIFY(QMetaObject::invokeMethod(dialog, "reject"));
            QTRY_VERIFY(!dialog->property("visible").toBool());
        }
        if (module == kShortcutModule) {
            QVERIFY(m_ui->click(QStringLiteral("button_ChooseProgram")));
            QTRY_VERIFY(dialogs.first()->property("visible").toBool() || dialogs.last()->property("visible").toBool());
            QTest::keyClick(application().mainWindow(), Qt::Key_Escape);
        }
        QTest::qWait(200);
        QVERIFY2(warnings.warnings().isEmpty(), qPrintable(warnings.warnings().join(QLatin1Char('\n'))));
    }

    // A Shortcut waits for its program; a typed path makes it placeable.
    void aShortcutIsPlacedWithATypedProgram()
    {
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        openEditor(kShortcutModule);
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + kPeerId));
        QQuickItem* accept = m_ui->find(QStringLiteral("button_EditionAccept"));
        QVERIFY(accept);
        QVERIFY(!accept->isEnabled());
        QVERIFY(m_ui->isShown(QStringLiteral("text_EditionHint")));
        QVERIFY(m_ui->text(QStringLiteral("text_EditionHint")).contains(QStringLiteral("program")));

        QVERIFY(m_ui->typeInto(QStringLiteral("textField_ProgramPath"), QStringLiteral("/usr/bin/true"), false));
        QTRY_VERIFY(accept->isEnabled());
        QVERIFY(!m_ui->isShown(QStringLiteral("text_EditionHint")));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        QVERIFY(request);
        QCOMPARE(request->GetDataClassId(), kShortcutModule);
        auto* placed = qvariant_cast<ModuleSource*>(application().moduleList().get(0));
        QVERIFY(placed);
        QCOMPARE(
            placed->GetInstance()->instanceData()->localParameters()->value(QStringLiteral("ProgramPath")).toString(),
            QStringLiteral("/usr/bin/true"));
    }

    // The status light's icon, chosen in the desktop's file dialog: an animated GIF
    // reaches the device as the file is, an SVG as a PNG image.
    void aStatusIconReachesTheDeviceAsAnImage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sentAs");
        QTest::newRow("animated gif") << "online.gif" << animatedGif() << "gif";
        QTest::newRow("svg") << "online.svg"
                             << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
                                           "<circle cx=\"8\" cy=\"8\" r=\"8\" fill=\"#00ff00\"/></svg>")
                             << "png";
    }
    void aStatusIconReachesTheDeviceAsAnImage()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, sentAs);
        const QString path = QDir::current().absoluteFilePath(file);
        QFile image(path);
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(content) == content.size());
        image.close();
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        openEditor(QStringLiteral("com.tessivar.plugin.misc.devicestatus"));
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + kPeerId));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        QVERIFY(request);
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 7, request->GetRequestIndex()));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("moduleRow_0")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("button_OnlineChooseIcon")));
        m_peer->clearReceived();

        bool answered = false;
        answerNextFileDialog(path, &answered);
        QVERIFY(m_ui->click(QStringLiteral("button_OnlineChooseIcon")));
        QTRY_VERIFY(answered);
        // The block's first full update may still be on its way: the chosen icon comes after it.
        const QString prefix = QStringLiteral("data:image/%1;base64,").arg(sentAs);
        QString sent;
        while (const auto* update
               = as<Message_UpdateParameters>(m_peer->waitForMessage(MessageType_e::UpdateParameters))) {
            sent = update->GetParameters().value(QStringLiteral("OnlineStatusIcon")).toString();
            if (sent.startsWith(prefix) && !update->GetParameters().contains(QStringLiteral("TimeoutSeconds")))
                break;
        }
        QVERIFY2(sent.startsWith(prefix), qPrintable(sent.left(40)));
        const QByteArray bytes = QByteArray::fromBase64(sent.mid(prefix.size()).toLatin1());
        QVERIFY(!QImage::fromData(bytes).isNull());
        if (sentAs == QLatin1String("gif"))
            QCOMPARE(bytes, content); // not re-encoded: the animation survives
    }

    // Export and import by the row's buttons, the files chosen in the real dialogs.
    void aDashboardIsSavedAndLoadedThroughTheFileDialogs()
    {
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        placeTextBlock();
        if (QTest::currentTestFailed())
            return;
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        const QString file = QDir::current().absoluteFilePath(QStringLiteral("phone.dsx"));

        hoverDeviceRow();
        bool answered = false;
        answerNextFileDialog(file, &answered);
        QVERIFY(m_ui->click(QStringLiteral("button_ExportDashboard")));
        QTRY_VERIFY(answered);
        const TestPeer::Received* exportRequest = m_peer->waitForMessage(MessageType_e::DashboardExportRequest);
        QVERIFY(exportRequest);
        Message_DashboardExportResponse::Profiles_t profiles;
        profiles.insert(QStringLiteral("Main"), {{7, QRectF(0, 0, 2, 1), 1, kTextModule}});
        m_peer->send(Message_DashboardExportResponse(profiles), exportRequest->header.sequenceId);
        BaseTask* task = finishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard Export Successful"));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("button_TaskOk")));
        // The card shows the result, not what the task held while it ran.
        QTRY_COMPARE(m_ui->text(QStringLiteral("popup_TaskResult_Title")), task->completion().title);
        QVERIFY(QFileInfo(file).size() > 0);
        QVERIFY(m_ui->click(QStringLiteral("button_TaskOk")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_TaskOk")));
        QTest::qWait(300); // the result card fades out

        hoverDeviceRow();
        answered = false;
        answerNextFileDialog(file, &answered);
        QVERIFY(m_ui->click(QStringLiteral("button_ImportDashboard")));
        QTRY_VERIFY(answered);
        const TestPeer::Received* importRequest = m_peer->waitForMessage(MessageType_e::DashboardImportRequest);
        QVERIFY(importRequest);
        const auto& data = static_cast<const Message_DashboardImportRequest&>(*importRequest->message).GetImportData();
        QCOMPARE(data.size(), 1);
        QCOMPARE(data.first().dataClassId, kTextModule);
        m_peer->send(Message_DashboardImportResponse({{data.first().creationRequestId, 8}}, 1),
                     importRequest->header.sequenceId);
        task = finishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard Import Successful"));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("button_TaskOk")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_TaskMessage")), task->completion().message);
    }

    // Forgotten, the block's device has no name and the block is not live; back, both return.
    void blockRowsAndTheStatusLineFollowTheDevices()
    {
        start();
        QTRY_VERIFY(m_ui->text(QStringLiteral("text_ConnectionStatus")).startsWith(QStringLiteral("No device")));
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_ConnectionStatus")), QStringLiteral("1 device is connected"));
        TestPeer tablet(QStringLiteral("ffeeddccbbaa99887766554433221100"), QHostAddress(QStringLiteral("127.0.0.3")));
        registerPeer(tablet, QStringLiteral("ffeeddccbbaa99887766554433221100"), QStringLiteral("Tablet"));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_ConnectionStatus")), QStringLiteral("2 devices are connected"));
        // A device that greets and never registers is not served: it is not counted.
        TestPeer stranger(QStringLiteral("0123456789abcdef0123456789abcdef"),
                          QHostAddress(QStringLiteral("127.0.0.4")));
        QVERIFY(stranger.connectToServer(kPort));
        stranger.send(Message_Hello(QStringLiteral("0123456789abcdef0123456789abcdef")));
        QVERIFY(stranger.waitForMessage(MessageType_e::RegisterDevice));
        QTest::qWait(200);
        QCOMPARE(m_ui->text(QStringLiteral("text_ConnectionStatus")), QStringLiteral("2 devices are connected"));
        placeTextBlock();
        if (QTest::currentTestFailed())
            return;
        const auto details = [this] { return m_ui->text(QStringLiteral("text_ModuleDetails")); };
        // The peer's greetings may rename it: the row shows whatever name the device has now.
        const auto onTheDevice = [this, &details] {
            const auto device = application().deviceManager().GetDevice(kPeerId);
            return device && details().endsWith(QStringLiteral("on %1 · live").arg(device->GetName()));
        };
        QTRY_VERIFY2(onTheDevice(), qPrintable(details()));

        hoverDeviceRow();
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_DeviceName")),
                     application().deviceManager().GetDevice(kPeerId)->GetName());
        QVERIFY(m_ui->click(QStringLiteral("button_RemoveDevice")));
        QVERIFY(m_ui->click(QStringLiteral("button_RemoveConfirm")));
        QTRY_VERIFY(!application().deviceManager().GetDevice(kPeerId));
        QTRY_VERIFY2(
            m_ui->text(QStringLiteral("text_ModuleDetails")).endsWith(QStringLiteral("a forgotten device · offline")),
            qPrintable(m_ui->text(QStringLiteral("text_ModuleDetails"))));

        m_peer = std::make_unique<TestPeer>(kPeerId);
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        QTRY_VERIFY2(onTheDevice(), qPrintable(details()));
    }

    // A device that sends nothing: the task shows at once and ends with a message.
    void aSilentDeviceIsReported_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<QString>("result");
        QTest::newRow("logs") << "button_DownloadLogs"
                              << "Waiting for the device's logs"
                              << "The device did not send its logs";
        QTest::newRow("settings") << "button_DownloadSettings"
                                  << "Waiting for the device's settings"
                                  << "The device did not send its settings";
    }
    void aSilentDeviceIsReported()
    {
        QFETCH(QString, button);
        QFETCH(QString, waiting);
        QFETCH(QString, result);
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        application().fileTransferFlow().monitor().setSilenceTimeout(300);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        hoverDeviceRow();
        QVERIFY(m_ui->click(button));
        QVERIFY(m_peer->waitForMessage(MessageType_e::FileTransferRequest));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_TaskDescription")), waiting);
        BaseTask* task = finishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->completion().title, result);
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("button_TaskOk")));
        QCOMPARE(finished.size(), 0); // told once
    }

    // Every control of the device list, block list, selection and edition panel has a name.
    void everyControlHasAnAccessibleName()
    {
        start();
        registerPeer(*m_peer, kPeerId, QStringLiteral("Phone"));
        placeTextBlock();
        if (QTest::currentTestFailed())
            return;
        QStringList unnamed;
        QQuickItem* root = application().mainWindow()->contentItem();
        const auto walk = [&](const char* widgetClass) {
            for (QQuickItem* item : root->findChildren<QQuickItem*>())
                if (item->inherits(widgetClass))
                    collectUnnamed(item, unnamed);
        };
        walk("tessivar::ui::ModuleListWidget");
        walk("tessivar::ui::BottomBarWidget");
        hoverDeviceRow();
        walk("tessivar::ui::DeviceListWidget");
        QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        openEditor(kShortcutModule);
        walk("tessivar::ui::ModuleSelectionWidget");
        walk("tessivar::ui::ModuleEditionWidget");
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));
        QQuickItem* row = m_ui->find(QStringLiteral("module_") + kShortcutModule);
        QVERIFY(row);
        QCOMPARE(QAccessible::queryAccessibleInterface(row)->text(QAccessible::Name), QStringLiteral("Shortcut"));
    }
};

QTEST_MAIN(TestWindowRoads)
#include "tst_windowroads.moc"

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

#include <QAccessible>
#include <QQmlComponent>
#include <QQuickView>
#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>

#include <QTest>
#include <functional>

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

// Every file of a stored block, by its path inside the block's folder.
QMap<QString, QByteArray> storedBlock(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(file.fileName()), file.readAll());
    }
    return files;
}

// The image a data URL carries; null when the URL carries none.
QImage imageOfDataUrl(const QString& dataUrl)
{
    const qsizetype comma = dataUrl.indexOf(QLatin1Char(','));
    if (!dataUrl.startsWith(QLatin1String("data:image/")) || comma < 0)
        return {};
    return QImage::fromData(QByteArray::fromBase64(dataUrl.mid(comma + 1).toLatin1()));
}

// A red square in the format, written by Qt where it can; a GIF and an SVG by hand.
bool writeTestImage(const QString& path, const QString& format)
{
    QFile file(path);
    if (format == QLatin1String("svg")) {
        return file.open(QIODevice::WriteOnly)
            && file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
                          "<rect width=\"16\" height=\"16\" fill=\"#ff0000\"/></svg>")
            > 0;
    }
    if (format == QLatin1String("gif")) {
        // 1x1, one red pixel: a two-colour palette, an image descriptor, LZW data.
        static const unsigned char gif[] = {'G', 'I',  'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0, 0, 0,   0,
                                            0,   0x2c, 0,   0,   0,   0,   1, 0, 1, 0, 0,    2, 2, 0x44, 1, 0, 0x3b};
        return file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(gif), sizeof gif) > 0;
    }
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image.save(path, format.toLatin1().constData());
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

    // The first UpdateParameters the peer receives (from now on) that carries `key`.
    QVariant nextParameterValue(const QString& key)
    {
        while (const auto* update
               = as<Message_UpdateParameters>(m_peer->waitForMessage(MessageType_e::UpdateParameters))) {
            if (update->GetParameters().contains(key))
                return update->GetParameters().value(key);
        }
        return {};
    }
    // Whether an UpdateParameters sets `key` to `value` (a typed text arrives key by key).
    bool receivesParameter(const QString& key, const QVariant& value)
    {
        while (const auto* update
               = as<Message_UpdateParameters>(m_peer->waitForMessage(MessageType_e::UpdateParameters))) {
            if (update->GetParameters().value(key) == value)
                return true;
        }
        return false;
    }

    // Opens the choice's list and moves `steps` rows down from the current one.
    void choose(const QString& combo, int steps)
    {
        QVERIFY(m_ui->click(combo));
        QTRY_VERIFY(m_ui->find(combo)->property("popup").value<QObject*>()->property("opened").toBool());
        for (int i = 0; i < steps; ++i)
            m_ui->key(Qt::Key_Down);
        m_ui->key(Qt::Key_Return);
        QTRY_VERIFY(!m_ui->find(combo)->property("popup").value<QObject*>()->property("visible").toBool());
    }

    // Picks the module, lets `prepare` fill its editor, places it on the phone, which
    // confirms it as block 7; the editor is closed again.
    void placeModule(const QString& moduleId, const std::function<void()>& prepare)
    {
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_ModuleSelection")));
        QVERIFY(m_ui->click(QStringLiteral("module_") + moduleId));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        prepare();
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + kPeerId));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        QVERIFY(request);
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 7, request->GetRequestIndex()));
        QTRY_VERIFY(blockFolders().contains(QStringLiteral("7")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
    }

    // The editor's image dialog answered as a user does: the location typed (Ctrl+L) and Enter.
    void answerIconDialog(const QUrl& file)
    {
        QQuickItem* editor = m_ui->find(QStringLiteral("loader_ParameterEditor"));
        QVERIFY(editor);
        QObject* dialog = nullptr;
        for (QObject* object : editor->findChildren<QObject*>())
            if (object->inherits("QQuickFileDialog") && object->property("nameFilters").toStringList().size() == 1)
                dialog = object;
        QVERIFY(dialog);
        QVERIFY(QMetaObject::invokeMethod(dialog, "open"));
        QTRY_VERIFY(dialog->property("visible").toBool());
        QTest::qWait(200);
        m_ui->key(Qt::Key_L, Qt::ControlModifier);
        for (const QChar character : file.toLocalFile())
            QTest::keyClick(application().mainWindow(), character.toLatin1());
        m_ui->key(Qt::Key_Return);
        QTRY_VERIFY(!dialog->property("visible").toBool());
    }

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

    // Whether `upper` is drawn over `lower`: siblings stack by z, then by order, and
    // an item stacks where its ancestor below their common ancestor does.
    static bool drawnAbove(QQuickItem* upper, QQuickItem* lower)
    {
        QList<QQuickItem*> upperChain;
        for (QQuickItem* item = upper; item; item = item->parentItem())
            upperChain.prepend(item);
        QList<QQuickItem*> lowerChain;
        for (QQuickItem* item = lower; item; item = item->parentItem())
            lowerChain.prepend(item);
        int i = 0;
        while (i < upperChain.size() && i < lowerChain.size() && upperChain[i] == lowerChain[i])
            ++i;
        if (i == 0 || i == upperChain.size() || i == lowerChain.size())
            return false;
        QQuickItem* a = upperChain[i];
        QQuickItem* b = lowerChain[i];
        if (a->z() != b->z())
            return a->z() > b->z();
        const QList<QQuickItem*> siblings = upperChain[i - 1]->childItems();
        return siblings.indexOf(a) > siblings.indexOf(b);
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
        // Untitled, a text block is told apart by its text.
        QCOMPARE(m_ui->text(QStringLiteral("text_ModuleTitle")), QStringLiteral("typed by hand"));
        QCOMPARE(placed->GetDisplayName(), QStringLiteral("typed by hand"));
        const QString deviceName = application().deviceManager().GetDevice(kPeerId)->GetName();
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

    // The Block section: a name typed in the panel names the row, the title and the look
    // reach the device, and all of it comes back from disk in a fresh application.
    void theBlockSectionReachesTheDeviceAndTheDisk()
    {
        startServer();
        skipTutorial();
        registerPeer();
        placeBlockThroughTheWindow(QStringLiteral("first words"));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("textField_BlockName")));
        // Text blocks carry their text as their title: no title field for the device.
        QVERIFY(!m_ui->isShown(QStringLiteral("textField_BlockTitle")));
        m_peer->clearReceived();
        QVERIFY(m_ui->typeInto(QStringLiteral("textField_BlockName"), QStringLiteral("Hall"), false));
        choose(QStringLiteral("combo_TitlePosition"), 1);
        QCOMPARE(nextParameterValue(QStringLiteral("TessivarModuleTitlePosition")).toInt(), 1);
        choose(QStringLiteral("combo_BackgroundType"), 1);
        QCOMPARE(nextParameterValue(QStringLiteral("TessivarModuleBackgroundType")).toInt(), 1);
        QVERIFY(m_ui->click(QStringLiteral("swatch_BackgroundColor_2")));
        QCOMPARE(nextParameterValue(QStringLiteral("TessivarModuleBackgroundColor")).value<QColor>(),
                 QColor(QStringLiteral("#c0262d")));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_ModuleTitle")), QStringLiteral("Hall"));

        m_server->stop();
        startServer();
        QTRY_COMPARE(application().moduleList().rowCount(), 1);
        ModuleSource* stored = block(0);
        QCOMPARE(stored->GetModuleTitle(), QStringLiteral("Hall"));
        const auto* parameters = stored->GetInstance()->instanceData()->clientParameters();
        QCOMPARE(parameters->value(QStringLiteral("TessivarModuleTitlePosition")).toInt(), 1);
        QCOMPARE(parameters->value(QStringLiteral("TessivarModuleBackgroundType")).toInt(), 1);
        QCOMPARE(parameters->value(QStringLiteral("TessivarModuleBackgroundColor")).value<QColor>(),
                 QColor(QStringLiteral("#c0262d")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_ModuleTitle")), QStringLiteral("Hall"));
    }

    // A title for the device, typed in a block that has one, reaches the device.
    void aDeviceTitleIsTypedIntoTheBlockSection()
    {
        startServer();
        skipTutorial();
        registerPeer();
        placeModule(QStringLiteral("com.tessivar.plugin.misc.clock"), [] {});
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        m_peer->clearReceived();
        QVERIFY(m_ui->typeInto(QStringLiteral("textField_BlockTitle"), QStringLiteral("Kitchen"), false));
        QTRY_COMPARE(block(0)->GetRecord().GetClientParameters().value(QStringLiteral("TessivarModuleTitle")),
                     QVariant(QStringLiteral("Kitchen")));
        QVERIFY(receivesParameter(QStringLiteral("TessivarModuleTitle"), QStringLiteral("Kitchen")));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_ModuleTitle")), QStringLiteral("Kitchen"));
    }

    // Cancel ends the editor first (a recording stores what it has), then puts the block
    // back: keys made during the edit go, the stored block is the same to the byte.
    void cancelLeavesTheStoredBlockAsItWas_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("edit");
        const QString macro = QStringLiteral("com.tessivar.plugin.misc.macro");
        QTest::newRow("recording in progress") << macro << "record";
        QTest::newRow("recording ended") << macro << "record and stop";
        QTest::newRow("a text and a name") << kTextModule << "type";
        QTest::newRow("an icon watched") << QStringLiteral("com.tessivar.plugin.misc.shortcut") << "icon";
    }
    void cancelLeavesTheStoredBlockAsItWas()
    {
        QFETCH(QString, module);
        QFETCH(QString, edit);
        startServer();
        skipTutorial();
        registerPeer();
        const QString icon = QDir::current().absoluteFilePath(QStringLiteral("icon.png"));
        QImage picture(8, 8, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(icon));
        placeModule(module, [&] {
            if (module == kTextModule)
                QVERIFY(m_ui->typeInto(kTextEditor, QStringLiteral("before"), false));
            else if (edit == QLatin1String("icon"))
                QVERIFY(
                    m_ui->typeInto(QStringLiteral("textField_ProgramPath"), QStringLiteral("/usr/bin/true"), false));
        });
        if (QTest::currentTestFailed())
            return;
        const QMap<QString, QByteArray> before = storedBlock(QStringLiteral("modules/7"));
        QVERIFY(!before.isEmpty());
        ModuleSource* placed = block(0);
        const QVariantMap localBefore = placed->GetInstance()->instanceData()->localParameters()->toVariantMap();

        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("loader_ParameterEditor")));
        if (edit.startsWith(QLatin1String("record"))) {
            QVERIFY(m_ui->click(QStringLiteral("button_Record")));
            m_ui->key(Qt::Key_A);
            m_ui->key(Qt::Key_B);
            if (edit.endsWith(QLatin1String("stop"))) {
                QVERIFY(m_ui->click(QStringLiteral("button_Record")));
                QTRY_VERIFY(placed->GetRecord().GetLocalParameters().contains(QStringLiteral("Sequence")));
            }
        } else if (edit == QLatin1String("type")) {
            QVERIFY(m_ui->typeInto(kTextEditor, QStringLiteral("after"), false));
            QVERIFY(m_ui->typeInto(QStringLiteral("textField_BlockName"), QStringLiteral("Hall"), false));
            QTRY_COMPARE(placed->GetModuleTitle(), QStringLiteral("Hall"));
        } else {
            answerIconDialog(QUrl::fromLocalFile(icon));
            QTRY_VERIFY(placed->GetRecord().GetLocalParameters().contains(QStringLiteral("IconPath")));
        }
        QVERIFY(m_ui->click(QStringLiteral("button_EditionCancel")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_ModuleEdition")));

        QCOMPARE(placed->GetInstance()->instanceData()->localParameters()->toVariantMap(), localBefore);
        const QMap<QString, QByteArray> after = storedBlock(QStringLiteral("modules/7"));
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            QVERIFY2(before.value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(after.keys(), before.keys());
        if (edit == QLatin1String("icon")) {
            // The watcher the edit started is gone: a changed image changes nothing.
            const QVariant shown
                = placed->GetInstance()->instanceData()->clientParameters()->value(QStringLiteral("Icon"));
            picture.fill(Qt::blue);
            QVERIFY(picture.save(icon));
            QTest::qWait(300);
            QCOMPARE(placed->GetInstance()->instanceData()->clientParameters()->value(QStringLiteral("Icon")), shown);
        }
        m_server->stop();
        QCOMPARE(storedBlock(QStringLiteral("modules/7")), before);
    }

    // Images of every format the editors offer reach the device as images it can show;
    // those Qt cannot write (GIF, SVG) as PNG.
    void everyOfferedIconFormatReachesTheDevice_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("sentAs");
        for (const char* format : {"png", "jpg", "jpeg", "bmp", "ico"})
            QTest::newRow(format) << QString::fromLatin1(format) << QString::fromLatin1(format);
        QTest::newRow("gif") << "gif"
                             << "png";
        QTest::newRow("svg") << "svg"
                             << "png";
    }
    void everyOfferedIconFormatReachesTheDevice()
    {
        QFETCH(QString, format);
        QFETCH(QString, sentAs);
        startServer();
        skipTutorial();
        registerPeer();
        const QString file = QDir::current().absoluteFilePath(QStringLiteral("icon.") + format);
        QVERIFY(writeTestImage(file, format));
        placeModule(QStringLiteral("com.tessivar.plugin.misc.openwebpage"), [] {});
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("loader_ParameterEditor")));
        m_peer->clearReceived();
        answerIconDialog(QUrl::fromLocalFile(file));
        const QString sent = nextParameterValue(QStringLiteral("Icon")).toString();
        QVERIFY2(sent.startsWith(QStringLiteral("data:image/%1;base64,").arg(sentAs)), qPrintable(sent.left(40)));
        const QImage image = imageOfDataUrl(sent);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).red() > 200, true);
    }

    void selectionClosesByTheAddButtonAndEscape()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        // The panel is built when first asked for, not with the window.
        QVERIFY(!m_ui->find(QStringLiteral("widget_ModuleSelection")));
        QQuickItem* addButton = m_ui->find(QStringLiteral("button_AddModule"));
        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QPointer<QQuickItem> selection = m_ui->find(QStringLiteral("widget_ModuleSelection"));
        QVERIFY(selection);
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

    // The window's own buttons answer the pointer, the keyboard and assistive tools alike.
    void aButtonAnswersEveryWayOfPressingIt_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("pointer") << "pointer";
        QTest::newRow("Return") << "Return";
        QTest::newRow("Space") << "Space";
        QTest::newRow("assistive press") << "press";
    }
    void aButtonAnswersEveryWayOfPressingIt()
    {
        QFETCH(QString, way);
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QQuickItem* button = m_ui->find(QStringLiteral("button_Settings"));
        QVERIFY(button);
        const auto press = [&] {
            if (way == QLatin1String("pointer"))
                return m_ui->click(QStringLiteral("button_Settings"));
            if (way == QLatin1String("press")) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
                if (!accessible || !accessible->actionInterface()
                    || accessible->text(QAccessible::Name) != QLatin1String("Settings"))
                    return false;
                accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                return true;
            }
            button->forceActiveFocus(Qt::TabFocusReason);
            m_ui->key(way == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Space);
            return true;
        };
        QVERIFY(press());
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_Settings")));
        QVERIFY(press());
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("widget_Settings")));
    }

    // A resting pointer brings the button's tip, under the button; leaving takes it away.
    void aRestingPointerShowsTheTip()
    {
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        QQuickWindow* window = application().mainWindow();
        QQuickItem* button = m_ui->find(QStringLiteral("button_About"));
        QVERIFY(button);
        QVERIFY(!m_ui->isShown(QStringLiteral("toolTip")));
        const QPointF centre = button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
        QTest::mouseMove(window, centre.toPoint());
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("toolTip")));
        QQuickItem* tip = m_ui->find(QStringLiteral("toolTip"));
        QCOMPARE(m_ui->text(QStringLiteral("toolTip")), QStringLiteral("About Tessivar"));
        const QRectF tipArea = tip->mapRectToScene(QRectF(0, 0, tip->width(), tip->height()));
        QVERIFY(tipArea.top() >= button->mapToScene(QPointF(0, button->height())).y());
        QVERIFY(QRectF(0, 0, window->width(), window->height()).contains(tipArea));
        QTest::mouseMove(window, QPoint(window->width() / 2, window->height() / 2));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("toolTip")));
    }

    // The blocks' scroll bar: dragging the handle and clicking the track both scroll.
    void theScrollBarScrollsByDragAndByTrack()
    {
        startServer();
        if (QTest::currentTestFailed())
            return;
        QQuickView view(&application().engine(), nullptr);
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.resize(200, 200);
        QQmlComponent component(&application().engine());
        component.setData("import QtQuick\nimport com.tessivar.widgets.private 1.0\n"
                          "Item { ListView { id: list; objectName: 'list'; anchors.fill: parent; model: 50;"
                          " delegate: Rectangle { width: 100; height: 40 } }"
                          " TessivarScrollBar { objectName: 'bar'; flickable: list } }",
                          QUrl(QStringLiteral("qrc:/ScrollBarTest.qml")));
        std::unique_ptr<QQuickItem> root(qobject_cast<QQuickItem*>(component.create()));
        QVERIFY2(root, qPrintable(component.errorString()));
        root->setParentItem(view.contentItem());
        root->setSize(QSizeF(200, 200));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* list = root->findChild<QQuickItem*>(QStringLiteral("list"));
        auto* bar = root->findChild<QQuickItem*>(QStringLiteral("bar"));
        QVERIFY(list && bar && bar->isVisible());
        QCOMPARE(bar->x() + bar->width(), 200.0);

        // A click on the track below the handle goes one view down.
        const int x = qRound(bar->x() + bar->width() / 2);
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(x, 190));
        QTRY_COMPARE(list->property("contentY").toReal(), 200.0);
        // Dragging the handle to the bottom reaches the end, and no further.
        const int handleTop = qRound(bar->height() * list->property("visibleArea").value<QObject*>()
                                                           ->property("yPosition").toReal());
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(x, handleTop + 4));
        for (int y = handleTop + 4; y <= 400; y += 20)
            QTest::mouseMove(&view, QPoint(x, y));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(x, 400));
        QTRY_COMPARE(list->property("contentY").toReal(), 50 * 40 - 200.0);
    }

    void pagesShowOneAtATime_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        QTest::newRow("network") << "button_NetworkStatus"
                                 << "widget_NetworkStatus"
                                 << "Network";
        QTest::newRow("plugins") << "button_PluginInformation"
                                 << "widget_PluginInformation"
                                 << "Plugins";
        QTest::newRow("about") << "button_About"
                               << "widget_About"
                               << "About Tessivar";
        QTest::newRow("settings") << "button_Settings"
                                  << "widget_Settings"
                                  << "Settings";
    }
    void pagesShowOneAtATime()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        QFETCH(QString, title);
        startServer();
        skipTutorial();
        if (QTest::currentTestFailed())
            return;
        const QStringList pages{"widget_NetworkStatus", "widget_PluginInformation", "widget_About", "widget_Settings"};
        QVERIFY(m_ui->click(QStringLiteral("button_About")));
        QVERIFY(m_ui->click(button));
        for (const QString& other : pages)
            QTRY_COMPARE(m_ui->isShown(other), other == page && page != QLatin1String("widget_About"));
        // The header names the page the user is on.
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_PageTitle")),
                     page != QLatin1String("widget_About") ? title : QStringLiteral("Your blocks"));
        QVERIFY(m_ui->click(button)); // again: hidden, or shown for the about page
        for (const QString& other : pages)
            QTRY_COMPARE(m_ui->isShown(other), other == page && page == QLatin1String("widget_About"));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_PageTitle")),
                     page == QLatin1String("widget_About") ? title : QStringLiteral("Your blocks"));
    }

    // A block's information button opens the plugin page over the panels, its module
    // highlighted, with the plugin's version, author and folder.
    void theInformationButtonShowsTheBlocksModule()
    {
        startServer();
        skipTutorial();
        registerPeer();
        placeBlockThroughTheWindow(QStringLiteral("about me"));
        if (QTest::currentTestFailed())
            return;
        application().mainWindow()->setHeight(application().mainWindow()->minimumHeight());
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleEdit")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(m_ui->click(QStringLiteral("button_ModuleInformation")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_PluginInformation")));
        QCOMPARE(m_ui->text(QStringLiteral("text_PageTitle")), QStringLiteral("Plugins"));
        QQuickItem* page = m_ui->find(QStringLiteral("widget_PluginInformation"));
        QQuickItem* edition = m_ui->find(QStringLiteral("widget_ModuleEdition"));
        QVERIFY(drawnAbove(page, edition));
        QQuickItem* module = m_ui->find(QStringLiteral("pluginModule_") + kTextModule);
        QVERIFY(module);
        QVERIFY(module->property("highlighted").toBool());
        // In view, even in a window too short for the whole page.
        const QPointF where = module->mapToItem(page, QPointF(0, 0));
        QVERIFY(where.y() >= 0 && where.y() + module->height() <= page->height());
        QVERIFY(!m_ui->find(QStringLiteral("pluginModule_com.tessivar.plugin.misc.clock"))
                     ->property("highlighted")
                     .toBool());
        const QString details = m_ui->text(QStringLiteral("text_PluginDetails"));
        QVERIFY2(details.startsWith(QStringLiteral("Version ")) && !details.contains(QStringLiteral("unknown")),
                 qPrintable(details));
        QVERIFY2(details.contains(
                     QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("plugins/misc")))),
                 qPrintable(details));
        QVERIFY(details.contains(QStringLiteral("by ")));
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

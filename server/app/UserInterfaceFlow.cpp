#include "app/UserInterfaceFlow.h"

#include "app/TessivarServerApplication.h"
#include "app/UpdateFlow.h"
#include "app/WindowParts.h"
#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "core/Logging.h"
#include "modules/ModuleList.h"
#include "modules/ModuleSource.h"
#include "network/DesktopInformationProvider.h"
#include "ui/AboutWidget.h"
#include "ui/BottomBarWidget.h"
#include "ui/ColorPickerWidget.h"
#include "ui/DeviceListWidget.h"
#include "ui/ErrorWidget.h"
#include "ui/ModuleEditionWidget.h"
#include "ui/ModuleListWidget.h"
#include "ui/ModuleSelectionWidget.h"
#include "ui/SettingsWidget.h"
#include "ui/TopBarWidget.h"

#include <QDebug>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtGlobal>

// Outside the namespace: the macro declares the function in the scope it is used in.
static void useCompiledQml()
{
    // Links the units compiled with the program (cmake/TessivarQmlCache.cmake) out of the
    // static library; they register themselves.
    Q_INIT_RESOURCE(tessivar_qml);
}

namespace tessivar {

namespace {

struct WidgetFile {
    const char* type;
    const char* url;
};

const char* const kServerWidgets = "com.tessivar.widgets.server";
const char* const kImpl = "com.tessivar.widgets.impl";
const char* const kWidgets = "com.tessivar.widgets";
const char* const kPrivate = "com.tessivar.widgets.private";

const WidgetFile kServerWidgetFiles[] = {
    {"TopBarWidget", "qrc:/UI/TopBarWidget.qml"},
    {"BottomBarWidget", "qrc:/UI/BottomBarWidget.qml"},
    {"ServerAboutWidget", "qrc:/UI/ServerAboutWidget.qml"},
    {"DeviceListWidget", "qrc:/UI/DeviceListWidget.qml"},
    {"ModuleListWidget", "qrc:/UI/ModuleListWidget.qml"},
    {"ModuleEditionWidget", "qrc:/UI/ModuleEditionWidget.qml"},
    {"SettingsWidget", "qrc:/UI/SettingsWidget.qml"},
    {"ModuleSelectionWidget", "qrc:/UI/ModuleSelectionWidget.qml"},
};

const WidgetFile kSharedWidgetFiles[] = {
    {"TessivarTextFitter", "qrc:/Widgets/TessivarTextFitter.qml"},
    {"TessivarCheckBox", "qrc:/Widgets/TessivarCheckBox.qml"},
    {"TessivarCombobox", "qrc:/Widgets/TessivarCombobox.qml"},
    {"TessivarPopup", "qrc:/Widgets/TessivarPopup.qml"},
    {"TessivarSpinBox", "qrc:/Widgets/TessivarSpinBox.qml"},
    {"TessivarAnimatedIconButton", "qrc:/Widgets/AnimatedIconButton.qml"},
    {"TessivarTextField", "qrc:/Widgets/TessivarTextField.qml"},
    {"TessivarBusyIndicator", "qrc:/Widgets/TessivarBusyIndicator.qml"},
    {"TessivarColorPicker", "qrc:/Widgets/ColorPickerWidget.qml"},
    // Beyond the shared widgets every page uses: the palette and the plain buttons.
    {"TessivarButton", "qrc:/Widgets/TessivarButton.qml"},
    {"TessivarLabel", "qrc:/Widgets/TessivarLabel.qml"},
    {"TessivarIcon", "qrc:/Widgets/TessivarIcon.qml"},
    {"TessivarIconButton", "qrc:/Widgets/TessivarIconButton.qml"},
    {"TessivarPage", "qrc:/Widgets/TessivarPage.qml"},
};

const WidgetFile kPrivateWidgetFiles[] = {
    {"ErrorWidget", "qrc:/Widgets/ErrorWidget.qml"},
    {"AboutWidget", "qrc:/Widgets/AboutWidget.qml"},
    {"ReleaseNotes", "qrc:/Widgets/ReleaseNotesWidget.qml"},
    {"TaskManagerWidget", "qrc:/Widgets/TaskManagerWidget.qml"},
    {"DeviceInformationWidget", "qrc:/Widgets/DeviceInformationWidget.qml"},
    {"TutorialWidget", "qrc:/Widgets/TutorialWidget.qml"},
    {"FirewallInformationWidget", "qrc:/Widgets/FirewallInformationWidget.qml"},
    {"PluginInformationWidget", "qrc:/Widgets/PluginInformationWidget.qml"},
    {"NetworkStatusWidget", "qrc:/Widgets/NetworkStatusWidget.qml"},
    // The plain Qt Quick pieces of the controls the window shows at start.
    {"TessivarButtonArea", "qrc:/Widgets/TessivarButtonArea.qml"},
    {"TessivarToolTip", "qrc:/Widgets/TessivarToolTip.qml"},
    {"TessivarScrollBar", "qrc:/Widgets/TessivarScrollBar.qml"},
};

} // namespace

UserInterfaceFlow::UserInterfaceFlow(TessivarServerApplication& application, Configuration& configuration,
                                     ModuleList& moduleList, QObject* parent)
    : QObject(parent)
    , m_application(application)
    , m_configuration(configuration)
    , m_moduleList(moduleList)
{
}

void UserInterfaceFlow::registerWidgetFile(const char* module, const char* type, const QString& url)
{
    const int typeId = qmlRegisterType(QUrl(url), module, 1, 0, type);
    qCDebug(lcApp).noquote() << "Registering widget" << type << ":" << typeId;
}

void UserInterfaceFlow::registerQmlTypes()
{
    useCompiledQml();
    for (const WidgetFile& file : kServerWidgetFiles)
        registerWidgetFile(kServerWidgets, file.type, QString::fromLatin1(file.url));

    qmlRegisterType<ui::TopBarWidget>(kImpl, 1, 0, "TopBarWidgetImpl");
    qmlRegisterType<ui::BottomBarWidget>(kImpl, 1, 0, "BottomBarWidgetImpl");
    qmlRegisterType<ui::DeviceListWidget>(kImpl, 1, 0, "DeviceListWidgetImpl");
    qmlRegisterType<ui::ModuleListWidget>(kImpl, 1, 0, "ModuleListWidgetImpl");
    qmlRegisterType<ui::ModuleEditionWidget>(kImpl, 1, 0, "ModuleEditionWidgetImpl");
    qmlRegisterType<ui::SettingsWidget>(kImpl, 1, 0, "SettingsWidgetImpl");
    qmlRegisterType<ui::ModuleSelectionWidget>(kImpl, 1, 0, "ModuleSelectionWidgetImpl");
    qmlRegisterType<ui::ErrorWidget>(kImpl, 1, 0, "ErrorWidgetImpl");
    qmlRegisterType<ui::AboutWidget>(kImpl, 1, 0, "AboutWidgetImpl");

    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/Style/Theme.qml")), kWidgets, 1, 0, "Theme");
    for (const WidgetFile& file : kSharedWidgetFiles)
        registerWidgetFile(kWidgets, file.type, QString::fromLatin1(file.url));
    qmlRegisterType<ui::ColorPickerWidget>("com.tessivar.utils", 1, 0, "ColorPicker");
    for (const WidgetFile& file : kPrivateWidgetFiles)
        registerWidgetFile(kPrivate, file.type, QString::fromLatin1(file.url));

    const QString notCreatable = QStringLiteral("Not creatable");
    qmlRegisterUncreatableType<ModuleList>("com.tessivar.types", 1, 0, "ModuleList", notCreatable);
    qmlRegisterUncreatableType<ModuleSource>("com.tessivar.types", 1, 0, "ModuleSource", notCreatable);
    qRegisterMetaType<NetworkDeviceId_t>("NetworkDeviceId_t");
    qmlRegisterSingletonType<network::DesktopInformationProvider>(
        "com.tessivar.helpers", 1, 0, "DesktopInformationProvider",
        [](QQmlEngine*, QJSEngine*) -> QObject* { return new network::DesktopInformationProvider; });
}

void UserInterfaceFlow::wire(QQuickWindow* mainWindow)
{
    m_mainWindow = mainWindow;
    if (!mainWindow)
        return;

    m_topBar = mainWindow->findChild<ui::TopBarWidget*>();
    if (m_topBar) {
        m_topBar->setVersion(softwareVersion());
        connect(m_topBar, &ui::TopBarWidget::minimizeButtonClicked, &m_application,
                &TessivarServerApplication::minimizeWindow);
        connect(m_topBar, &ui::TopBarWidget::closeButtonClicked, &m_application,
                &TessivarServerApplication::closeWindow);
    } else {
        qCWarning(lcApp) << "Top bar not found";
    }

    m_bottomBar = mainWindow->findChild<ui::BottomBarWidget*>();

    wireDeviceLists(mainWindow);
    connect(mainWindow, SIGNAL(pageContentLoaded(QVariant)), this, SLOT(wirePageContent(QVariant)));
    connect(mainWindow, SIGNAL(partLoaded(QVariant)), this, SLOT(wirePart(QVariant)));

    if (auto* moduleListWidget = mainWindow->findChild<ui::ModuleListWidget*>())
        moduleListWidget->setModuleList(&m_moduleList);
    else
        qCWarning(lcApp) << "Module list widget not found";
}

void UserInterfaceFlow::wirePart(const QVariant& part)
{
    QObject* object = part.value<QObject*>();
    if (!object)
        return;
    if (auto* settings = qobject_cast<ui::SettingsWidget*>(object)) {
        m_settings = settings;
        settings->setConfiguration(&m_configuration);
    }
    wireDeviceLists(object);
}

void UserInterfaceFlow::wirePageContent(const QVariant& content)
{
    if (QObject* root = content.value<QObject*>())
        wireDeviceLists(root);
}

void UserInterfaceFlow::wireDeviceLists(QObject* root)
{
    const QList<ui::DeviceListWidget*> deviceLists = root->findChildren<ui::DeviceListWidget*>();
    for (ui::DeviceListWidget* deviceList : deviceLists) {
        connect(deviceList, &ui::DeviceListWidget::removeDeviceRequested, &m_application,
                &AbstractApplication::removeDevice, Qt::UniqueConnection);
        connect(deviceList, &ui::DeviceListWidget::downloadLogsRequested, &m_application,
                &TessivarServerApplication::requestDeviceLogs, Qt::UniqueConnection);
        connect(deviceList, &ui::DeviceListWidget::downloadSettingsRequested, &m_application,
                &TessivarServerApplication::requestDeviceSettings, Qt::UniqueConnection);
    }
}

void UserInterfaceFlow::connectUpdates(UpdateFlow& updates)
{
    if (!m_bottomBar) {
        qCWarning(lcApp) << "Bottom bar not found";
        return;
    }
    connect(&updates.updateManager(), &update::SoftwareUpdateManager::updateAvailable, m_bottomBar,
            &ui::BottomBarWidget::setAvailableVersion);
    connect(m_bottomBar, &ui::BottomBarWidget::updateDownloadButtonClicked, &updates, &UpdateFlow::openDownloadPage);
}

void UserInterfaceFlow::showSettings()
{
    if (!m_settings)
        buildWindowPart(m_mainWindow, QStringLiteral("settings"));
    if (m_settings)
        m_settings->setVisible(true);
}

ui::TopBarWidget* UserInterfaceFlow::topBar() const
{
    return m_topBar;
}

ui::BottomBarWidget* UserInterfaceFlow::bottomBar() const
{
    return m_bottomBar;
}

ui::SettingsWidget* UserInterfaceFlow::settings() const
{
    return m_settings;
}

} // namespace tessivar

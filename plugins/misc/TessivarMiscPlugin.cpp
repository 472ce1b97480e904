#include "TessivarMiscPlugin.h"

#include "ClockModule.h"
#include "DeviceStatusModule.h"
#include "MacroModule.h"
#include "MiscModuleIds.h"
#include "OpenWebPageModule.h"
#include "ShortcutModule.h"
#include "TessivarModuleDataInfo.h"
#include "TextModule.h"

#include <tuple>

namespace {

const QString kQrcMisc = QStringLiteral("qrc") + kMiscResources;
const QString kQrcDeviceStatus = QStringLiteral("qrc") + kDeviceStatusResources;

struct DataClassWidgets {
    const QString& id;
    QString parameterEditionWidget;
    QString clientDataDisplayWidget;
};

} // namespace

TessivarMiscPlugin::TessivarMiscPlugin()
    : TessivarPlugin(QStringLiteral("com.tessivar.plugin.misc"), QStringLiteral("Tessivar Misc"))
{
    setValid(true);
    setVisible(true);
    setDescription(QStringLiteral("Miscellaneous widgets"));
    setIcon(QUrl(kQrcMisc + QStringLiteral("PluginIcon.png")));
    setVersion(QStringLiteral(TESSIVAR_MISC_VERSION));
    setAuthor(QStringLiteral("The Tessivar developers"));

    const DataClassWidgets dataClasses[] = {
        {kClockModuleId, kQrcMisc + "ClockModule/ParameterWidget.qml", kQrcMisc + "ClockModule/DataWidget.qml"},
        {kTextModuleId, kQrcMisc + "TextModule/ParametersWidget.qml", kQrcMisc + "TextModule/DataWidget.qml"},
        {kShortcutModuleId, kQrcMisc + "ShortcutModule/Parameters.qml", kQrcMisc + "ShortcutModule/Data.qml"},
        {kMacroModuleId, kQrcMisc + "MacroModule/Parameters.qml", kQrcMisc + "MacroModule/Data.qml"},
        {kOpenWebPageModuleId, kQrcMisc + "OpenWebPageModule/Parameters.qml", kQrcMisc + "OpenWebPageModule/Data.qml"},
        {kDeviceStatusModuleId, kQrcDeviceStatus + "Parameters.qml", kQrcDeviceStatus + "Data.qml"},
    };
    for (const DataClassWidgets& widgets : dataClasses) {
        TessivarModuleDataInfo info(widgets.id);
        info.setParameterEditionWidgetPath(QUrl(widgets.parameterEditionWidget));
        info.setClientDataDisplayWidgetPath(QUrl(widgets.clientDataDisplayWidget));
        registerModuleDataClass(info);
    }

    registerModule(kClockModuleId, QStringLiteral("Clock"),
                   QStringLiteral("Simple clock to display the current time of any time zone."),
                   kQrcMisc + "ClockModule/ModuleIcon.png");
    registerModule(kTextModuleId, QStringLiteral("Text"),
                   QStringLiteral("Show a simple text. Basic HTML is supported."),
                   kQrcMisc + "TextModule/ModuleIcon.png");
    registerModule(kShortcutModuleId, QStringLiteral("Shortcut"), QStringLiteral("Show a shortcut to any application."),
                   kQrcMisc + "ShortcutModule/ModuleIcon.png");
    registerModule(kMacroModuleId, QStringLiteral("Macro"),
                   QStringLiteral("Record and replay a series of keyboard events."),
                   kQrcMisc + "MacroModule/ModuleIcon.png");
    registerModule(kOpenWebPageModuleId, QStringLiteral("Open Web Page"),
                   QStringLiteral("Open a web browser to any address."), kQrcMisc + "OpenWebPageModule/ModuleIcon.png");
    registerModule(kDeviceStatusModuleId, QStringLiteral("Device Status"),
                   QStringLiteral("Show the status of this device."), kQrcDeviceStatus + "ModuleIcon.png");
}

void TessivarMiscPlugin::registerModule(const QString& id, const QString& name, const QString& description,
                                        const QString& icon)
{
    m_moduleInfos.emplace(std::piecewise_construct, std::forward_as_tuple(id), std::forward_as_tuple(id, name));
    // at() fails loudly; with the fixed ids the entry is always there.
    m_moduleInfos.at(id).setVisible(true);
    m_moduleInfos.at(id).setValid(true);
    m_moduleInfos.at(id).setDescription(description);
    m_moduleInfos.at(id).setIcon(QUrl(icon));
    registerModuleClass(&m_moduleInfos.at(id));
}

TessivarModuleInstance* TessivarMiscPlugin::createModuleInstance(const QString& moduleId)
{
    if (moduleId == kClockModuleId)
        return new ClockModule();
    if (moduleId == kTextModuleId)
        return new TextModule();
    if (moduleId == kShortcutModuleId)
        return new ShortcutModule();
    if (moduleId == kMacroModuleId)
        return new MacroModule();
    if (moduleId == kOpenWebPageModuleId)
        return new OpenWebPageModule();
    if (moduleId == kDeviceStatusModuleId)
        return new DeviceStatusModule();
    return nullptr;
}

namespace {
TessivarMiscPlugin g_miscPlugin;
}

TessivarPlugin* getTessivarPluginInstance()
{
    return &g_miscPlugin;
}

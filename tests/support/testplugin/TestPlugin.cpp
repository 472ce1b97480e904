#include "TestPlugin.h"

#include "EchoModule.h"
#include "TessivarModuleDataInfo.h"

namespace {
const QString kResourceRoot = QStringLiteral("qrc:/" TESSIVAR_TEST_PLUGIN_ID "/");
}

TestPlugin::TestPlugin()
    : TessivarPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN_ID), QStringLiteral("Test Plugin " TESSIVAR_TEST_PLUGIN_ID))
    , m_echo(kEchoModuleId, QStringLiteral("Echo"))
    , m_broken(kBrokenModuleId, QStringLiteral("Broken"))
{
    setValid(true);
    setVisible(true);
    setDescription(QStringLiteral("Modules for tests"));

    TessivarModuleDataInfo echoData(kEchoDataClassId);
    echoData.setParameterEditionWidgetPath(QUrl(kResourceRoot + QStringLiteral("EchoParameters.qml")));
    echoData.setClientDataDisplayWidgetPath(QUrl(kResourceRoot + QStringLiteral("EchoData.qml")));
    echoData.addClientFile(QUrl(kResourceRoot + QStringLiteral("EchoIcon.txt")), QStringLiteral("Icon.txt"));
    echoData.addClientFile(QUrl(kResourceRoot + QStringLiteral("Missing.png")), QStringLiteral("Missing.png"));
    registerModuleDataClass(echoData);

    for (TessivarModuleInfo* info : {&m_echo, &m_broken}) {
        info->setValid(true);
        info->setVisible(true);
        info->setDescription(QStringLiteral("Test module"));
        registerModuleClass(info);
    }
}

TessivarModuleInstance* TestPlugin::createModuleInstance(const QString& moduleId)
{
    if (moduleId == kEchoModuleId)
        return new EchoModule;
    return nullptr;
}

static TestPlugin testPlugin;

extern "C" Q_DECL_EXPORT TessivarPlugin* getTessivarPluginInstance()
{
    return &testPlugin;
}

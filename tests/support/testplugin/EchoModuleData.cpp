#include "EchoModuleData.h"

#include "TestPlugin.h"

#include <QVariant>

EchoModuleData::EchoModuleData()
    : TessivarModuleInstanceData(TestPlugin::kEchoDataClassId)
{
    setClientParameter(QStringLiteral("Text"), QStringLiteral("hello"));
    setClientData(QStringLiteral("Value"), 0);
    setLocalParameter(QStringLiteral("Path"), QString());
    m_probe.setProperty("reloaded", false);
    m_probe.setProperty("localChanges", 0);
    addHelper(QStringLiteral("Probe"), &m_probe);
    setLocalParameterChangeCallback([this](const QString&, const QVariant&) {
        m_probe.setProperty("localChanges", m_probe.property("localChanges").toInt() + 1);
    });
}

void EchoModuleData::onReload()
{
    m_probe.setProperty("reloaded", true);
}

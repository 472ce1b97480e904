#pragma once

#include "TessivarModuleInfo.h"
#include "TessivarPlugin.h"

#include <QString>

// The plugin that tests load from a temporary "plugins/" folder. Built twice with
// different ids (TESSIVAR_TEST_PLUGIN_ID); both register the data class
// "com.tessivar.test.echo", each with its own client files.
class TestPlugin : public TessivarPlugin
{
public:
    static inline const QString kEchoModuleId = QStringLiteral("com.tessivar.test.echo");
    // Offered, but no instance can be made of it.
    static inline const QString kBrokenModuleId = QStringLiteral("com.tessivar.test.broken");
    static inline const QString kEchoDataClassId = QStringLiteral("com.tessivar.test.echo");

    TestPlugin();
    TessivarModuleInstance* createModuleInstance(const QString& moduleId) override;

private:
    TessivarModuleInfo m_echo;
    TessivarModuleInfo m_broken;
};

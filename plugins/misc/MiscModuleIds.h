#pragma once

#include <QString>

// The module ids of the misc plugin; each module's only data class carries the same
// id. Inline so that they are built before the plugin object that reads them.
inline const QString kClockModuleId = QStringLiteral("com.tessivar.plugin.misc.clock");
inline const QString kTextModuleId = QStringLiteral("com.tessivar.plugin.misc.text");
inline const QString kShortcutModuleId = QStringLiteral("com.tessivar.plugin.misc.shortcut");
inline const QString kMacroModuleId = QStringLiteral("com.tessivar.plugin.misc.macro");
inline const QString kOpenWebPageModuleId = QStringLiteral("com.tessivar.plugin.misc.openwebpage");
inline const QString kDeviceStatusModuleId = QStringLiteral("com.tessivar.plugin.misc.devicestatus");

// Roots of the library's two resource trees.
inline const QString kMiscResources = QStringLiteral(":/com.tessivar.plugin.misc.resources/");
inline const QString kDeviceStatusResources = QStringLiteral(":/com.tessivar.plugin.misc.devicestatus/resources/");

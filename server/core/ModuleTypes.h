#pragma once

#include <QtGlobal>
#include <QString>

// Identifier under which a device knows a block; handed out by the device.
using BlockId_t = quint32;
// Identifier of a pending request to create a block on a device; -1 for none.
using BlockCreationRequestId_t = qint32;
// Identifiers of a plugin, of a module within it, and of a data class.
using PluginId_t = QString;
using ModuleId_t = QString;
using ModuleDataId_t = QString;

inline constexpr BlockCreationRequestId_t kNoCreationRequest = -1;

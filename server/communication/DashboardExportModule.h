#pragma once

#include "core/ModuleTypes.h"

#include <QRectF>
#include <QString>

namespace tessivar::communication {

// One block of a device's dashboard, as the device reports it for an export.
struct DashboardExportModule {
    BlockId_t blockId = 0;
    QRectF geometry;
    qint32 z = 0;
    QString dataClassId;

    bool operator==(const DashboardExportModule& other) const
    {
        return blockId == other.blockId && geometry == other.geometry && z == other.z
            && dataClassId == other.dataClassId;
    }
};

} // namespace tessivar::communication

#pragma once

#include "core/ModuleTypes.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVersionNumber>

namespace tessivar::communication {

// One block that an import asks a device to create.
struct DashboardImportModule {
    BlockCreationRequestId_t creationRequestId = 0;
    QRectF geometry;
    qint32 z = 0;
    QString dataClassId;
    QStringList profiles;
    QString dataWidget;
    QVersionNumber version;
    QVariantMap parameters;
    QVariantMap data;

    bool operator==(const DashboardImportModule& other) const
    {
        return creationRequestId == other.creationRequestId && geometry == other.geometry && z == other.z
            && dataClassId == other.dataClassId && profiles == other.profiles && dataWidget == other.dataWidget
            && version == other.version && parameters == other.parameters && data == other.data;
    }
};

// The blocks of one import request, in request order.
using DashboardImportData_t = QList<DashboardImportModule>;

} // namespace tessivar::communication

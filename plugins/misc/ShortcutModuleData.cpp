#include "ShortcutModuleData.h"

#include "ImageDataUrl.h"
#include "MiscModuleIds.h"

#include <QStringList>

ShortcutModuleData::ShortcutModuleData()
    : TessivarModuleInstanceData(kShortcutModuleId)
{
    setLocalParameterChangeCallback(
        [this](const QString& key, const QVariant& value) { onLocalParameterChanged(key, value); });
    setLocalParameter(QStringLiteral("ProgramPathFull"), QString());
    setLocalParameter(QStringLiteral("Arguments"), QString());
    setLocalParameter(QStringLiteral("ArgumentList"), QStringList());
    setClientParameter(QStringLiteral("Icon"),
                       resourceImageDataUrl(kMiscResources + QStringLiteral("ShortcutModule/icon-missing_image.png")));
    addHelper(QStringLiteral("Helper"), &m_helper);
}

void ShortcutModuleData::onLocalParameterChanged(const QString& key, const QVariant& value)
{
    if (key == QLatin1String("ProgramPathFull"))
        setLocalParameter(QStringLiteral("ProgramPath"), value.toUrl().toLocalFile());
    else if (key == QLatin1String("IconPath"))
        Q_EMIT selectedIconChanged(value.toUrl());
}

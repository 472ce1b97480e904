#include "OpenWebPageModuleData.h"

#include "ImageDataUrl.h"
#include "MiscModuleIds.h"

OpenWebPageModuleData::OpenWebPageModuleData()
    : TessivarModuleInstanceData(kOpenWebPageModuleId)
{
    setLocalParameter(QStringLiteral("URL"), QString());
    setClientParameter(
        QStringLiteral("Icon"),
        resourceImageDataUrl(kMiscResources + QStringLiteral("OpenWebPageModule/icon-missing_image.png")));
    addHelper(QStringLiteral("Helper"), &m_helper);
}

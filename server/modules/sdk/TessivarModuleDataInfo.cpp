#include "TessivarModuleDataInfo.h"

TessivarModuleDataInfo::TessivarModuleDataInfo(const QString& id)
    : m_id(id)
{
}

void TessivarModuleDataInfo::addClientFile(const QUrl& url, const QString& name)
{
    m_clientFiles.append({url, name});
}

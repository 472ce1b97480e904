#include "TessivarModuleInfoList.h"

#include "TessivarModuleInfo.h"
#include "TessivarModuleInfoData.h"

TessivarModuleInfoList::TessivarModuleInfoList(QObject* parent)
    : QObject(parent)
{
}

QList<QObject*> TessivarModuleInfoList::modules() const
{
    QList<QObject*> result;
    result.reserve(m_infoList.size());
    for (TessivarModuleInfo* info : m_infoList)
        result.append(info->data());
    return result;
}

void TessivarModuleInfoList::append(TessivarModuleInfo* info)
{
    if (!info || m_infoList.contains(info))
        return;
    m_infoList.append(info);
    Q_EMIT modulesChanged();
}

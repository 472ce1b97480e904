#pragma once

#include "OpenWebPageHelper.h"
#include "TessivarModuleInstanceData.h"

#include <QObject>

// Parameters of a web page block: the address (local "URL") and the icon ("Icon").
class OpenWebPageModuleData : public QObject, public TessivarModuleInstanceData
{
    Q_OBJECT

public:
    OpenWebPageModuleData();

private:
    OpenWebPageHelper m_helper;
};

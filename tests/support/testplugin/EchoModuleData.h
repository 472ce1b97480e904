#pragma once

#include "TessivarModuleInstanceData.h"

#include <QObject>

// Values of the test module: client parameter "Text", client data "Value", local
// parameter "Path". A helper "Probe" tells whether onReload ran and counts the
// local-parameter callbacks.
class EchoModuleData : public TessivarModuleInstanceData
{
public:
    EchoModuleData();
    void onReload() override;

private:
    QObject m_probe;
};

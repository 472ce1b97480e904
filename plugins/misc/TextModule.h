#pragma once

#include "TessivarModuleInstance.h"
#include "TextModuleData.h"

// A text block: everything happens on the device.
class TextModule : public TessivarModuleInstance
{
public:
    TextModule()
        : TessivarModuleInstance(&m_data)
    {
    }

private:
    TextModuleData m_data;
};

#pragma once

#include "TessivarModuleInstanceData.h"

// A fixed text with basic HTML, its alignment, size and colour; the title shown on the
// device is not editable.
class TextModuleData : public TessivarModuleInstanceData
{
public:
    TextModuleData();
};

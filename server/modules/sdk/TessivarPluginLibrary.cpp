#include "TessivarPluginLibrary.h"

#include "TessivarModuleInfoData.h"
#include "TessivarPluginData.h"
#include "TessivarPropertyMap.h"

#include <QMetaType>

void TessivarPluginLibrary::Init()
{
    qRegisterMetaType<TessivarPluginData*>();
    qRegisterMetaType<TessivarModuleInfoData*>();
    qRegisterMetaType<TessivarPropertyMap*>();
}

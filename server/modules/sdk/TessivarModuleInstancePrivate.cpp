#include "TessivarModuleInstancePrivate.h"

TessivarModuleInstancePrivate::TessivarModuleInstancePrivate(QObject* parent)
    : QObject(parent)
{
}

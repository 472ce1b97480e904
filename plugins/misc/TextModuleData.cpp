#include "TextModuleData.h"

#include "MiscModuleIds.h"

#include <QColor>

TextModuleData::TextModuleData()
    : TessivarModuleInstanceData(kTextModuleId)
{
    setDisplayTitleEditable(false);
    setClientParameter(QStringLiteral("Text"), QStringLiteral("<u>Hello <b>World</b></u>"));
    setClientParameter(QStringLiteral("HorizontalAlignment"), 0);
    setClientParameter(QStringLiteral("VerticalAlignment"), 0);
    setClientParameter(QStringLiteral("Size"), 20);
    setClientParameter(QStringLiteral("Color"), QColor(Qt::lightGray));
}

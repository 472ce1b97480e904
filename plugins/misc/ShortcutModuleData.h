#pragma once

#include "ShortcutHelper.h"
#include "TessivarModuleInstanceData.h"

#include <QObject>
#include <QUrl>

// Parameters of a shortcut: the program ("ProgramPathFull" as chosen, "ProgramPath"
// derived from it), its arguments ("ArgumentList"; "Arguments" from blocks of an
// earlier version), the chosen icon image ("IconPath") and the icon the device shows
// (client parameter "Icon").
class ShortcutModuleData : public QObject, public TessivarModuleInstanceData
{
    Q_OBJECT

public:
    ShortcutModuleData();

    ShortcutHelper& helper() { return m_helper; }

Q_SIGNALS:
    void selectedIconChanged(QUrl fileUrl);

private:
    void onLocalParameterChanged(const QString& key, const QVariant& value);

    ShortcutHelper m_helper;
};

#pragma once

#include "modules/ModuleList.h"

#include <QPointer>
#include <QQuickItem>

namespace tessivar::ui {

// Native side of the list of blocks: the QML shows the module list given here.
class ModuleListWidget : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(ModuleList* moduleList READ moduleList NOTIFY moduleListChanged)

public:
    explicit ModuleListWidget(QQuickItem* parent = nullptr);

    ModuleList* moduleList() const;
    // Not owned.
    void setModuleList(ModuleList* list);

Q_SIGNALS:
    void moduleListChanged();

private:
    QPointer<ModuleList> m_moduleList;
};

} // namespace tessivar::ui

#include "ui/ModuleListWidget.h"

#include "modules/ModuleList.h"

namespace tessivar::ui {

ModuleListWidget::ModuleListWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

ModuleList* ModuleListWidget::moduleList() const
{
    return m_moduleList;
}

void ModuleListWidget::setModuleList(ModuleList* list)
{
    m_moduleList = list;
    Q_EMIT moduleListChanged();
}

} // namespace tessivar::ui

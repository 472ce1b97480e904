#include "ui/ModuleEditionWidget.h"

#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QQmlPropertyMap>

namespace tessivar::ui {

namespace {

TessivarModuleInstanceData* instanceData(const ModuleSource* module)
{
    if (!module || !module->GetInstance())
        return nullptr;
    return module->GetInstance()->instanceData();
}

} // namespace

ModuleEditionWidget::ModuleEditionWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
    connect(this, &QQuickItem::visibleChanged, this, &ModuleEditionWidget::onVisibleChanged);
}

ModuleEditionWidget::~ModuleEditionWidget()
{
    disconnect(m_moduleDestroyed);
}

void ModuleEditionWidget::edit(ModuleSource* module, const QUrl& editorUrl, bool newModule)
{
    endEdit();
    m_newModule = newModule;
    if (TessivarModuleInstanceData* data = instanceData(module)) {
        m_savedLocalParameters = data->localParameters()->toVariantMap();
        m_savedClientParameters = data->clientParameters()->toVariantMap();
    }
    m_module = module;
    m_editorEnded = false;
    m_moduleDestroyed = connect(module, &QObject::destroyed, this, &ModuleEditionWidget::onModuleDestroyed);
    Q_EMIT moduleChanged();
    QMetaObject::invokeMethod(this, "startParameterModification", Q_ARG(QVariant, QVariant(editorUrl)));
    setVisible(true);
}

void ModuleEditionWidget::close()
{
    endEdit();
    setVisible(false);
}

ModuleSource* ModuleEditionWidget::module() const
{
    return m_module;
}

QObject* ModuleEditionWidget::moduleLocalParameters() const
{
    TessivarModuleInstanceData* data = instanceData(m_module);
    return data ? data->localParameters()->forQml() : nullptr;
}

QObject* ModuleEditionWidget::moduleClientParameters() const
{
    TessivarModuleInstanceData* data = instanceData(m_module);
    return data ? data->clientParameters()->forQml() : nullptr;
}

QObject* ModuleEditionWidget::moduleHelpers() const
{
    TessivarModuleInstanceData* data = instanceData(m_module);
    return data ? data->helpers() : nullptr;
}

bool ModuleEditionWidget::isDisplayTitleEditable() const
{
    TessivarModuleInstanceData* data = instanceData(m_module);
    return data && data->isDisplayTitleEditable();
}

bool ModuleEditionWidget::isNewModule() const
{
    return m_newModule;
}

void ModuleEditionWidget::accept()
{
    Q_EMIT modificationAccepted();
}

void ModuleEditionWidget::acceptNew(NetworkDeviceId_t deviceId)
{
    Q_EMIT creationAccepted(deviceId);
}

void ModuleEditionWidget::cancel()
{
    if (m_module) {
        // The editor ends first: what it stores on leaving (a recording in progress)
        // is part of the edit that is undone.
        endEditor();
        m_module->RestoreParameters(m_savedLocalParameters, m_savedClientParameters);
    }
    Q_EMIT modificationCancelled();
}

void ModuleEditionWidget::endEdit()
{
    // The parameter editor is unloaded once per edit, however the edit ends.
    if (!m_module && !m_moduleDestroyed)
        return;
    disconnect(m_moduleDestroyed);
    m_moduleDestroyed = {};
    endEditor();
    m_module = nullptr;
    m_savedLocalParameters.clear();
    m_savedClientParameters.clear();
    Q_EMIT moduleChanged();
}

void ModuleEditionWidget::endEditor()
{
    if (m_editorEnded)
        return;
    m_editorEnded = true;
    QMetaObject::invokeMethod(this, "endParameterModification");
}

void ModuleEditionWidget::onModuleDestroyed()
{
    endEdit();
    setVisible(false);
}

void ModuleEditionWidget::onVisibleChanged()
{
    if (!isVisible())
        endEdit();
}

} // namespace tessivar::ui

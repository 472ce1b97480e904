#include "app/BlockCreationFlow.h"

#include "app/ErrorHandler.h"
#include "app/WindowParts.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "core/ApplicationConstants.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "ui/ModuleEditionWidget.h"
#include "ui/ModuleSelectionWidget.h"

#include <QDebug>
#include <QQuickWindow>

namespace tessivar {

BlockCreationFlow::BlockCreationFlow(ModuleList& moduleList, PluginManager& pluginManager,
                                     device::IDeviceManager& deviceManager, QObject* parent)
    : QObject(parent)
    , m_moduleList(moduleList)
    , m_pluginManager(pluginManager)
    , m_deviceManager(deviceManager)
{
}

BlockCreationFlow::~BlockCreationFlow()
{
    deleteModuleBeingCreatedNow();
}

void BlockCreationFlow::registerHandlers(communication::MessageHandler& messageHandler)
{
    messageHandler.On<communication::Message_RegisterBlockResponse>(
        [this](const communication::Message_RegisterBlockResponse& message,
               const communication::MessageReception& reception) {
            handleBlockCreationResponse(reception.GetSenderId(), message.GetStatus(), message.GetBlockId(),
                                        message.GetRequestIndex());
        });
}

void BlockCreationFlow::connectWidgets(QQuickWindow* mainWindow, ErrorHandler* errorHandler)
{
    m_errorHandler = errorHandler;
    connect(&m_moduleList, &ModuleList::moduleModificationRequested, this, &BlockCreationFlow::modifyExistingModule);
    connect(&m_moduleList, &ModuleList::moduleInformationRequested, this,
            &BlockCreationFlow::moduleInformationRequested);
    m_mainWindow = mainWindow;
    if (mainWindow)
        connect(mainWindow, SIGNAL(partLoaded(QVariant)), this, SLOT(wirePart(QVariant)));
}

void BlockCreationFlow::wirePart(const QVariant& part)
{
    QObject* object = part.value<QObject*>();
    if (auto* edition = qobject_cast<ui::ModuleEditionWidget*>(object)) {
        m_moduleEditionWidget = edition;
        return;
    }
    auto* selection = qobject_cast<ui::ModuleSelectionWidget*>(object);
    if (!selection)
        return;
    m_moduleSelectionWidget = selection;
    connect(selection, &ui::ModuleSelectionWidget::moduleSelected, this, &BlockCreationFlow::modifyNewModule);
    connect(selection, &ui::ModuleSelectionWidget::moduleSelectionCancelled, this,
            &BlockCreationFlow::cancelNewModuleModification);
    connect(selection, &ui::ModuleSelectionWidget::invalidPluginInfoPressed, this,
            &BlockCreationFlow::pluginInformationRequested);
    connect(selection, &ui::ModuleSelectionWidget::invalidModuleInfoPressed, this,
            &BlockCreationFlow::moduleInformationRequested);
}

ui::ModuleSelectionWidget* BlockCreationFlow::builtSelectionWidget()
{
    // Building it announces it, and wirePart takes it.
    if (!m_moduleSelectionWidget)
        buildWindowPart(m_mainWindow, QStringLiteral("moduleSelection"));
    return m_moduleSelectionWidget;
}

ui::ModuleEditionWidget* BlockCreationFlow::builtEditionWidget()
{
    if (!m_moduleEditionWidget)
        buildWindowPart(m_mainWindow, QStringLiteral("moduleEdition"));
    return m_moduleEditionWidget;
}

ModuleSource* BlockCreationFlow::moduleBeingCreated() const
{
    return m_moduleBeingCreated.get();
}

ui::ModuleSelectionWidget* BlockCreationFlow::moduleSelectionWidget() const
{
    return m_moduleSelectionWidget;
}

ui::ModuleEditionWidget* BlockCreationFlow::moduleEditionWidget() const
{
    return m_moduleEditionWidget;
}

void BlockCreationFlow::deleteModuleBeingCreatedNow()
{
    delete m_moduleBeingCreated.release();
}

void BlockCreationFlow::handleBlockCreationResponse(const NetworkDeviceId_t& deviceId, BlockCreationStatus_e status,
                                                    BlockId_t blockId, BlockCreationRequestId_t requestId)
{
    if (!m_moduleList.IsPendingRequestOf(requestId, deviceId)) {
        // Another device's request index (or none open): taken, it would rewrite or drop
        // a block of a device that never answered.
        if (m_dropLog.Allow(QStringLiteral("block creation answer not asked for"), deviceId))
            qCWarning(lcApp) << "Block creation answer from" << deviceId << "for request" << requestId
                             << "that is not open for it, ignored";
        return;
    }
    if (status == BlockCreationStatus_e::Created) {
        m_moduleList.OnBlockCreated(blockId, requestId);
        return;
    }
    m_moduleList.RemoveModuleByRequestId(requestId);
    if (!m_errorHandler)
        return;
    switch (status) {
    case BlockCreationStatus_e::IncompatibleVersion: {
        device::IDevice* device = m_deviceManager.GetDevice(deviceId);
        const QString deviceVersion = device ? device->GetVersion().toString() : QString();
        m_errorHandler->report(ErrorHandler::VersionError, {}, deviceVersion, softwareVersion().toString());
        break;
    }
    case BlockCreationStatus_e::ModuleNotAvailable:
        m_errorHandler->report(ErrorHandler::InvalidModule, {});
        break;
    case BlockCreationStatus_e::NotCreated:
        break;
    default:
        // Failed, and any value a device may invent.
        m_errorHandler->report(ErrorHandler::UnknownError, {});
        break;
    }
}

void BlockCreationFlow::hideModuleWidgets()
{
    closeEditionWidget();
    if (m_moduleSelectionWidget)
        m_moduleSelectionWidget->setVisible(false);
}

void BlockCreationFlow::closeEditionWidget()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
}

void BlockCreationFlow::dropModuleBeingCreated()
{
    m_moduleBeingCreated.reset();
}

void BlockCreationFlow::createNewModule()
{
    closeEditionWidget();
    ui::ModuleSelectionWidget* selection = builtSelectionWidget();
    if (!selection)
        return;
    if (selection->isVisible()) {
        selection->setVisible(false);
        dropModuleBeingCreated();
    } else {
        selection->setVisible(true);
    }
}

void BlockCreationFlow::modifyNewModule(const PluginId_t& pluginId, const ModuleId_t& moduleId)
{
    if (!builtEditionWidget())
        return;
    m_moduleEditionWidget->close();
    disconnect(m_moduleEditionWidget, nullptr, this, nullptr);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::creationAccepted, this,
            &BlockCreationFlow::acceptNewModuleModification);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationCancelled, this,
            &BlockCreationFlow::cancelNewModuleModification);

    std::unique_ptr<TessivarModuleInstance> instance = m_pluginManager.InstantiateModule(pluginId, moduleId);
    if (!instance) {
        qCWarning(lcApp) << "Could not create module" << moduleId << "of plugin" << pluginId;
        dropModuleBeingCreated();
        return;
    }
    ModuleRecord record;
    record.SetPluginId(pluginId);
    record.SetModuleId(moduleId);
    record.SetModuleDataClass(instance->instanceData()->classId());
    // The module's name is the block's description: its title while the user gives it
    // none, and what an export carries.
    if (instance->moduleInfo())
        record.SetDescription(instance->moduleInfo()->name());
    m_moduleBeingCreated.reset(new ModuleSource(record, std::move(instance), false));
    m_moduleEditionWidget->edit(m_moduleBeingCreated.get(),
                                m_pluginManager.GetParameterEditionWidgetPath(record.GetModuleDataClass()), true);
}

void BlockCreationFlow::acceptNewModuleModification(const NetworkDeviceId_t& selectedDevice)
{
    hideModuleWidgets();
    if (!m_moduleBeingCreated)
        return;
    m_moduleBeingCreated->SetDeviceId(selectedDevice);
    const QString dataClassId = m_moduleBeingCreated->GetRecord().GetModuleDataClass();
    m_moduleList.AddNewModule(std::unique_ptr<ModuleSource>(m_moduleBeingCreated.release()),
                              m_pluginManager.FindModuleDataClass(dataClassId), true);
}

void BlockCreationFlow::cancelNewModuleModification()
{
    closeEditionWidget();
    if (m_moduleSelectionWidget)
        m_moduleSelectionWidget->setProperty("selectedModule", QVariant::fromValue<QObject*>(nullptr));
    dropModuleBeingCreated();
}

void BlockCreationFlow::cancelNewModuleSelection()
{
    hideModuleWidgets();
    dropModuleBeingCreated();
}

void BlockCreationFlow::modifyExistingModule(ModuleSource* module)
{
    if (!module || !builtEditionWidget())
        return;
    disconnect(m_moduleEditionWidget, nullptr, this, nullptr);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationAccepted, this,
            &BlockCreationFlow::acceptExistingModuleModification);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationCancelled, this,
            &BlockCreationFlow::cancelExistingModuleModification);
    m_moduleEditionWidget->edit(
        module, m_pluginManager.GetParameterEditionWidgetPath(module->GetRecord().GetModuleDataClass()), false);
}

void BlockCreationFlow::acceptExistingModuleModification()
{
    closeEditionWidget();
}

void BlockCreationFlow::cancelExistingModuleModification()
{
    closeEditionWidget();
}

} // namespace tessivar

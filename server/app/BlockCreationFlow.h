#pragma once

#include "core/BlockCreationStatus.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"
#include "core/ModuleTypes.h"
#include "device/DeleteLater.h"
#include "modules/ModuleSource.h"

#include <QObject>
#include <QPointer>

class QQuickWindow;

class ModuleList;
class PluginManager;

namespace tessivar {

class ErrorHandler;

namespace communication {
class MessageHandler;
} // namespace communication

namespace device {
class IDeviceManager;
} // namespace device

namespace ui {
class ModuleEditionWidget;
class ModuleSelectionWidget;
} // namespace ui

// Block creation and editing: the user picks a module in the selection widget, sets it
// up in the edition widget and places it on a device; the device's answer confirms the
// block or removes it with the error it gives. Existing blocks are edited in place.
class BlockCreationFlow : public QObject
{
    Q_OBJECT

public:
    BlockCreationFlow(ModuleList& moduleList, PluginManager& pluginManager, device::IDeviceManager& deviceManager,
                      QObject* parent = nullptr);
    ~BlockCreationFlow() override;

    void registerHandlers(communication::MessageHandler& messageHandler);
    // Once the main window has loaded: its two panels, as it builds them, and where
    // errors are shown.
    void connectWidgets(QQuickWindow* mainWindow, ErrorHandler* errorHandler);

    ModuleSource* moduleBeingCreated() const;
    ui::ModuleSelectionWidget* moduleSelectionWidget() const;
    ui::ModuleEditionWidget* moduleEditionWidget() const;
    // At the application's end, when no event loop runs to delete it later.
    void deleteModuleBeingCreatedNow();

    void handleBlockCreationResponse(const NetworkDeviceId_t& deviceId, BlockCreationStatus_e status, BlockId_t blockId,
                                     BlockCreationRequestId_t requestId);
    void createNewModule();
    void modifyNewModule(const PluginId_t& pluginId, const ModuleId_t& moduleId);
    void modifyExistingModule(ModuleSource* module);
    void acceptNewModuleModification(const NetworkDeviceId_t& selectedDevice);
    void cancelNewModuleModification();
    void acceptExistingModuleModification();
    void cancelExistingModuleModification();
    void cancelNewModuleSelection();

Q_SIGNALS:
    void pluginInformationRequested(const QString& pluginId);
    void moduleInformationRequested(const QString& pluginId, const QString& moduleId);

private Q_SLOTS:
    void wirePart(const QVariant& part);

private:
    // The panels, built when first needed.
    ui::ModuleSelectionWidget* builtSelectionWidget();
    ui::ModuleEditionWidget* builtEditionWidget();
    void hideModuleWidgets();
    void closeEditionWidget();
    void dropModuleBeingCreated();

    ModuleList& m_moduleList;
    PluginManager& m_pluginManager;
    device::IDeviceManager& m_deviceManager;
    QPointer<ErrorHandler> m_errorHandler;
    QPointer<ui::ModuleSelectionWidget> m_moduleSelectionWidget;
    QPointer<ui::ModuleEditionWidget> m_moduleEditionWidget;
    QPointer<QQuickWindow> m_mainWindow;
    LogFloodGuard m_dropLog;
    // The block the user is configuring, not yet placed on a device. QML may still
    // hold it when it is dropped.
    device::DeleteLaterPtr<ModuleSource> m_moduleBeingCreated;
};

} // namespace tessivar

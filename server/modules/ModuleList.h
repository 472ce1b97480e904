#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleTypes.h"
#include "modules/ModuleRecord.h"
#include "modules/ModuleSource.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <vector>

class PluginManager;
class TessivarModuleDataInfo;

// All blocks of the server, in display order. Loads the stored blocks at start-up,
// asks devices to create new ones, keeps them in step with what the devices report
// and forwards the blocks' signals to the application. Blocks are looked up by the
// pair (block id, device id): two devices may hand out the same block id.
class ModuleList : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit ModuleList(QObject* parent = nullptr);
    ~ModuleList() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Loads every block stored under "modules/"; false if any had to be dropped.
    bool LoadModules(PluginManager& plugins);
    // Takes ownership of the block and appends it.
    void AddModule(std::unique_ptr<ModuleSource> block);
    // Takes ownership; gives the block a creation request id (returned) and, with
    // `requestCreation`, asks for its creation through moduleCreationRequested.
    // Without a data class the block is destroyed and -1 returned.
    BlockCreationRequestId_t AddNewModule(std::unique_ptr<ModuleSource> block, const TessivarModuleDataInfo* dataClass,
                                          bool requestCreation);
    void OnBlockCreated(BlockId_t blockId, BlockCreationRequestId_t requestId);
    void RemoveModuleByRequestId(BlockCreationRequestId_t requestId);
    // Whether `requestId` is a creation still waiting for an answer from `deviceId`: only
    // the device a block was sent to may confirm or refuse it.
    bool IsPendingRequestOf(BlockCreationRequestId_t requestId, const NetworkDeviceId_t& deviceId) const;
    void ActivateModulesOfDevice(const NetworkDeviceId_t& deviceId);
    void DeactivateModulesOfDevice(const NetworkDeviceId_t& deviceId);
    void DeactivateModulesNotOn(const QStringList& deviceIds);
    // The device reported the blocks it holds: every other block of it is deleted.
    void SyncBlockList(const NetworkDeviceId_t& deviceId, const QList<BlockId_t>& blocks);
    void DeleteBlock(BlockId_t blockId, const NetworkDeviceId_t& deviceId);
    void ProcessBlockData(BlockId_t blockId, const NetworkDeviceId_t& deviceId, const QVariantMap& data);
    QList<ModuleRecord> GetModulesOfDevice(const NetworkDeviceId_t& deviceId) const;
    QList<BlockId_t> GetBlockIdsOfDevice(const NetworkDeviceId_t& deviceId) const;

Q_SIGNALS:
    void moduleDeleted(BlockId_t moduleId, NetworkDeviceId_t deviceId);
    void moduleModificationRequested(ModuleSource* module);
    void moduleParametersUpdated(BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap parameters);
    void moduleDataUpdated(BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap data);
    void moduleNotificationSent(QString text, int duration, NetworkDeviceId_t targetDevice);
    void moduleCreationRequested(ModuleDataId_t dataClassId, QString dataWidget, QVariantMap parameters,
                                 QVariantMap data, BlockCreationRequestId_t requestId, NetworkDeviceId_t deviceId);
    void moduleInformationRequested(PluginId_t pluginId, ModuleId_t moduleId);

public:
    Q_INVOKABLE void deleteModuleFromWidget(ModuleSource* block);
    Q_INVOKABLE void modifyModuleFromWidget(ModuleSource* block);
    Q_INVOKABLE void showModuleInformation(ModuleSource* block);
    Q_INVOKABLE QVariant get(int index) const;

private:
    bool LoadModule(PluginManager& plugins, const QString& folderPath);
    // Deals with a folder an interrupted write or removal left; the name of the block
    // folder it became, or empty.
    static QString FinishInterruptedWrite(const QString& root, const QString& name);
    int IndexOf(BlockId_t blockId, const NetworkDeviceId_t& deviceId) const;
    int IndexOfPendingRequest(BlockCreationRequestId_t requestId) const;
    int IndexOf(const ModuleSource* block) const;
    void RemoveRow(int row);
    void RemoveStaleBlock(BlockId_t blockId, const ModuleSource* created);

    std::vector<ModuleSource*> m_modules; // owned (children of the list)
    BlockCreationRequestId_t m_creationRequestCounter = 0;
};

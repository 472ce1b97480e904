#include "modules/ModuleList.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "modules/FolderSwap.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleDataInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <utility>
#include <vector>

namespace {
const char* const kSeparator = "----------------------";

// Creation order, which block ids follow: a block folder is "<id>" or "<id>-<n>".
std::pair<qulonglong, qulonglong> creationOrder(QStringView name)
{
    const qsizetype dash = name.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return {name.toULongLong(), 0};
    return {name.first(dash).toULongLong(), name.sliced(dash + 1).toULongLong()};
}
} // namespace

ModuleList::ModuleList(QObject* parent)
    : QAbstractListModel(parent)
{
    qRegisterMetaType<ModuleSource*>("ModuleSource*");
}

ModuleList::~ModuleList() = default;

int ModuleList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_modules.size());
}

QVariant ModuleList::data(const QModelIndex& index, int) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= int(m_modules.size()))
        return {};
    return QVariant::fromValue(m_modules[size_t(index.row())]);
}

QVariant ModuleList::get(int index) const
{
    if (index < 0 || index >= int(m_modules.size()))
        return {};
    return QVariant::fromValue(m_modules[size_t(index)]);
}

bool ModuleList::LoadModules(PluginManager& plugins)
{
    qCDebug(lcModules) << kSeparator;
    qCDebug(lcModules) << "--- ACTIVE MODULES ---";
    qCDebug(lcModules) << kSeparator;
    const QString root = tessivar::moduleDirectory();
    bool allLoaded = true;
    QStringList names;
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink()) {
            // What a link points to is no block of ours: never loaded, never deleted.
            qCWarning(lcModules) << "Invalid module" << it.fileName() << "is a link";
            allLoaded = false;
            continue;
        }
        names.append(it.fileName());
    }
    // Each folder's order is worked out once, not at every comparison of the sort.
    std::vector<std::pair<std::pair<qulonglong, qulonglong>, QString>> folders;
    folders.reserve(size_t(names.size()));
    for (const QString& name : std::as_const(names)) {
        if (!tessivar::FolderSwap::IsUnfinishedFolderName(name)) {
            folders.emplace_back(creationOrder(name), name);
            continue;
        }
        const QString recovered = FinishInterruptedWrite(root, name);
        if (!recovered.isEmpty())
            folders.emplace_back(creationOrder(recovered), recovered);
    }
    std::sort(folders.begin(), folders.end());
    for (const auto& folder : std::as_const(folders)) {
        allLoaded = LoadModule(plugins, root + folder.second) && allLoaded;
        qCDebug(lcModules) << kSeparator;
    }
    qCDebug(lcModules) << kSeparator;
    qCDebug(lcModules) << kSeparator;
    return allLoaded;
}

QString ModuleList::FinishInterruptedWrite(const QString& root, const QString& name)
{
    // A block is first written whole into "<name>.new", then renamed to "<name>". A
    // complete staged copy (its "crc" matches) whose rename did not happen is the block
    // the device accepted: it is put in place. Anything else there is an unfinished
    // write or removal and goes.
    const QString target = tessivar::FolderSwap::StagedFolderTarget(name);
    const QString blockIdText = target.section(QLatin1Char('-'), 0, 0);
    if (!target.isEmpty() && !QFileInfo::exists(root + target)
        && ModuleRecord::HoldsCompleteBlock(root + name, blockIdText.toUInt())
        && QDir().rename(root + name, root + target)) {
        qCInfo(lcModules) << "Recovered block folder" << target << "of an interrupted write";
        return target;
    }
    qCDebug(lcModules) << "Removing unfinished block folder" << root + name;
    QDir(root + name).removeRecursively();
    return {};
}

bool ModuleList::LoadModule(PluginManager& plugins, const QString& folderPath)
{
    ModuleRecord record(folderPath);
    qCDebug(lcModules) << "Module ID" << record.GetBlockId() << "Plugin:" << record.GetPluginId()
                       << "Module:" << record.GetModuleId() << "Device:" << record.GetDeviceId();
    const QString name = QFileInfo(folderPath).fileName();
    if (!record.IsValid()) {
        // Not one of ours: reported and left alone.
        qCWarning(lcModules) << "Invalid module" << name;
        return false;
    }
    std::unique_ptr<TessivarModuleInstance> instance
        = plugins.InstantiateModule(record.GetPluginId(), record.GetModuleId());
    if (!instance) {
        qCWarning(lcModules) << "Invalid module" << name;
        qCWarning(lcModules) << "Could not create module instance with plugin Id" << record.GetPluginId()
                             << "and module Id" << record.GetModuleId();
        record.Remove();
        return false;
    }
    AddModule(std::make_unique<ModuleSource>(record, std::move(instance), true));
    return true;
}

void ModuleList::AddModule(std::unique_ptr<ModuleSource> owned)
{
    // As a child of the list the block is never taken over by QML's garbage collector.
    ModuleSource* block = owned.release();
    block->setParent(this);
    connect(block, &ModuleSource::blockDataUpdated, this, &ModuleList::moduleDataUpdated);
    connect(block, &ModuleSource::blockParametersUpdated, this, &ModuleList::moduleParametersUpdated);
    connect(block, &ModuleSource::notificationSent, this, &ModuleList::moduleNotificationSent);
    const int row = int(m_modules.size());
    beginInsertRows(QModelIndex(), row, row);
    m_modules.push_back(block);
    endInsertRows();
}

BlockCreationRequestId_t ModuleList::AddNewModule(std::unique_ptr<ModuleSource> block,
                                                  const TessivarModuleDataInfo* dataClass, bool requestCreation)
{
    if (!dataClass) {
        block.release()->deleteLater();
        return kNoCreationRequest;
    }
    const BlockCreationRequestId_t requestId = m_creationRequestCounter++;
    block->SetCreationRequestId(requestId);
    const ModuleRecord& record = block->GetRecord();
    AddModule(std::move(block));
    if (requestCreation) {
        Q_EMIT moduleCreationRequested(dataClass->getId(), dataClass->getClientDataDisplayWidgetPath().fileName(),
                                       record.GetClientParameters(), record.GetClientData(), requestId,
                                       record.GetDeviceId());
    }
    return requestId;
}

void ModuleList::OnBlockCreated(BlockId_t blockId, BlockCreationRequestId_t requestId)
{
    const int row = IndexOfPendingRequest(requestId);
    if (row < 0)
        return;
    ModuleSource* created = m_modules[size_t(row)];
    RemoveStaleBlock(blockId, created);
    created->SetBlockId(blockId);
}

void ModuleList::RemoveStaleBlock(BlockId_t blockId, const ModuleSource* created)
{
    // A device that hands out an id again no longer holds the block that had it; kept,
    // that block would take the new block's data and deletions.
    for (size_t row = 0; row < m_modules.size(); ++row) {
        ModuleSource* block = m_modules[row];
        if (block == created || !block->GetRecord().IsStored() || block->GetBlockId() != blockId
            || block->GetDeviceId() != created->GetDeviceId())
            continue;
        qCWarning(lcModules) << "Device" << created->GetDeviceId() << "handed out block id" << blockId
                             << "again, removing the block that held it";
        block->RemoveFromStorage();
        RemoveRow(int(row));
        return;
    }
}

void ModuleList::RemoveModuleByRequestId(BlockCreationRequestId_t requestId)
{
    const int row = IndexOfPendingRequest(requestId);
    if (row >= 0)
        RemoveRow(row);
}

bool ModuleList::IsPendingRequestOf(BlockCreationRequestId_t requestId, const NetworkDeviceId_t& deviceId) const
{
    const int row = IndexOfPendingRequest(requestId);
    return row >= 0 && m_modules[size_t(row)]->GetDeviceId() == deviceId;
}

void ModuleList::ActivateModulesOfDevice(const NetworkDeviceId_t& deviceId)
{
    for (ModuleSource* block : m_modules) {
        if (block->GetDeviceId() == deviceId)
            block->Activate();
    }
}

void ModuleList::DeactivateModulesOfDevice(const NetworkDeviceId_t& deviceId)
{
    for (ModuleSource* block : m_modules) {
        if (block->GetDeviceId() == deviceId)
            block->Deactivate();
    }
}

void ModuleList::DeactivateModulesNotOn(const QStringList& deviceIds)
{
    for (ModuleSource* block : m_modules) {
        if (!deviceIds.contains(block->GetDeviceId(), Qt::CaseSensitive))
            block->Deactivate();
    }
}

void ModuleList::SyncBlockList(const NetworkDeviceId_t& deviceId, const QList<BlockId_t>& blocks)
{
    for (int row = int(m_modules.size()) - 1; row >= 0; --row) {
        ModuleSource* block = m_modules[size_t(row)];
        if (block->GetDeviceId() != deviceId || blocks.contains(block->GetBlockId()))
            continue;
        // A block still waiting for its device's answer is not on the device's list yet;
        // only that answer may keep or drop it.
        if (!block->GetRecord().IsStored())
            continue;
        qCDebug(lcModules) << "Deleting block" << block->GetBlockId() << "on" << deviceId;
        block->RemoveFromStorage();
        RemoveRow(row);
    }
}

void ModuleList::DeleteBlock(BlockId_t blockId, const NetworkDeviceId_t& deviceId)
{
    const int row = IndexOf(blockId, deviceId);
    if (row < 0)
        return;
    m_modules[size_t(row)]->RemoveFromStorage();
    RemoveRow(row);
}

void ModuleList::ProcessBlockData(BlockId_t blockId, const NetworkDeviceId_t& deviceId, const QVariantMap& data)
{
    const int row = IndexOf(blockId, deviceId);
    if (row >= 0)
        m_modules[size_t(row)]->ProcessData(data);
}

QList<ModuleRecord> ModuleList::GetModulesOfDevice(const NetworkDeviceId_t& deviceId) const
{
    QList<ModuleRecord> records;
    for (const ModuleSource* block : m_modules) {
        if (block->GetDeviceId() == deviceId)
            records.append(block->GetRecord());
    }
    return records;
}

QList<BlockId_t> ModuleList::GetBlockIdsOfDevice(const NetworkDeviceId_t& deviceId) const
{
    QList<BlockId_t> ids;
    for (const ModuleSource* block : m_modules) {
        if (block->GetDeviceId() == deviceId)
            ids.append(block->GetBlockId());
    }
    return ids;
}

void ModuleList::deleteModuleFromWidget(ModuleSource* block)
{
    const int row = IndexOf(block);
    if (row < 0)
        return;
    Q_EMIT moduleDeleted(block->GetBlockId(), block->GetDeviceId());
    block->RemoveFromStorage();
    RemoveRow(row);
}

void ModuleList::modifyModuleFromWidget(ModuleSource* block)
{
    if (IndexOf(block) >= 0)
        Q_EMIT moduleModificationRequested(block);
}

void ModuleList::showModuleInformation(ModuleSource* block)
{
    if (IndexOf(block) >= 0)
        Q_EMIT moduleInformationRequested(block->GetRecord().GetPluginId(), block->GetRecord().GetModuleId());
}

int ModuleList::IndexOf(BlockId_t blockId, const NetworkDeviceId_t& deviceId) const
{
    for (size_t row = 0; row < m_modules.size(); ++row) {
        if (m_modules[row]->GetBlockId() == blockId && m_modules[row]->GetDeviceId() == deviceId)
            return int(row);
    }
    return -1;
}

int ModuleList::IndexOfPendingRequest(BlockCreationRequestId_t requestId) const
{
    // Only a block that no device has confirmed yet answers to its request id: a late or
    // repeated answer must not move or drop a stored block.
    if (requestId == kNoCreationRequest)
        return -1;
    for (size_t row = 0; row < m_modules.size(); ++row) {
        if (m_modules[row]->GetCreationRequestId() == requestId && !m_modules[row]->GetRecord().IsStored())
            return int(row);
    }
    return -1;
}

int ModuleList::IndexOf(const ModuleSource* block) const
{
    const auto it = std::find(m_modules.cbegin(), m_modules.cend(), block);
    return it == m_modules.cend() ? -1 : int(it - m_modules.cbegin());
}

void ModuleList::RemoveRow(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    ModuleSource* block = m_modules[size_t(row)];
    m_modules.erase(m_modules.begin() + row);
    endRemoveRows();
    block->deleteLater();
}

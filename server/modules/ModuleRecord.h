#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleTypes.h"

#include <QDebug>
#include <QDir>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <optional>

// The persistent data of one block. A record lives in memory only until its device
// confirms the block (SetBlockId); from then on it has a folder under "modules/" and
// every change of a stored field is written through at once, followed by "crc".
//
// Layout of a block folder: one file per key holding one QVariant (QDataStream
// version 19); map-valued keys are folders with one file per entry. The folder is
// named by the block id; a second block with the same id (another device handed it
// out too) gets "<id>-2", "<id>-3", ... so that blocks never share a folder.
class ModuleRecord
{
public:
    // The stored keys, in the order in which they are read and written.
    static const QStringList& StoredKeys();

    ModuleRecord();
    // Loads the block stored in `folderPath`; see IsValid().
    explicit ModuleRecord(const QString& folderPath);

    BlockId_t GetBlockId() const { return m_blockId; }
    const PluginId_t& GetPluginId() const { return m_pluginId; }
    const ModuleId_t& GetModuleId() const { return m_moduleId; }
    const QString& GetModuleDataClass() const { return m_moduleDataClass; }
    const NetworkDeviceId_t& GetDeviceId() const { return m_deviceId; }
    const QList<int>& GetProfiles() const { return m_profiles; }
    const QUrl& GetDataWidget() const { return m_dataWidget; }
    const QRectF& GetGeometry() const { return m_geometry; }
    int GetZ() const { return m_z; }
    const QString& GetDescription() const { return m_description; }
    const QVariantMap& GetClientData() const { return m_clientData; }
    const QVariantMap& GetClientParameters() const { return m_clientParameters; }
    const QVariantMap& GetLocalParameters() const { return m_localParameters; }
    // False when the folder it was loaded from is not named by a block id.
    bool IsValid() const { return m_valid; }
    // The block's folder; relative (".") while the block is not stored.
    const QDir& GetFolder() const { return m_folder; }
    bool IsStored() const;

    // The device accepted the block under this id: the whole record is written into
    // a new folder, which appears complete or not at all.
    void SetBlockId(BlockId_t blockId);
    void SetPluginId(const PluginId_t& pluginId);
    void SetModuleId(const ModuleId_t& moduleId);
    void SetModuleDataClass(const QString& dataClass);
    void SetDeviceId(const NetworkDeviceId_t& deviceId);
    void SetProfiles(const QList<int>& profiles);
    void SetDataWidget(const QUrl& dataWidget);
    void SetGeometry(const QRectF& geometry);
    void SetZ(int z);
    void SetDescription(const QString& description);
    // One entry; writes only that entry's file (and "crc") when the value changes.
    void SetClientParameter(const QString& key, const QVariant& value);
    void SetLocalParameter(const QString& key, const QVariant& value);
    // The whole map; stored entries that the map no longer holds are removed.
    void SetClientParameters(const QVariantMap& parameters);
    void SetLocalParameters(const QVariantMap& parameters);
    void SetClientData(const QVariantMap& data);

    // CRC-16 (ISO 3309) over the fields streamed with QDataStream version 19.
    quint16 ComputeCrc() const;
    // Deletes the block's folder; a block that was never stored removes nothing.
    void Remove();

    // Whether `folderPath` holds a whole block with this id: its "crc" is there and
    // matches what the folder holds. An interrupted store leaves no such folder.
    static bool HoldsCompleteBlock(const QString& folderPath, BlockId_t blockId);

private:
    void Load(const QString& folderPath);
    // Reads every stored key of the folder; the stored "crc", if there is one.
    std::optional<quint16> ReadFields();
    void AssignStoredValue(const QString& key, const QVariant& value);
    QVariant FieldValue(const QString& key) const;
    void WriteKey(const QString& key, const QVariant& value, bool replace);
    enum class Durability { Synced, Unsynced };
    void WriteCrc(Durability durability);
    template<typename T> void SetField(T& field, const T& value, const QString& key);
    void SetMapEntry(QVariantMap& map, const QString& mapKey, const QString& key, const QVariant& value);
    bool ReplaceStoredEntry(const QVariantMap& map, const QString& mapKey, const QString& key, const QVariant& previous,
                            const QVariant& value);
    void SetMap(QVariantMap& map, const QString& mapKey, const QVariantMap& value);

    BlockId_t m_blockId = 0;
    QList<int> m_profiles;
    QString m_moduleDataClass;
    NetworkDeviceId_t m_deviceId;
    QVariantMap m_clientData;
    QVariantMap m_clientParameters;
    QUrl m_dataWidget;
    QRectF m_geometry;
    int m_z = 0;
    PluginId_t m_pluginId;
    ModuleId_t m_moduleId;
    QString m_description;
    QVariantMap m_localParameters;
    bool m_valid = true;
    QDir m_folder;
    // The folder held what an interrupted swap left: changes take the road that clears it.
    bool m_swapLeftovers = false;
};

QDebug operator<<(QDebug debug, const ModuleRecord& record);

// One block on disk in one file: its fields, the file of each and the checksum that binds
// them; split, each half would need the other's keys.
#include "modules/ModuleRecord.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "core/Logging.h"
#include "modules/FolderSwap.h"
#include "modules/KeyFileNames.h"
#include "modules/ValueFiles.h"

#include <QDataStream>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kPluginId = QStringLiteral("PluginId");
const QString kModuleId = QStringLiteral("ModuleId");
const QString kModuleDataClass = QStringLiteral("ModuleDataClass");
const QString kDeviceId = QStringLiteral("DeviceId");
const QString kProfiles = QStringLiteral("Profiles");
const QString kDataWidget = QStringLiteral("DataWidget");
const QString kGeometry = QStringLiteral("Geometry");
const QString kZ = QStringLiteral("Z");
const QString kDescription = QStringLiteral("Description");
const QString kClientData = QStringLiteral("ClientData");
const QString kClientParameters = QStringLiteral("ClientParameters");
const QString kLocalParameters = QStringLiteral("LocalParameters");
const QString kChecksum = QLatin1String(tessivar::kModuleChecksumSuffix);

// Blocks of different devices that share one block id get folders "<id>-2", "<id>-3"...
// There are never more such devices than this; it bounds the search for a free name.
constexpr int kMaxFoldersPerBlockId = 10000;

// Converts a stored value to the field's type; an absent or unconvertible value
// leaves the field as it is.
template<typename T> void assign(const QVariant& value, T& field)
{
    if (!value.isValid())
        return;
    const QMetaType wanted = QMetaType::fromType<T>();
    if (value.metaType() == wanted) {
        field = value.value<T>();
        return;
    }
    QVariant converted = value;
    if (converted.convert(wanted))
        field = converted.value<T>();
}

// The block id that names a block folder: "<id>" or "<id>-<n>".
std::optional<BlockId_t> blockIdOfFolder(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+)(-[0-9]+)?$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const BlockId_t id = match.captured(1).toUInt(&ok);
    return ok ? std::optional<BlockId_t>(id) : std::nullopt;
}

QString freeFolderName(const QString& root, BlockId_t blockId)
{
    const QString base = QString::number(blockId);
    if (!QFileInfo::exists(root + base))
        return base;
    for (int n = 2; n <= kMaxFoldersPerBlockId; ++n) {
        const QString candidate = base + QLatin1Char('-') + QString::number(n);
        if (!QFileInfo::exists(root + candidate))
            return candidate;
    }
    return {};
}

} // namespace

const QStringList& ModuleRecord::StoredKeys()
{
    static const QStringList keys{kPluginId,    kModuleId,   kModuleDataClass,  kDeviceId,
                                  kProfiles,    kDataWidget, kGeometry,         kZ,
                                  kDescription, kClientData, kClientParameters, kLocalParameters};
    return keys;
}

ModuleRecord::ModuleRecord() = default;

ModuleRecord::ModuleRecord(const QString& folderPath)
{
    Load(folderPath);
}

bool ModuleRecord::IsStored() const
{
    return m_folder.isAbsolute() && m_folder.exists();
}

void ModuleRecord::Load(const QString& folderPath)
{
    m_folder = QDir(QFileInfo(folderPath).absoluteFilePath());
    const std::optional<BlockId_t> blockId = blockIdOfFolder(m_folder.dirName());
    m_valid = blockId.has_value();
    if (!m_valid) {
        qCWarning(lcModules) << "Could not open module" << folderPath;
        return;
    }
    m_blockId = *blockId;
    const quint16 stored = ReadFields().value_or(0);
    const quint16 computed = ComputeCrc();
    if (stored != computed)
        qCWarning(lcModules) << "Invalid CRC"
                             << "Expected" << stored << "Calculated" << computed;
}

std::optional<quint16> ModuleRecord::ReadFields()
{
    static const QStringList keysAndChecksum = StoredKeys() + QStringList{kChecksum};
    const QList<QVariant> values = tessivar::ValueFiles::ReadKeys(m_folder, keysAndChecksum, &m_swapLeftovers);
    const QStringList& keys = StoredKeys();
    for (qsizetype i = 0; i < keys.size(); ++i)
        AssignStoredValue(keys[i], values[i]);
    // A folder in the place of "crc" holds no checksum.
    const QVariant& crc = values.last();
    if (!crc.isValid() || tessivar::ValueFiles::IsMapValue(crc))
        return std::nullopt;
    return crc.value<ushort>();
}

bool ModuleRecord::HoldsCompleteBlock(const QString& folderPath, BlockId_t blockId)
{
    ModuleRecord record;
    record.m_folder = QDir(QFileInfo(folderPath).absoluteFilePath());
    record.m_blockId = blockId;
    const std::optional<quint16> stored = record.ReadFields();
    return stored && *stored == record.ComputeCrc();
}

void ModuleRecord::AssignStoredValue(const QString& key, const QVariant& value)
{
    if (key == kPluginId)
        assign(value, m_pluginId);
    else if (key == kModuleId)
        assign(value, m_moduleId);
    else if (key == kModuleDataClass)
        assign(value, m_moduleDataClass);
    else if (key == kDeviceId)
        assign(value, m_deviceId);
    else if (key == kProfiles)
        assign(value, m_profiles);
    else if (key == kDataWidget)
        assign(value, m_dataWidget);
    else if (key == kGeometry)
        assign(value, m_geometry);
    else if (key == kZ)
        assign(value, m_z);
    else if (key == kDescription)
        assign(value, m_description);
    else if (key == kClientData)
        assign(value, m_clientData);
    else if (key == kClientParameters)
        assign(value, m_clientParameters);
    else if (key == kLocalParameters)
        assign(value, m_localParameters);
}

QVariant ModuleRecord::FieldValue(const QString& key) const
{
    if (key == kPluginId)
        return m_pluginId;
    if (key == kModuleId)
        return m_moduleId;
    if (key == kModuleDataClass)
        return m_moduleDataClass;
    if (key == kDeviceId)
        return m_deviceId;
    if (key == kProfiles)
        return QVariant::fromValue(m_profiles);
    if (key == kDataWidget)
        return m_dataWidget;
    if (key == kGeometry)
        return m_geometry;
    if (key == kZ)
        return m_z;
    if (key == kDescription)
        return m_description;
    if (key == kClientData)
        return m_clientData;
    if (key == kClientParameters)
        return m_clientParameters;
    if (key == kLocalParameters)
        return m_localParameters;
    return {};
}

void ModuleRecord::SetBlockId(BlockId_t blockId)
{
    // A block that was never stored is stored even when its id is the default one.
    if (blockId == m_blockId && IsStored())
        return;
    m_blockId = blockId;
    const QString root = tessivar::moduleDirectory();
    const QString name = freeFolderName(root, blockId);
    const QString staging = root + tessivar::FolderSwap::StagingName(name);
    if (!name.isEmpty())
        QDir(staging).removeRecursively(); // left over from an interrupted write
    if (name.isEmpty() || !QDir().mkpath(staging)) {
        qCWarning(lcModules) << "Could not create the folder of block" << blockId << "in" << root;
        return;
    }
    // Everything is written into a folder that loading ignores, then renamed into
    // place: a crash leaves either no block or a complete one.
    const QDir previous = m_folder;
    const bool wasStored = IsStored();
    m_folder = QDir(staging);
    for (const QString& key : StoredKeys()) {
        if (!tessivar::ValueFiles::WriteKey(m_folder, key, FieldValue(key), false))
            qCWarning(lcModules) << "Could not store" << key << "of block" << blockId << "in"
                                 << m_folder.absolutePath();
    }
    // Synced: recovering an interrupted rename trusts only a folder whose checksum matches.
    WriteCrc(Durability::Synced);
    if (!QDir().rename(staging, root + name)) {
        qCWarning(lcModules) << "Could not store block" << blockId << "in" << root + name;
        QDir(staging).removeRecursively();
        m_folder = wasStored ? previous : QDir();
        return;
    }
    m_folder = QDir(root + name);
    m_swapLeftovers = false;
    if (wasStored)
        tessivar::FolderSwap::RemoveFolder(previous.absolutePath());
}

template<typename T> void ModuleRecord::SetField(T& field, const T& value, const QString& key)
{
    if (field == value)
        return;
    field = value;
    WriteKey(key, FieldValue(key), false);
}

void ModuleRecord::SetPluginId(const PluginId_t& pluginId)
{
    SetField(m_pluginId, pluginId, kPluginId);
}

void ModuleRecord::SetModuleId(const ModuleId_t& moduleId)
{
    SetField(m_moduleId, moduleId, kModuleId);
}

void ModuleRecord::SetModuleDataClass(const QString& dataClass)
{
    SetField(m_moduleDataClass, dataClass, kModuleDataClass);
}

void ModuleRecord::SetDeviceId(const NetworkDeviceId_t& deviceId)
{
    SetField(m_deviceId, deviceId, kDeviceId);
}

void ModuleRecord::SetProfiles(const QList<int>& profiles)
{
    SetField(m_profiles, profiles, kProfiles);
}

void ModuleRecord::SetDataWidget(const QUrl& dataWidget)
{
    SetField(m_dataWidget, dataWidget, kDataWidget);
}

void ModuleRecord::SetGeometry(const QRectF& geometry)
{
    SetField(m_geometry, geometry, kGeometry);
}

void ModuleRecord::SetZ(int z)
{
    SetField(m_z, z, kZ);
}

void ModuleRecord::SetDescription(const QString& description)
{
    SetField(m_description, description, kDescription);
}

void ModuleRecord::SetMapEntry(QVariantMap& map, const QString& mapKey, const QString& key, const QVariant& value)
{
    const auto it = map.constFind(key);
    if (it != map.cend() && it.value() == value)
        return;
    const QVariant previous = it != map.cend() ? it.value() : QVariant();
    map.insert(key, value);
    if (previous.isValid() && ReplaceStoredEntry(map, mapKey, key, previous, value))
        return;
    WriteKey(mapKey, QVariantMap{{key, value}}, false);
}

bool ModuleRecord::ReplaceStoredEntry(const QVariantMap& map, const QString& mapKey, const QString& key,
                                      const QVariant& previous, const QVariant& value)
{
    // The common change: a plain value that is stored already takes its new value in
    // one atomic write of its file. Anything else (a new entry, a map, a key that meets
    // another one when case is folded, a file not where its name says) takes the
    // general road, which finds or makes the entry's name.
    if (m_swapLeftovers || tessivar::ValueFiles::IsMapValue(previous) || tessivar::ValueFiles::IsMapValue(value)
        || !IsStored())
        return false;
    for (auto other = map.cbegin(); other != map.cend(); ++other) {
        if (other.key().size() == key.size() && other.key() != key
            && other.key().compare(key, Qt::CaseInsensitive) == 0)
            return false;
    }
    const QString path = m_folder.filePath(mapKey) + QLatin1Char('/') + tessivar::KeyFileNames::EncodeKey(key);
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink())
        return false;
    if (!tessivar::ValueFiles::WriteValue(path, value))
        qCWarning(lcModules) << "Could not store" << mapKey << "of block" << m_blockId << "in"
                             << m_folder.absolutePath();
    WriteCrc(Durability::Unsynced);
    return true;
}

void ModuleRecord::SetMap(QVariantMap& map, const QString& mapKey, const QVariantMap& value)
{
    if (map == value)
        return;
    map = value;
    WriteKey(mapKey, map, true);
}

void ModuleRecord::SetClientParameter(const QString& key, const QVariant& value)
{
    SetMapEntry(m_clientParameters, kClientParameters, key, value);
}

void ModuleRecord::SetLocalParameter(const QString& key, const QVariant& value)
{
    SetMapEntry(m_localParameters, kLocalParameters, key, value);
}

void ModuleRecord::SetClientParameters(const QVariantMap& parameters)
{
    SetMap(m_clientParameters, kClientParameters, parameters);
}

void ModuleRecord::SetLocalParameters(const QVariantMap& parameters)
{
    SetMap(m_localParameters, kLocalParameters, parameters);
}

void ModuleRecord::SetClientData(const QVariantMap& data)
{
    SetMap(m_clientData, kClientData, data);
}

void ModuleRecord::WriteKey(const QString& key, const QVariant& value, bool replace)
{
    // A block that no device has accepted yet lives in memory only.
    if (!IsStored())
        return;
    // The value first, "crc" last: an interruption in between leaves a complete
    // record whose checksum is stale, which loads with a warning.
    if (!tessivar::ValueFiles::WriteKey(m_folder, key, value, replace))
        qCWarning(lcModules) << "Could not store" << key << "of block" << m_blockId << "in" << m_folder.absolutePath();
    WriteCrc(Durability::Unsynced);
}

void ModuleRecord::WriteCrc(Durability durability)
{
    // After a change the value is on the disk already; a checksum that did not reach
    // it before a power cut only makes the block load with a warning.
    const QString path = m_folder.filePath(kChecksum);
    const QVariant crc = QVariant::fromValue<ushort>(ComputeCrc());
    const bool written = durability == Durability::Synced ? tessivar::ValueFiles::WriteValue(path, crc)
                                                          : tessivar::ValueFiles::WriteValueUnsynced(path, crc);
    if (!written)
        qCWarning(lcModules) << "Could not store the checksum of block" << m_blockId << "in" << m_folder.absolutePath();
}

quint16 ModuleRecord::ComputeCrc() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(tessivar::kDataStreamVersion);
    out << qint32(m_blockId) << m_pluginId << m_moduleId << m_moduleDataClass << m_deviceId << m_profiles
        << m_dataWidget << m_geometry << qint32(m_z) << m_description << m_clientData << m_clientParameters
        << m_localParameters;
    return tessivar::checksum(bytes);
}

void ModuleRecord::Remove()
{
    if (!IsStored())
        return;
    tessivar::FolderSwap::RemoveFolder(m_folder.absolutePath());
    m_folder = QDir();
}

QDebug operator<<(QDebug debug, const ModuleRecord& record)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ModuleRecord[BlockId=" << record.GetBlockId() << ", PluginId=" << record.GetPluginId()
                    << ", ModuleId=" << record.GetModuleId() << ", ModuleDataClass=" << record.GetModuleDataClass()
                    << ", DeviceId=" << record.GetDeviceId() << ", Profiles=" << record.GetProfiles()
                    << ", DataWidget=" << record.GetDataWidget() << ", Geometry=" << record.GetGeometry()
                    << ", Z=" << record.GetZ() << ", Description=" << record.GetDescription()
                    << ", Valid=" << record.IsValid() << ", Folder=" << record.GetFolder().path() << ']';
    return debug;
}

#include "communication/DeviceConnectionList.h"

#include "core/CommonConfiguration.h"
#include "core/Logging.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace tessivar::communication {

namespace {

const QString kDeviceIdKey = QStringLiteral("DeviceId");
const QString kEndPointUrlKey = QStringLiteral("LastKnownEndPointUrl");
const QString kTimeStampKey = QStringLiteral("LastOnlineTimeStampSeconds");

qint64 secondsSinceEpoch(network::TimePoint timePoint)
{
    // Ticks divided toward zero, as the stored format says.
    return timePoint.time_since_epoch().count() / network::Ticks::period::den;
}

std::optional<DeviceConnectionData_t> readRecord(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    DeviceConnectionData_t record;
    record.DeviceId = object.value(kDeviceIdKey).toString();
    if (record.DeviceId.isEmpty())
        return std::nullopt;
    record.LastKnownEndPoint = network::PeerEndPoint(QUrl(object.value(kEndPointUrlKey).toString()));
    record.LastOnline = network::TimePoint(std::chrono::seconds(object.value(kTimeStampKey).toInt()));
    record.Active = false;
    return record;
}

} // namespace

DeviceConnectionList::DeviceConnectionList(CommonConfiguration& configuration, network::Clock clock)
    : m_configuration(configuration)
    , m_clock(std::move(clock))
    , m_saveThrottle([this] { Save(); })
{
}

DeviceConnectionList::~DeviceConnectionList()
{
    m_saveThrottle.Flush();
}

QByteArray DeviceConnectionList::ToJson(const std::vector<DeviceConnectionData_t>& connections)
{
    QJsonArray array;
    for (const DeviceConnectionData_t& connection : connections) {
        QJsonObject object;
        object.insert(kDeviceIdKey, connection.DeviceId);
        object.insert(kEndPointUrlKey, connection.LastKnownEndPoint.ToUrl().toString());
        object.insert(kTimeStampKey, secondsSinceEpoch(connection.LastOnline));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::vector<DeviceConnectionData_t> DeviceConnectionList::FromJson(const QByteArray& json)
{
    std::vector<DeviceConnectionData_t> connections;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return connections;
    QSet<NetworkDeviceId_t> seen;
    for (const QJsonValue& value : document.array()) {
        if (static_cast<int>(connections.size()) >= kMaximumStoredConnections) {
            qCWarning(lcCommunication) << "Too many stored device connections, ignoring the rest";
            break;
        }
        std::optional<DeviceConnectionData_t> record = readRecord(value);
        if (!record) {
            qCWarning(lcCommunication) << "Ignoring invalid stored device connection" << value;
            continue;
        }
        // One record per device: a hand-edited duplicate would shadow the real one.
        if (seen.contains(record->DeviceId)) {
            qCWarning(lcCommunication) << "Ignoring duplicate stored device connection for" << record->DeviceId;
            continue;
        }
        seen.insert(record->DeviceId);
        connections.push_back(std::move(*record));
    }
    return connections;
}

void DeviceConnectionList::Load()
{
    m_connections = FromJson(m_configuration.DeviceConnections());
    m_activeByAddress.reset();
    logRecords("Loading");
}

void DeviceConnectionList::logRecords(const char* verb) const
{
    if (!lcCommunication().isDebugEnabled())
        return;
    qCDebug(lcCommunication).nospace() << verb << " [" << m_connections.size() << "] device connection(s)";
    const network::TimePoint now = m_clock();
    for (const DeviceConnectionData_t& connection : m_connections) {
        QDebug debug = QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC)
                           .debug(lcCommunication())
                           .noquote()
                           .nospace();
        debug << "    ";
        PrintDeviceConnection(debug, connection, now);
    }
}

void DeviceConnectionList::KeepOnly(const QList<NetworkDeviceId_t>& deviceIds)
{
    const auto unknown = [&deviceIds](const DeviceConnectionData_t& c) { return !deviceIds.contains(c.DeviceId); };
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(), unknown), m_connections.end());
    m_activeByAddress.reset();
    logRecords("Keeping");
}

void DeviceConnectionList::Update(const NetworkDeviceId_t& deviceId, const network::PeerEndPoint& endPoint)
{
    if (DeviceConnectionData_t* connection = find(deviceId))
        connection->LastKnownEndPoint = endPoint;
    else
        m_connections.push_back(DeviceConnectionData_t{deviceId, endPoint, m_clock(), false});
    m_activeByAddress.reset();
    m_saveThrottle.Request();
}

void DeviceConnectionList::Remove(const NetworkDeviceId_t& deviceId)
{
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [&deviceId](const DeviceConnectionData_t& c) { return c.DeviceId == deviceId; });
    if (it == m_connections.end())
        return;
    m_connections.erase(it);
    m_activeByAddress.reset();
    m_saveThrottle.Request();
}

void DeviceConnectionList::SetActive(const NetworkDeviceId_t& deviceId)
{
    setFlag(deviceId, true);
}

void DeviceConnectionList::SetInactive(const NetworkDeviceId_t& deviceId)
{
    setFlag(deviceId, false);
}

void DeviceConnectionList::setFlag(const NetworkDeviceId_t& deviceId, bool active)
{
    DeviceConnectionData_t* connection = find(deviceId);
    if (connection && connection->Active != active) {
        connection->Active = active;
        connection->LastOnline = m_clock();
        m_activeByAddress.reset();
    }
    m_saveThrottle.Request();
}

std::optional<network::PeerEndPoint> DeviceConnectionList::FindActiveEndPoint(const NetworkDeviceId_t& deviceId) const
{
    const DeviceConnectionData_t* connection = find(deviceId);
    if (connection && connection->Active)
        return connection->LastKnownEndPoint;
    return std::nullopt;
}

std::optional<network::PeerEndPoint> DeviceConnectionList::FindInactiveEndPoint(const NetworkDeviceId_t& deviceId) const
{
    const DeviceConnectionData_t* connection = find(deviceId);
    if (connection && !connection->Active)
        return connection->LastKnownEndPoint;
    return std::nullopt;
}

std::optional<NetworkDeviceId_t> DeviceConnectionList::FindActiveDevice(const network::PeerEndPoint& endPoint) const
{
    return findDevice(endPoint, true);
}

std::optional<NetworkDeviceId_t> DeviceConnectionList::FindInactiveDevice(const network::PeerEndPoint& endPoint) const
{
    return findDevice(endPoint, false);
}

std::optional<NetworkDeviceId_t> DeviceConnectionList::findDevice(const network::PeerEndPoint& endPoint,
                                                                  bool active) const
{
    if (active) {
        if (!m_activeByAddress) {
            // The first record of an address answers for it, as a walk through the list would.
            m_activeByAddress.emplace();
            for (const DeviceConnectionData_t& connection : m_connections) {
                const QHostAddress address = connection.LastKnownEndPoint.GetAddress();
                if (connection.Active && !m_activeByAddress->contains(address))
                    m_activeByAddress->insert(address, connection.DeviceId);
            }
        }
        const auto found = m_activeByAddress->constFind(endPoint.GetAddress());
        if (found == m_activeByAddress->constEnd())
            return std::nullopt;
        return *found;
    }
    for (const DeviceConnectionData_t& connection : m_connections) {
        if (!connection.Active && connection.LastKnownEndPoint == endPoint)
            return connection.DeviceId;
    }
    return std::nullopt;
}

void DeviceConnectionList::Flush()
{
    m_saveThrottle.Flush();
}

void DeviceConnectionList::Save() const
{
    logRecords("Saving");
    m_configuration.setDeviceConnections(ToJson(m_connections));
}

const std::vector<DeviceConnectionData_t>& DeviceConnectionList::GetConnections() const
{
    return m_connections;
}

void DeviceConnectionList::SetClock(network::Clock clock)
{
    m_clock = std::move(clock);
}

DeviceConnectionData_t* DeviceConnectionList::find(const NetworkDeviceId_t& deviceId)
{
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                    [&deviceId](const DeviceConnectionData_t& c) { return c.DeviceId == deviceId; });
    return found == m_connections.end() ? nullptr : &*found;
}

const DeviceConnectionData_t* DeviceConnectionList::find(const NetworkDeviceId_t& deviceId) const
{
    return const_cast<DeviceConnectionList*>(this)->find(deviceId);
}

void PrintDeviceConnection(QDebug& debug, const DeviceConnectionData_t& connection, network::TimePoint now)
{
    QDebugStateSaver saver(debug);
    const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - connection.LastOnline);
    debug.nospace().noquote() << "DeviceConnection[DeviceId=" << connection.DeviceId
                              << ",LastKnownEndPoint=" << connection.LastKnownEndPoint
                              << ",Active=" << connection.Active << ",LastOnline=" << age.count() << "ms"
                              << " ago"
                              << "]";
}

QDebug operator<<(QDebug debug, const DeviceConnectionData_t& connection)
{
    PrintDeviceConnection(debug, connection, network::systemNow());
    return debug;
}

} // namespace tessivar::communication

#include "communication/DatagramFilter.h"

#include "core/Logging.h"
#include "device/IDevice.h"

#include <QDebug>

#include <algorithm>

namespace tessivar::communication {

using network::PeerEndPoint;

bool DatagramFilter::Accept(device::IDevice& device, const PeerEndPoint& endPoint, const MessageHeader_t& header)
{
    if (device.IsConnected()) {
        qCDebug(lcCommunication).nospace()
            << "Device [" << device << "] already connected. Ignoring non-connected message.";
        return false;
    }
    recordEndPoint(device.GetId(), endPoint);
    const auto last = m_lastSequence.find(device.GetId());
    if (last != m_lastSequence.end() && header.sequenceId <= last->second) {
        qCDebug(lcCommunication).nospace().noquote()
            << "Message [" << header.id << "] sequence ID [" << header.sequenceId << "] already processed, ignoring";
        return false;
    }
    m_lastSequence[device.GetId()] = header.sequenceId;
    return true;
}

void DatagramFilter::recordEndPoint(const NetworkDeviceId_t& deviceId, const PeerEndPoint& endPoint)
{
    QList<PeerEndPoint>& endPoints = m_endPoints[deviceId];
    if (endPoints.contains(endPoint))
        return;
    if (endPoints.size() >= kMaximumDatagramEndPointsPerDevice)
        return;
    const bool hadEndPoints = !endPoints.isEmpty();
    endPoints.append(endPoint);
    if (hadEndPoints)
        qCDebug(lcCommunication).nospace() << "EndPoint[" << endPoint << "] added for device [" << deviceId << "]";
}

std::optional<NetworkDeviceId_t> DatagramFilter::FindSender(const PeerEndPoint& endPoint) const
{
    for (const auto& [deviceId, endPoints] : m_endPoints) {
        if (endPoints.contains(endPoint))
            return deviceId;
    }
    return std::nullopt;
}

void DatagramFilter::ForgetEndPoints(const NetworkDeviceId_t& deviceId)
{
    m_endPoints.erase(deviceId);
}

void DatagramFilter::Forget(const NetworkDeviceId_t& deviceId)
{
    m_endPoints.erase(deviceId);
    m_lastSequence.erase(deviceId);
}

size_t DatagramFilter::TrackedSenderCount() const
{
    return std::max(m_endPoints.size(), m_lastSequence.size());
}

} // namespace tessivar::communication

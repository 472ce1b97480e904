#pragma once

#include "communication/MessageHeader.h"
#include "communication/network/PeerEndPoint.h"
#include "core/DeviceTypes.h"

#include <QList>

#include <map>
#include <optional>

namespace tessivar::device {
class IDevice;
}

namespace tessivar::communication {

// Datagrams of devices not connected yet: a datagram is taken once (a sender repeats
// them, and broadcasts arrive on every interface), and the addresses they came from
// let the connection that follows be given to its device.
class DatagramFilter
{
public:
    // Addresses remembered per not-yet-connected device; one is the normal case.
    static constexpr int kMaximumDatagramEndPointsPerDevice = 8;

    // Whether a datagram of `device` is taken: not when the device is connected (its
    // connection carries its messages) or the datagram's sequence id was seen already.
    bool Accept(device::IDevice& device, const network::PeerEndPoint& endPoint, const MessageHeader_t& header);
    // The device that sent datagrams from that address.
    std::optional<NetworkDeviceId_t> FindSender(const network::PeerEndPoint& endPoint) const;
    // The device is connected now: its datagram addresses are no use any more.
    void ForgetEndPoints(const NetworkDeviceId_t& deviceId);
    // Everything kept for the device, so that it starts afresh.
    void Forget(const NetworkDeviceId_t& deviceId);
    // Devices for which datagram addresses or sequence ids are kept, to see them bounded.
    size_t TrackedSenderCount() const;

private:
    void recordEndPoint(const NetworkDeviceId_t& deviceId, const network::PeerEndPoint& endPoint);

    std::map<NetworkDeviceId_t, QList<network::PeerEndPoint>> m_endPoints;
    std::map<NetworkDeviceId_t, quint64> m_lastSequence;
};

} // namespace tessivar::communication

#pragma once

#include <QHostAddress>
#include <QMetaType>
#include <QUrl>

#include <array>
#include <optional>
#include <string_view>

class QDebug;

namespace tessivar::communication::network {

// Names a peer on the network. Equality and ordering look at the address only, so a
// map keyed by endpoints holds at most one entry per peer address.
class PeerEndPoint
{
public:
    PeerEndPoint() = default;
    PeerEndPoint(const QHostAddress& address, quint16 port);
    // An endpoint read back from storage: only the url is kept.
    explicit PeerEndPoint(const QUrl& url);

    // The address in IPv4 form, else the url's host, else a null address.
    QHostAddress GetAddress() const;
    std::optional<quint16> GetPort() const;
    // "ws://<host>:<port>"; an endpoint without address or url gives only the scheme.
    QUrl ToUrl() const;

    bool operator==(const PeerEndPoint& other) const;
    bool operator!=(const PeerEndPoint& other) const;
    bool operator<(const PeerEndPoint& other) const;

    void Print(QDebug& debug) const;

    // IPv4 and IPv4-mapped IPv6 addresses become plain IPv4; a genuine IPv6 address is
    // kept as it is, so that IPv6 peers do not all collapse onto 0.0.0.0.
    static QHostAddress Normalize(const QHostAddress& address);

private:
    void keepDottedText();
    std::string_view dottedText() const;

    std::optional<QHostAddress> m_address;
    std::optional<quint16> m_port;
    std::optional<QUrl> m_url;
    // An IPv4 address's "a.b.c.d", written once: maps of endpoints are searched for
    // every message, and the order is that of this text. Empty for any other address.
    std::array<char, 15> m_dotted{};
    quint8 m_dottedSize = 0;
};

// "PeerEndPoint[Address=<a>,Port=<p>]" or "PeerEndPoint[Url=<url>]" or "PeerEndPoint[]".
QDebug operator<<(QDebug debug, const PeerEndPoint& endPoint);

} // namespace tessivar::communication::network

Q_DECLARE_METATYPE(tessivar::communication::network::PeerEndPoint)

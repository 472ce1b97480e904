#include "communication/network/PeerEndPoint.h"

#include <QDebug>

#include <array>
#include <string_view>

namespace tessivar::communication::network {

namespace {

// "a.b.c.d" as QHostAddress writes it, in a fixed buffer.
struct DottedText {
    std::array<char, 16> text{};
    std::size_t size = 0;

    explicit DottedText(quint32 address)
    {
        for (int shift = 24; shift >= 0; shift -= 8) {
            const unsigned part = (address >> shift) & 0xffu;
            if (part >= 100)
                text[size++] = char('0' + part / 100);
            if (part >= 10)
                text[size++] = char('0' + part / 10 % 10);
            text[size++] = char('0' + part % 10);
            if (shift > 0)
                text[size++] = '.';
        }
    }
    std::string_view view() const { return std::string_view(text.data(), size); }
};

} // namespace

QHostAddress PeerEndPoint::Normalize(const QHostAddress& address)
{
    if (address.isNull())
        return address;
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (!isIpv4)
        return address;
    return QHostAddress(ipv4);
}

PeerEndPoint::PeerEndPoint(const QHostAddress& address, quint16 port)
    : m_address(Normalize(address))
    , m_port(port)
{
}

PeerEndPoint::PeerEndPoint(const QUrl& url)
    : m_url(url)
{
}

QHostAddress PeerEndPoint::GetAddress() const
{
    if (m_address)
        return *m_address;
    if (m_url)
        return Normalize(QHostAddress(m_url->host(QUrl::FullyDecoded)));
    return QHostAddress();
}

std::optional<quint16> PeerEndPoint::GetPort() const
{
    if (m_port)
        return m_port;
    if (m_url && m_url->port() >= 0)
        return static_cast<quint16>(m_url->port());
    return std::nullopt;
}

QUrl PeerEndPoint::ToUrl() const
{
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    if (m_address) {
        url.setHost(m_address->toString());
        url.setPort(m_port ? *m_port : -1);
    } else if (m_url) {
        url.setHost(m_url->host());
        url.setPort(m_url->port());
    }
    return url;
}

bool PeerEndPoint::operator==(const PeerEndPoint& other) const
{
    return GetAddress() == other.GetAddress();
}

bool PeerEndPoint::operator!=(const PeerEndPoint& other) const
{
    return !(*this == other);
}

bool PeerEndPoint::operator<(const PeerEndPoint& other) const
{
    // The order is that of the addresses' text. Maps of endpoints are searched for every
    // message, so two IPv4 addresses are written out on the stack, not as strings.
    const QHostAddress mine = GetAddress();
    const QHostAddress theirs = other.GetAddress();
    if (mine.protocol() == QAbstractSocket::IPv4Protocol && theirs.protocol() == QAbstractSocket::IPv4Protocol)
        return DottedText(mine.toIPv4Address()).view() < DottedText(theirs.toIPv4Address()).view();
    return mine.toString() < theirs.toString();
}

void PeerEndPoint::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "PeerEndPoint[";
    if (m_address)
        debug << "Address=" << m_address->toString() << ",Port=" << (m_port ? *m_port : 0);
    else if (m_url)
        debug << "Url=" << m_url->toString();
    debug << "]";
}

QDebug operator<<(QDebug debug, const PeerEndPoint& endPoint)
{
    endPoint.Print(debug);
    return debug;
}

} // namespace tessivar::communication::network

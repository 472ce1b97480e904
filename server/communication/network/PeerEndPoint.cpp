#include "communication/network/PeerEndPoint.h"

#include <QDebug>

#include <algorithm>

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
    keepDottedText();
}

PeerEndPoint::PeerEndPoint(const QUrl& url)
    : m_url(url)
{
    keepDottedText();
}

void PeerEndPoint::keepDottedText()
{
    const QHostAddress address = GetAddress();
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return;
    const DottedText text(address.toIPv4Address());
    std::copy(text.view().begin(), text.view().end(), m_dotted.begin());
    m_dottedSize = quint8(text.size);
}

std::string_view PeerEndPoint::dottedText() const
{
    return std::string_view(m_dotted.data(), m_dottedSize);
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
    if (m_dottedSize != 0 && other.m_dottedSize != 0)
        return dottedText() == other.dottedText();
    return GetAddress() == other.GetAddress();
}

bool PeerEndPoint::operator!=(const PeerEndPoint& other) const
{
    return !(*this == other);
}

bool PeerEndPoint::operator<(const PeerEndPoint& other) const
{
    // The order is that of the addresses' text.
    if (m_dottedSize != 0 && other.m_dottedSize != 0)
        return dottedText() < other.dottedText();
    return GetAddress().toString() < other.GetAddress().toString();
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

#include "communication/network/PeerEndPoint.h"

#include <QDebug>
#include <QTest>

#include <map>

using tessivar::communication::network::PeerEndPoint;

namespace {

QString debugForm(const PeerEndPoint& endPoint)
{
    QString text;
    QDebug(&text) << endPoint;
    return text.trimmed();
}

} // namespace

class tst_PeerEndPoint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void equalityLooksAtTheIpv4AddressOnly();
    void orderingKeepsOneMapEntryPerAddress();
    void orderAndEqualityFollowTheAddressText();
    void urlForms();
    void endPointReadBackFromStorage();
    void debugForms();
};

void tst_PeerEndPoint::equalityLooksAtTheIpv4AddressOnly()
{
    const PeerEndPoint mapped(QHostAddress(QStringLiteral("::ffff:192.168.1.5")), 20948);
    const PeerEndPoint plain(QHostAddress(QStringLiteral("192.168.1.5")), 20948);
    QCOMPARE(mapped, plain);
    QCOMPARE(mapped.GetAddress().protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(mapped.GetAddress().toString(), QStringLiteral("192.168.1.5"));

    QCOMPARE(PeerEndPoint(QHostAddress(QStringLiteral("192.168.1.5")), 1), plain);
    QVERIFY(PeerEndPoint(QHostAddress(QStringLiteral("192.168.1.6")), 20948) != plain);

    // Genuine IPv6 peers stay apart instead of all becoming 0.0.0.0.
    const PeerEndPoint v6a(QHostAddress(QStringLiteral("fe80::1")), 20948);
    const PeerEndPoint v6b(QHostAddress(QStringLiteral("fe80::2")), 20948);
    QVERIFY(v6a != v6b);
    QCOMPARE(v6a.GetAddress(), QHostAddress(QStringLiteral("fe80::1")));

    QVERIFY(PeerEndPoint().GetAddress().isNull());
}

void tst_PeerEndPoint::orderingKeepsOneMapEntryPerAddress()
{
    std::map<PeerEndPoint, int> map;
    map[PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.2")), 1000)] = 1;
    map[PeerEndPoint(QHostAddress(QStringLiteral("::ffff:10.0.0.2")), 2000)] = 2;
    map[PeerEndPoint(QUrl(QStringLiteral("ws://10.0.0.2:20948")))] = 3;
    map[PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.10")), 1000)] = 4;
    QCOMPARE(map.size(), size_t(2));
    QCOMPARE(map.at(PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.2")), 5)), 3);

    // Textual order: "10.0.0.10" sorts before "10.0.0.2".
    QVERIFY(PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.10")), 1)
            < PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.2")), 1));
    QVERIFY(!(PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.2")), 1)
              < PeerEndPoint(QHostAddress(QStringLiteral("10.0.0.2")), 2)));
}

void tst_PeerEndPoint::orderAndEqualityFollowTheAddressText()
{
    // Every kind of endpoint against every other: addresses of each length, stored
    // ones, IPv6, none.
    const QList<PeerEndPoint> endPoints{
        PeerEndPoint(QHostAddress(QStringLiteral("255.255.255.255")), 1),
        PeerEndPoint(QHostAddress(QStringLiteral("1.2.3.4")), 1),
        PeerEndPoint(QHostAddress(QStringLiteral("1.23.4.5")), 1),
        PeerEndPoint(QHostAddress(QStringLiteral("::ffff:1.2.3.4")), 2),
        PeerEndPoint(QHostAddress(QStringLiteral("0.0.0.0")), 1),
        PeerEndPoint(QUrl(QStringLiteral("ws://1.2.3.40:20948"))),
        PeerEndPoint(QUrl(QStringLiteral("ws://not-an-address:1"))),
        PeerEndPoint(QHostAddress(QStringLiteral("fe80::1")), 1),
        PeerEndPoint(QHostAddress(QStringLiteral("::1")), 1),
        PeerEndPoint(),
    };
    for (const PeerEndPoint& a : endPoints)
        for (const PeerEndPoint& b : endPoints) {
            const QString textA = a.GetAddress().toString();
            const QString textB = b.GetAddress().toString();
            QCOMPARE(a < b, textA < textB);
            QCOMPARE(a == b, a.GetAddress() == b.GetAddress());
            const PeerEndPoint copy = a;
            QCOMPARE(copy == a, true);
        }
}

void tst_PeerEndPoint::urlForms()
{
    QCOMPARE(PeerEndPoint(QHostAddress(QStringLiteral("::ffff:192.168.1.20")), 20948).ToUrl(),
             QUrl(QStringLiteral("ws://192.168.1.20:20948")));
    QCOMPARE(PeerEndPoint(QHostAddress(QStringLiteral("192.168.1.20")), 20948).ToUrl().toString(),
             QStringLiteral("ws://192.168.1.20:20948"));
    QCOMPARE(PeerEndPoint(QUrl(QStringLiteral("ws://192.168.1.20:1234"))).ToUrl().toString(),
             QStringLiteral("ws://192.168.1.20:1234"));
    const QUrl noPort = PeerEndPoint(QUrl(QStringLiteral("ws://192.168.1.20"))).ToUrl();
    QCOMPARE(noPort.port(), -1);
    QCOMPARE(noPort.host(), QStringLiteral("192.168.1.20"));
    QCOMPARE(PeerEndPoint().ToUrl().toString(), QStringLiteral("ws:"));
}

void tst_PeerEndPoint::endPointReadBackFromStorage()
{
    const PeerEndPoint stored(QUrl(QStringLiteral("ws://192.168.1.20:20948")));
    QCOMPARE(stored.GetAddress(), QHostAddress(QStringLiteral("192.168.1.20")));
    QCOMPARE(stored, PeerEndPoint(QHostAddress(QStringLiteral("::ffff:192.168.1.20")), 4000));
    QCOMPARE(stored.GetPort(), std::optional<quint16>(20948));
    // A url whose host is not an address names no peer.
    QVERIFY(PeerEndPoint(QUrl(QStringLiteral("ws://not-an-address:1"))).GetAddress().isNull());
}

void tst_PeerEndPoint::debugForms()
{
    QCOMPARE(debugForm(PeerEndPoint(QHostAddress(QStringLiteral("::ffff:192.168.1.5")), 20948)),
             QStringLiteral("PeerEndPoint[Address=192.168.1.5,Port=20948]"));
    QCOMPARE(debugForm(PeerEndPoint(QUrl(QStringLiteral("ws://192.168.1.5:20948")))),
             QStringLiteral("PeerEndPoint[Url=ws://192.168.1.5:20948]"));
    QCOMPARE(debugForm(PeerEndPoint()), QStringLiteral("PeerEndPoint[]"));
}

QTEST_GUILESS_MAIN(tst_PeerEndPoint)
#include "tst_peerendpoint.moc"

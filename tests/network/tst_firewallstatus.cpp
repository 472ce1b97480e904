#include "network/FirewallStatus.h"
#include "network/NetworkFirewallModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace tessivar::network;

Q_DECLARE_METATYPE(FirewallRule_t)
Q_DECLARE_METATYPE(QList<FirewallRule_t>)
Q_DECLARE_METATYPE(QList<FirewallProfile_e>)

namespace {

using P = FirewallProfile_e;
const QList<P> kAllProfiles{P::Domain, P::Private, P::Public};

FirewallRule_t rule(FirewallProtocol_e protocol, QList<P> profiles = kAllProfiles,
                    FirewallAction_e action = FirewallAction_e::Allow, bool enabled = true,
                    FirewallDirection_e direction = FirewallDirection_e::In)
{
    FirewallRule_t r;
    r.name = QStringLiteral("Tessivar Remote Dashboard");
    r.application = QStringLiteral("/opt/tessivar/tessivar");
    r.protocol = protocol;
    r.direction = direction;
    r.action = action;
    r.profiles = profiles;
    r.enabled = enabled;
    return r;
}

const FirewallRule_t kTcp = rule(FirewallProtocol_e::Tcp);
const FirewallRule_t kUdp = rule(FirewallProtocol_e::Udp);

} // namespace

// The firewall check and the rule models, on rule records without a firewall.
class TestFirewallStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QList<FirewallRule_t>>("rules");
        QTest::addColumn<QList<P>>("profiles");
        QTest::addColumn<bool>("udp");
        QTest::addColumn<bool>("tcp");

        const QList<P> publicOnly{P::Public};
        QTest::newRow("no rules") << QList<FirewallRule_t>{} << publicOnly << false << false;
        QTest::newRow("tcp and udp") << QList{kTcp, kUdp} << publicOnly << true << true;
        QTest::newRow("any protocol serves both")
            << QList{rule(FirewallProtocol_e::Any)} << kAllProfiles << true << true;
        QTest::newRow("tcp private only, on public")
            << QList{rule(FirewallProtocol_e::Tcp, {P::Private}), kUdp} << publicOnly << true << false;
        QTest::newRow("profile subset must hold every current one")
            << QList{rule(FirewallProtocol_e::Tcp, {P::Private, P::Public}), kUdp} << QList<P>{P::Public, P::Domain}
            << true << false;
        QTest::newRow("disabled counts as missing")
            << QList{rule(FirewallProtocol_e::Tcp, kAllProfiles, FirewallAction_e::Allow, false), kUdp} << publicOnly
            << true << false;
        QTest::newRow("block rule") << QList{rule(FirewallProtocol_e::Udp, kAllProfiles, FirewallAction_e::Block), kTcp}
                                    << publicOnly << false << true;
        QTest::newRow("outbound rule") << QList{rule(FirewallProtocol_e::Udp, kAllProfiles, FirewallAction_e::Allow,
                                                     true, FirewallDirection_e::Out),
                                                kTcp}
                                       << publicOnly << false << true;
        QTest::newRow("no current profile: any profile list passes")
            << QList{rule(FirewallProtocol_e::Tcp, {}), rule(FirewallProtocol_e::Udp, {P::Domain})} << QList<P>{}
            << true << true;
        QTest::newRow("unknown protocol serves none")
            << QList{rule(FirewallProtocol_e::Unknown)} << QList<P>{} << false << false;
    }

    void check()
    {
        QFETCH(QList<FirewallRule_t>, rules);
        QFETCH(QList<P>, profiles);
        QFETCH(bool, udp);
        QFETCH(bool, tcp);
        QCOMPARE(firewallAllows(rules, profiles, FirewallProtocol_e::Udp), udp);
        QCOMPARE(firewallAllows(rules, profiles, FirewallProtocol_e::Tcp), tcp);
        if (!udp)
            QTest::ignoreMessage(QtWarningMsg, "UDP not allowed");
        if (!tcp)
            QTest::ignoreMessage(QtWarningMsg, "TCP not allowed");
        QCOMPARE(firewallRulesAllowTraffic(rules, profiles), udp && tcp);
    }

    void printing()
    {
        QString text;
        QDebug(&text) << QList<P>{P::Domain, P::Private, P::Public};
        QCOMPARE(text, QStringLiteral("QList(Domain, Private, Public) "));
        QCOMPARE(profilesFromMask(7), kAllProfiles);
        QCOMPARE(profilesFromMask(4 | 1), (QList<P>{P::Domain, P::Public}));
        QCOMPARE(profilesFromMask(0), QList<P>{});
    }

    // What the network page shows: the first rule of exactly the protocol.
    void ruleModelProperties_data()
    {
        QTest::addColumn<QList<FirewallRule_t>>("rules");
        QTest::addColumn<bool>("publicAllowed");
        QTest::addColumn<bool>("privateAllowed");
        QTest::addColumn<bool>("domainAllowed");

        QTest::newRow("any protocol is not the tcp rule")
            << QList{rule(FirewallProtocol_e::Any)} << false << false << false;
        QTest::newRow("private only") << QList{rule(FirewallProtocol_e::Tcp, {P::Private})} << false << true << false;
        QTest::newRow("disabled still shows allowed")
            << QList{rule(FirewallProtocol_e::Tcp, {P::Public}, FirewallAction_e::Allow, false)} << true << false
            << false;
        QTest::newRow("first tcp rule wins")
            << QList{kUdp, rule(FirewallProtocol_e::Tcp, {P::Domain}), kTcp} << false << false << true;
        QTest::newRow("block") << QList{rule(FirewallProtocol_e::Tcp, kAllProfiles, FirewallAction_e::Block)} << false
                               << false << false;
    }

    void ruleModelProperties()
    {
        QFETCH(QList<FirewallRule_t>, rules);
        QFETCH(bool, publicAllowed);
        QFETCH(bool, privateAllowed);
        QFETCH(bool, domainAllowed);
        NetworkFirewallRuleModel model(FirewallProtocol_e::Tcp, [&] { return rules; });
        QCOMPARE(model.property("PublicAllowed").toBool(), publicAllowed);
        QCOMPARE(model.property("PrivateAllowed").toBool(), privateAllowed);
        QCOMPARE(model.property("DomainAllowed").toBool(), domainAllowed);
    }

    // A rule that disappears: the action reads Block, the rest of the last rule stays.
    void ruleGoneKeepsFieldsButBlocks()
    {
        QList<FirewallRule_t> rules{kTcp};
        NetworkFirewallRuleModel model(FirewallProtocol_e::Tcp, [&] { return rules; });
        QVERIFY(model.property("PublicAllowed").toBool());
        QSignalSpy changed(&model, &NetworkFirewallRuleModel::firewallEntryChanged);
        rules.clear();
        QMetaObject::invokeMethod(&model, "refresh");
        QCOMPARE(changed.count(), 1);
        QVERIFY(!model.property("PublicAllowed").toBool());
        QCOMPARE(model.rule().action, FirewallAction_e::Block);
        QCOMPARE(model.rule().name, kTcp.name);
        QCOMPARE(model.rule().profiles, kAllProfiles);
    }

    void firewallModel()
    {
        QList<P> profiles{P::Public};
        QList<FirewallRule_t> rules{kUdp};
        NetworkFirewallModel model([&] { return rules; }, [&] { return profiles; });
        auto* tcp = model.property("Tcp").value<QObject*>();
        auto* udp = model.property("Udp").value<QObject*>();
        QVERIFY(tcp && udp && tcp != udp);
        QVERIFY(!tcp->property("PublicAllowed").toBool());
        QVERIFY(udp->property("PublicAllowed").toBool());
        QVERIFY(model.property("PublicRequired").toBool());
        QVERIFY(!model.property("PrivateRequired").toBool());

        QSignalSpy status(&model, &NetworkFirewallModel::firewallStatusChanged);
        QSignalSpy tcpChanged(tcp, SIGNAL(firewallEntryChanged()));
        rules.append(kTcp);
        profiles = {P::Private, P::Domain};
        QMetaObject::invokeMethod(&model, "refresh");
        QCOMPARE(status.count(), 1);
        QCOMPARE(tcpChanged.count(), 1);
        QVERIFY(tcp->property("PublicAllowed").toBool());
        QVERIFY(!model.property("PublicRequired").toBool());
        QVERIFY(model.property("PrivateRequired").toBool());
        QVERIFY(model.property("DomainRequired").toBool());
    }
};

QTEST_GUILESS_MAIN(TestFirewallStatus)
#include "tst_firewallstatus.moc"

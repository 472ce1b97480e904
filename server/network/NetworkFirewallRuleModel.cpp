#include "network/NetworkFirewallRuleModel.h"

namespace tessivar::network {

NetworkFirewallRuleModel::NetworkFirewallRuleModel(FirewallProtocol_e protocol, FirewallRuleSource rules,
                                                   QObject* parent)
    : QObject(parent)
    , m_protocol(protocol)
    , m_rules(std::move(rules))
{
}

const FirewallRule_t& NetworkFirewallRuleModel::rule() const
{
    const_cast<NetworkFirewallRuleModel*>(this)->readRule();
    return m_rule;
}

void NetworkFirewallRuleModel::refresh()
{
    // A rule that is gone keeps the fields it was last read with: those are read first.
    readRule();
    m_read = false;
    readRule();
    Q_EMIT firewallEntryChanged();
}

void NetworkFirewallRuleModel::readRule()
{
    if (m_read)
        return;
    m_read = true;
    const QList<FirewallRule_t> rules = m_rules();
    // A rule for any protocol is not shown as the rule of this one.
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [&](const FirewallRule_t& rule) { return rule.protocol == m_protocol; });
    if (found != rules.end())
        m_rule = *found;
    else
        m_rule.action = FirewallAction_e::Block;
}

bool NetworkFirewallRuleModel::allows(FirewallProfile_e profile) const
{
    return rule().action == FirewallAction_e::Allow && rule().profiles.contains(profile);
}

} // namespace tessivar::network

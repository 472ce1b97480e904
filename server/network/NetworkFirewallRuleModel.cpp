#include "network/NetworkFirewallRuleModel.h"

namespace tessivar::network {

NetworkFirewallRuleModel::NetworkFirewallRuleModel(FirewallProtocol_e protocol, FirewallRuleSource rules,
                                                   QObject* parent)
    : QObject(parent)
    , m_protocol(protocol)
    , m_rules(std::move(rules))
{
    refresh();
}

void NetworkFirewallRuleModel::refresh()
{
    const QList<FirewallRule_t> rules = m_rules();
    // A rule for any protocol is not shown as the rule of this one.
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [&](const FirewallRule_t& rule) { return rule.protocol == m_protocol; });
    if (found != rules.end())
        m_rule = *found;
    else
        m_rule.action = FirewallAction_e::Block;
    Q_EMIT firewallEntryChanged();
}

bool NetworkFirewallRuleModel::allows(FirewallProfile_e profile) const
{
    return m_rule.action == FirewallAction_e::Allow && m_rule.profiles.contains(profile);
}

} // namespace tessivar::network

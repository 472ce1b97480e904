#pragma once

#include <QString>
#include <QStringList>

namespace tessivar::helper {

// Replaces every rule of the program by one TCP and one UDP allow rule named after it.
bool addFirewallException(const QString& programName, const QString& programPath);

// "firewall --add-rule <name> <path>".
bool handleAddRule(const QStringList& arguments);

} // namespace tessivar::helper

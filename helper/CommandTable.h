#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessivar::helper {

// A handler takes the arguments after its command word; true is success.
using CommandHandler = std::function<bool(const QStringList& arguments)>;
// One level of commands, ordered by word.
using CommandTable = QMap<QString, CommandHandler>;

// The top level: the program's arguments without the program itself.
bool dispatchTopLevel(const CommandTable& table, QStringList arguments);

// A second level: what the handler of "firewall" or "run" does with its arguments.
bool dispatchSubCommand(const CommandTable& table, const char* name, const QStringList& arguments);

} // namespace tessivar::helper

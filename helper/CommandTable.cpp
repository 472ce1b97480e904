#include "CommandTable.h"

#include <QDebug>

namespace tessivar::helper {

namespace {

bool unknownCommand(const CommandTable& table, const QString& word)
{
    qWarning() << "Unknown command" << word;
    qWarning() << "Expected:" << table.keys();
    return false;
}

} // namespace

bool dispatchTopLevel(const CommandTable& table, QStringList arguments)
{
    if (arguments.isEmpty()) {
        qWarning() << "No argument provided";
        return false;
    }
    const QString command = arguments.takeFirst();
    const auto handler = table.find(command);
    if (handler == table.end())
        return unknownCommand(table, command);
    return (*handler)(arguments);
}

bool dispatchSubCommand(const CommandTable& table, const char* name, const QStringList& arguments)
{
    qInfo().noquote() << QStringLiteral("Processing %1 command").arg(QLatin1String(name));
    qInfo() << "Arguments" << arguments;
    if (arguments.isEmpty()) {
        qWarning() << "No argument found";
        qWarning() << "Expected:" << table.keys();
        return false;
    }
    const auto handler = table.find(arguments.first());
    if (handler == table.end())
        return unknownCommand(table, arguments.first());
    return (*handler)(arguments.mid(1));
}

} // namespace tessivar::helper

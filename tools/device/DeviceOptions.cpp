#include "DeviceOptions.h"

#include "ValueText.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace tessivar::devicecli {

namespace {

// Waiting longer than a day for a server is a mistake in the command, not a wish.
constexpr int kMaximumSeconds = 24 * 3600;

std::optional<std::chrono::milliseconds> seconds(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value <= 0 || value > kMaximumSeconds)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<qint64>(value * 1000));
}

std::optional<quint16> portNumber(const QString& text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

ParsedOptions failure(const QString& message)
{
    return {std::nullopt, message, 1};
}

} // namespace

ParsedOptions parseDeviceOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a client device against a running Tessivar server: registers, lists the blocks the\n"
                       "server sends, prints their data as it arrives, sends values to a block and fetches the\n"
                       "server's logs. Without --list, --send or --logs it watches until interrupted.\n\n"
                       "  tessivar-device --list\n"
                       "  tessivar-device --address 192.168.1.20 --send 12 Command=1\n"
                       "  tessivar-device --logs ./server-logs"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption address({QStringLiteral("a"), QStringLiteral("address")},
                                     QStringLiteral("The server's address, with an optional :port. Without it, the "
                                                    "server is found by its Hello broadcast."),
                                     QStringLiteral("host[:port]"));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("The server's port (default 20948)."), QStringLiteral("port"));
    const QCommandLineOption name({QStringLiteral("n"), QStringLiteral("name")},
                                  QStringLiteral("The name this device registers with."), QStringLiteral("name"));
    const QCommandLineOption id(QStringLiteral("id"),
                                QStringLiteral("The device identifier (default: the one kept in the state file)."),
                                QStringLiteral("id"));
    const QCommandLineOption state(QStringLiteral("state"),
                                   QStringLiteral("File that keeps this device's identifier and blocks."),
                                   QStringLiteral("file"));
    const QCommandLineOption list({QStringLiteral("l"), QStringLiteral("list")},
                                  QStringLiteral("List the blocks of this device (id, data class, title, "
                                                 "parameters) and exit."));
    const QCommandLineOption send({QStringLiteral("s"), QStringLiteral("send")},
                                  QStringLiteral("Send the Key=Value arguments as data of this block (a press: "
                                                 "--send 12 Command=1) and exit."),
                                  QStringLiteral("block"));
    const QCommandLineOption logs(QStringLiteral("logs"),
                                  QStringLiteral("Request the server's log files into this folder and exit."),
                                  QStringLiteral("folder"));
    const QCommandLineOption timeout({QStringLiteral("t"), QStringLiteral("timeout")},
                                     QStringLiteral("Seconds to wait for the server at each step (default 10)."),
                                     QStringLiteral("seconds"));
    const QCommandLineOption duration(QStringLiteral("duration"),
                                      QStringLiteral("When watching, stop after this many seconds."),
                                      QStringLiteral("seconds"));
    parser.addOptions({address, port, name, id, state, list, send, logs, timeout, duration});
    parser.addPositionalArgument(QStringLiteral("Key=Value"), QStringLiteral("Values sent with --send."),
                                 QStringLiteral("[Key=Value...]"));

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return {std::nullopt, parser.helpText(), 0};
    if (parser.isSet(QStringLiteral("version")))
        return {std::nullopt, QStringLiteral("tessivar-device 1.5.1\n"), 0};

    DeviceOptions options;
    if (parser.isSet(port)) {
        const auto value = portNumber(parser.value(port));
        if (!value)
            return failure(QStringLiteral("Invalid port: %1").arg(parser.value(port)));
        options.port = *value;
    }
    if (parser.isSet(address)) {
        QString host = parser.value(address);
        const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
        // A single colon separates a port; IPv6 addresses carry several.
        if (colon > 0 && host.count(QLatin1Char(':')) == 1) {
            const auto value = portNumber(host.mid(colon + 1));
            if (!value)
                return failure(QStringLiteral("Invalid port in address: %1").arg(host));
            options.port = *value;
            host = host.left(colon);
        }
        if (host.isEmpty())
            return failure(QStringLiteral("Empty server address"));
        options.host = host;
    }
    options.name = parser.value(name);
    options.id = parser.value(id);
    options.stateFile = parser.value(state);
    options.list = parser.isSet(list);
    options.logFolder = parser.value(logs);
    if (parser.isSet(timeout)) {
        const auto value = seconds(parser.value(timeout));
        if (!value)
            return failure(QStringLiteral("Invalid timeout: %1").arg(parser.value(timeout)));
        options.timeout = *value;
    }
    if (parser.isSet(duration)) {
        const auto value = seconds(parser.value(duration));
        if (!value)
            return failure(QStringLiteral("Invalid duration: %1").arg(parser.value(duration)));
        options.duration = *value;
    }
    if (parser.isSet(send)) {
        bool ok = false;
        const uint block = parser.value(send).toUInt(&ok);
        if (!ok)
            return failure(QStringLiteral("Invalid block id: %1").arg(parser.value(send)));
        options.sendBlock = block;
        if (parser.positionalArguments().isEmpty())
            return failure(QStringLiteral("--send needs at least one Key=Value"));
        for (const QString& argument : parser.positionalArguments()) {
            const auto assignment = parseAssignment(argument);
            if (!assignment)
                return failure(QStringLiteral("Not a Key=Value: %1").arg(argument));
            options.sendValues.insert(assignment->first, assignment->second);
        }
    } else if (!parser.positionalArguments().isEmpty()) {
        return failure(QStringLiteral("Key=Value arguments go with --send"));
    }
    return {options, QString(), 0};
}

} // namespace tessivar::devicecli

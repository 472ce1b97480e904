#include "ClientOptions.h"

#include "core/ApplicationConstants.h"

#include <QCommandLineParser>

namespace tessivar::client {

ParsedClientOptions parseClientOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the dashboard of a Tessivar server."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Shows the version."));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Connects to the server at host[:port] instead of choosing one."),
                                     QStringLiteral("host[:port]"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The servers' port (20948)."),
                                  QStringLiteral("port"));
    const QCommandLineOption name(QStringLiteral("name"),
                                  QStringLiteral("The name the server shows (the computer's name)."),
                                  QStringLiteral("name"));
    const QCommandLineOption reconnect(QStringLiteral("reconnect-interval"),
                                       QStringLiteral("First wait before reconnecting, in ms (2000)."),
                                       QStringLiteral("ms"));
    const QCommandLineOption dump(QStringLiteral("dump-texts"),
                                  QStringLiteral("Writes the visible texts to the file as they change."),
                                  QStringLiteral("file"));
    const QCommandLineOption fullscreen(QStringLiteral("fullscreen"),
                                        QStringLiteral("Fills the screen, as a kiosk on a touch panel."));
    const QCommandLineOption colors(QStringLiteral("colors"),
                                    QStringLiteral("light or dark instead of the system's colours."),
                                    QStringLiteral("scheme"));
    parser.addOptions({help, version, address, port, name, reconnect, dump, fullscreen, colors});

    ParsedClientOptions result;
    if (!parser.parse(arguments)) {
        result.message = parser.errorText();
        result.exitCode = 1;
        return result;
    }
    if (parser.isSet(help)) {
        result.message = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.message = QStringLiteral("tessivar-client %1").arg(softwareVersion().toString());
        return result;
    }
    ClientOptions options;
    const auto readPort = [&result](const QString& text, quint16* value) {
        bool ok = false;
        const uint number = text.toUInt(&ok);
        if (!ok || number == 0 || number > 65535) {
            result.message = QStringLiteral("Invalid port: %1").arg(text);
            result.exitCode = 1;
            return false;
        }
        *value = static_cast<quint16>(number);
        return true;
    };
    if (parser.isSet(port) && !readPort(parser.value(port), &options.port))
        return result;
    if (parser.isSet(address)) {
        const QString value = parser.value(address);
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        options.host = colon < 0 ? value : value.left(colon);
        if (colon >= 0 && !readPort(value.mid(colon + 1), &options.port))
            return result;
        if (options.host.isEmpty()) {
            result.message = QStringLiteral("Invalid address: %1").arg(value);
            result.exitCode = 1;
            return result;
        }
    }
    if (parser.isSet(reconnect)) {
        bool ok = false;
        const int ms = parser.value(reconnect).toInt(&ok);
        if (!ok || ms < 10 || ms > 600000) {
            result.message = QStringLiteral("Invalid reconnect interval: %1").arg(parser.value(reconnect));
            result.exitCode = 1;
            return result;
        }
        options.reconnectInterval = std::chrono::milliseconds(ms);
    }
    if (parser.isSet(colors)) {
        options.colorScheme = parser.value(colors);
        if (options.colorScheme != QLatin1String("light") && options.colorScheme != QLatin1String("dark")) {
            result.message = QStringLiteral("Invalid colours: %1 (light or dark)").arg(options.colorScheme);
            result.exitCode = 1;
            return result;
        }
    }
    options.fullscreen = parser.isSet(fullscreen);
    options.name = parser.value(name).left(128);
    options.dumpFile = parser.value(dump);
    result.options = options;
    return result;
}

} // namespace tessivar::client

#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tessivar::client {

// What the user asked tessivar-client to do.
struct ClientOptions {
    QString host; // empty: list the servers heard and reconnect to the last one
    quint16 port = 20948;
    QString name; // empty: the computer's name
    std::chrono::milliseconds reconnectInterval{2000};
    bool fullscreen = false; // kiosk: the whole screen, no window frame
    QString colorScheme;     // "light", "dark" or empty: the system's
    QString dumpFile;        // test hook: the visible texts, written as they change
};

struct ParsedClientOptions {
    std::optional<ClientOptions> options; // empty with an error or after --help / --version
    QString message;
    int exitCode = 0;
};

ParsedClientOptions parseClientOptions(const QStringList& arguments);

} // namespace tessivar::client

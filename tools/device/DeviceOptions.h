#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>
#include <optional>

namespace tessivar::devicecli {

// What the user asked tessivar-device to do.
struct DeviceOptions {
    QString host; // empty: wait for the server's Hello
    quint16 port = 20948;
    QString name;
    QString id;        // empty: the stored identity
    QString stateFile; // empty: the user's configuration folder
    bool list = false;
    std::optional<quint32> sendBlock;
    QVariantMap sendValues;
    QString logFolder; // empty: no log request
    std::chrono::milliseconds timeout{10000};
    std::optional<std::chrono::milliseconds> duration; // watch mode ends after this long

    // Watching is what it does when nothing else was asked for.
    bool watch() const { return !list && !sendBlock && logFolder.isEmpty(); }
};

struct ParsedOptions {
    std::optional<DeviceOptions> options; // empty with an error or after --help / --version
    QString message;                      // the error, or the help text
    int exitCode = 0;
};

ParsedOptions parseDeviceOptions(const QStringList& arguments);

} // namespace tessivar::devicecli

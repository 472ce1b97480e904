#pragma once

#include "update/TessivarNetworkAccessManager.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QVersionNumber>

#include <chrono>

class QNetworkReply;

namespace tessivar {
class Configuration;
}

namespace tessivar::update {

// Asks the update server for the latest published version, at start and then every
// hour, and announces a newer one once; the checks then stop until the next start.
class SoftwareUpdateManager : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultCheckInterval{3600000};
    // A server that accepts the connection and then stays silent must not hold the check.
    static constexpr std::chrono::milliseconds kDefaultRequestTimeout{30000};
    // A version number is a few bytes; anything longer is not one and is not read.
    static constexpr qint64 kMaxVersionBodyBytes = 256;

    explicit SoftwareUpdateManager(Configuration& configuration, QObject* parent = nullptr);

    void Start();
    void OpenDownloadPage();

    // https://<UpdateServerHost>/version/latest
    QUrl latestVersionUrl() const;
    static QUrl downloadPageUrl();
    bool isChecking() const;

    void setCheckInterval(std::chrono::milliseconds interval);
    void setRequestTimeout(std::chrono::milliseconds timeout);
    void setRunningVersion(const QVersionNumber& version);

Q_SIGNALS:
    void updateAvailable(QVersionNumber availableUpdate);
    // After each answered or failed request; the bottom bar and tests follow it.
    void checkFinished(bool succeeded);

public Q_SLOTS:
    void check();

private:
    void onReply(QNetworkReply* reply);
    void handleVersion(const QByteArray& body);

    Configuration& m_configuration;
    QTimer m_timer;
    TessivarNetworkAccessManager m_networkAccessManager;
    std::chrono::milliseconds m_requestTimeout = kDefaultRequestTimeout;
    QVersionNumber m_runningVersion;
};

} // namespace tessivar::update

#include "update/SoftwareUpdateManager.h"

#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "core/Logging.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QSslSocket>

namespace tessivar::update {

SoftwareUpdateManager::SoftwareUpdateManager(Configuration& configuration, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_timer(this)
    , m_networkAccessManager(this)
    , m_runningVersion(softwareVersion())
{
    qRegisterMetaType<QVersionNumber>("QVersionNumber");
    m_timer.setInterval(kDefaultCheckInterval);
    connect(&m_timer, &QTimer::timeout, this, &SoftwareUpdateManager::check);
    connect(&m_networkAccessManager, &TessivarNetworkAccessManager::networkReplyReceived, this,
            &SoftwareUpdateManager::onReply);
}

void SoftwareUpdateManager::Start()
{
    qCInfo(lcUpdate) << "Initializing software update manager";
    qCInfo(lcUpdate).noquote() << QStringLiteral("SupportsSSL[%1] BuildSSLVersion[%2] LibrarySSLVersion[%3]")
                                      .arg(QSslSocket::supportsSsl() ? QStringLiteral("true") : QStringLiteral("false"),
                                           QSslSocket::sslLibraryBuildVersionString(),
                                           QSslSocket::sslLibraryVersionString());
    m_timer.start();
    check();
}

void SoftwareUpdateManager::check()
{
    if (!m_configuration.ShowUpdateNotifications())
        return;
    QNetworkRequest request(latestVersionUrl());
    request.setTransferTimeout(int(m_requestTimeout.count()));
    m_networkAccessManager.Get(request);
}

void SoftwareUpdateManager::onReply(QNetworkReply* reply)
{
    if (reply->error() != QNetworkReply::NoError) {
        qCWarning(lcUpdate).noquote() << "Software update request failed:" << reply->errorString();
        Q_EMIT checkFinished(false);
    } else {
        handleVersion(reply->read(kMaxVersionBodyBytes + 1));
        Q_EMIT checkFinished(true);
    }
    reply->deleteLater();
}

void SoftwareUpdateManager::handleVersion(const QByteArray& body)
{
    if (body.size() > kMaxVersionBodyBytes) {
        qCWarning(lcUpdate) << "Software update answer is not a version number, size" << body.size();
        return;
    }
    const QVersionNumber latest = QVersionNumber::fromString(QString::fromUtf8(body).trimmed());
    qCInfo(lcUpdate).noquote() << "Latest version is:" << latest.toString();
    if (latest > m_runningVersion) {
        m_timer.stop();
        Q_EMIT updateAvailable(latest);
    }
}

void SoftwareUpdateManager::OpenDownloadPage()
{
    QDesktopServices::openUrl(downloadPageUrl());
}

QUrl SoftwareUpdateManager::latestVersionUrl() const
{
    const QString host = m_configuration.UpdateServerHost();
    QUrl url(QStringLiteral("https://%1/version/latest").arg(host), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.path() != QLatin1String("/version/latest")
        || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        qCWarning(lcUpdate) << "Invalid update server host, using the default:" << host;
        url = QUrl(QStringLiteral("https://%1/version/latest").arg(Configuration::kDefaultUpdateServerHost));
    }
    return url;
}

QUrl SoftwareUpdateManager::downloadPageUrl()
{
    return QUrl(QStringLiteral("https://%1/index.html#download").arg(QLatin1String(kOrganisationDomain)));
}

bool SoftwareUpdateManager::isChecking() const
{
    return m_timer.isActive();
}

void SoftwareUpdateManager::setCheckInterval(std::chrono::milliseconds interval)
{
    m_timer.setInterval(interval);
}

void SoftwareUpdateManager::setRequestTimeout(std::chrono::milliseconds timeout)
{
    m_requestTimeout = timeout;
}

void SoftwareUpdateManager::setRunningVersion(const QVersionNumber& version)
{
    m_runningVersion = version;
}

} // namespace tessivar::update

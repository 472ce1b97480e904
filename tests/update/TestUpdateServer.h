#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QTcpServer>

class QSslSocket;

namespace tessivar::test {

struct Credentials {
    QSslCertificate certificate;
    QSslKey key;
};

// A self-signed certificate for 127.0.0.1, made with openssl in the given folder.
Credentials makeCredentials(const QString& folder);

// Adds the certificate to the process's trusted authorities, as a real server's CA is.
void trustCertificate(const QSslCertificate& certificate);

// The update server, on loopback over HTTPS: answers every request with a fixed status
// and body, or stays silent, and records the paths it was asked for.
class TestUpdateServer : public QTcpServer
{
public:
    explicit TestUpdateServer(const Credentials& credentials);

    QByteArray body = "1.5.1";
    int status = 200;
    bool silent = false;
    QStringList paths;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onReadyRead(QSslSocket* socket);

    Credentials m_credentials;
    QHash<QSslSocket*, QByteArray> m_requests;
};

} // namespace tessivar::test

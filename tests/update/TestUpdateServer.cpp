#include "TestUpdateServer.h"

#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>

namespace tessivar::test {

Credentials makeCredentials(const QString& folder)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                   "key.pem", "-out", "cert.pem", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1"});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return Credentials();
    QFile cert(folder + "/cert.pem");
    QFile key(folder + "/key.pem");
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return Credentials();
    return {QSslCertificate(cert.readAll()), QSslKey(key.readAll(), QSsl::Ec)};
}

void trustCertificate(const QSslCertificate& certificate)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

TestUpdateServer::TestUpdateServer(const Credentials& credentials)
    : m_credentials(credentials)
{
}

void TestUpdateServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    socket->setLocalCertificate(m_credentials.certificate);
    socket->setPrivateKey(m_credentials.key);
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QSslSocket::destroyed, this, [this, socket] { m_requests.remove(socket); });
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    socket->startServerEncryption();
}

void TestUpdateServer::onReadyRead(QSslSocket* socket)
{
    QByteArray& request = m_requests[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n"))
        return;
    paths.append(QString::fromLatin1(request.split(' ').value(1)));
    m_requests.remove(socket);
    if (silent)
        return;
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: text/plain\r\n"
                  + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

} // namespace tessivar::test

#include "app/SingleInstance.h"

#include "core/Logging.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace tessivar {

namespace {
const QByteArray kShow = QByteArrayLiteral("show\n");
const QByteArray kNothing = QByteArrayLiteral("ping\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
// A request is one short line; a peer that sends more is not one of ours.
constexpr qint64 kRequestLimit = 64;
} // namespace

SingleInstance::SingleInstance(const QString& settingsPath, QObject* parent)
    : QObject(parent)
    , m_name(serverName(settingsPath))
{
    // Only this user may hand over.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

QString SingleInstance::serverName(const QString& settingsPath)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    const QByteArray key = (user + QLatin1Char('\n') + QFileInfo(settingsPath).absoluteFilePath()).toUtf8();
    return QStringLiteral("tessivar-")
        + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

bool SingleInstance::handOver(Request request)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(answerTimeoutMs)) {
        // Nobody listens; a crashed program may have left its socket behind.
        QLocalServer::removeServer(m_name);
        return false;
    }
    socket.write(request == Request::Show ? kShow : kNothing);
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(answerTimeoutMs))
        answer += socket.readAll();
    if (answer != kAnswer) {
        // Someone listens but does not answer as the program does: run anyway rather
        // than not at all; the port then tells whether another copy really runs.
        qCWarning(lcApp) << "The running instance did not answer:" << m_name;
        return false;
    }
    qCInfo(lcApp) << "Handed over to the running instance";
    return true;
}

bool SingleInstance::listen()
{
    if (m_server.listen(m_name))
        return true;
    qCWarning(lcApp) << "Single instance socket not available:" << m_name << m_server.errorString();
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that says nothing is dropped.
        QTimer::singleShot(answerTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kRequestLimit)
                    socket->abort();
                return;
            }
            const QByteArray request = socket->readLine(kRequestLimit);
            if (request != kShow && request != kNothing) {
                qCWarning(lcApp) << "Unknown request on the single instance socket:" << request.left(kRequestLimit);
                socket->abort();
                return;
            }
            qCInfo(lcApp) << "Later start asked:" << request.trimmed();
            socket->write(kAnswer);
            socket->flush();
            socket->disconnectFromServer();
            if (request == kShow)
                Q_EMIT showRequested();
        });
    }
}

} // namespace tessivar

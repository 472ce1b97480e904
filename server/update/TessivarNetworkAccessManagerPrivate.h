#pragma once

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>

class QNetworkReply;
class QThread;

namespace tessivar::update {

// Runs the requests on its own QNetworkAccessManager and hands every finished reply,
// parentless and moved to the requester's thread, to whoever listens.
class TessivarNetworkAccessManagerPrivate : public QObject
{
    Q_OBJECT

public:
    explicit TessivarNetworkAccessManagerPrivate(QThread* requesterThread, QObject* parent = nullptr);

public Q_SLOTS:
    void get(const QNetworkRequest& request);

Q_SIGNALS:
    void networkReplyReceived(QNetworkReply* reply);

private:
    void onFinished(QNetworkReply* reply);

    QPointer<QThread> m_requesterThread;
    QNetworkAccessManager m_manager;
};

} // namespace tessivar::update

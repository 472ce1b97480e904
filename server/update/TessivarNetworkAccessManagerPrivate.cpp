#include "update/TessivarNetworkAccessManagerPrivate.h"

#include <QNetworkReply>
#include <QThread>

namespace tessivar::update {

TessivarNetworkAccessManagerPrivate::TessivarNetworkAccessManagerPrivate(QThread* requesterThread, QObject* parent)
    : QObject(parent)
    , m_requesterThread(requesterThread)
    , m_manager(this)
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &TessivarNetworkAccessManagerPrivate::onFinished);
}

void TessivarNetworkAccessManagerPrivate::get(const QNetworkRequest& request)
{
    m_manager.get(request);
}

void TessivarNetworkAccessManagerPrivate::onFinished(QNetworkReply* reply)
{
    // The receiver owns the reply from here on, whatever becomes of the manager.
    reply->setParent(nullptr);
    if (m_requesterThread && reply->thread() != m_requesterThread)
        reply->moveToThread(m_requesterThread);
    Q_EMIT networkReplyReceived(reply);
}

} // namespace tessivar::update

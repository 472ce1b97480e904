#include "update/TessivarNetworkAccessManager.h"

#include "update/TessivarNetworkAccessManagerPrivate.h"

#include <QNetworkReply>
#include <QThread>

namespace tessivar::update {

TessivarNetworkAccessManager::TessivarNetworkAccessManager(QObject* parent)
    : QObject(parent)
    , m_private(std::make_unique<TessivarNetworkAccessManagerPrivate>(thread()))
{
    connect(this, &TessivarNetworkAccessManager::signal_Get, m_private.get(),
            &TessivarNetworkAccessManagerPrivate::get);
    connect(m_private.get(), &TessivarNetworkAccessManagerPrivate::networkReplyReceived, this,
            &TessivarNetworkAccessManager::networkReplyReceived);
}

TessivarNetworkAccessManager::~TessivarNetworkAccessManager() = default;

void TessivarNetworkAccessManager::Get(const QNetworkRequest& request)
{
    Q_EMIT signal_Get(request);
}

} // namespace tessivar::update

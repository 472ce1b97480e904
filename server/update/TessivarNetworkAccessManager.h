#pragma once

#include <QNetworkRequest>
#include <QObject>

#include <memory>

class QNetworkReply;

namespace tessivar::update {

class TessivarNetworkAccessManagerPrivate;

// HTTP for the rest of the server: Get() sends, networkReplyReceived hands over the
// finished reply. The receiver owns the reply and deletes it (later).
class TessivarNetworkAccessManager : public QObject
{
    Q_OBJECT

public:
    explicit TessivarNetworkAccessManager(QObject* parent = nullptr);
    ~TessivarNetworkAccessManager() override;

    void Get(const QNetworkRequest& request);

Q_SIGNALS:
    void networkReplyReceived(QNetworkReply* reply);
    void signal_Get(QNetworkRequest request);

private:
    std::unique_ptr<TessivarNetworkAccessManagerPrivate> m_private;
};

} // namespace tessivar::update

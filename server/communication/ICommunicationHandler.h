#pragma once

#include "communication/MessageEmission.h"
#include "communication/MessageReception.h"
#include "communication/network/INonConnectedSocket.h"
#include "core/DeviceTypes.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

namespace tessivar::communication {

// The one object through which the application talks to devices.
class ICommunicationHandler : public QObject
{
    Q_OBJECT
public:
    ~ICommunicationHandler() override;

    virtual void AddListenerSocket(std::unique_ptr<network::INonConnectedSocket> socket) = 0;
    virtual bool ConnectToDevice(const NetworkDeviceId_t& deviceId) = 0;
    virtual bool ConnectToEndPoint(const QHostAddress& address) = 0;
    virtual void SendMessage(const MessageEmission& emission) = 0;
    virtual void Start() = 0;

Q_SIGNALS:
    void MessageReceived(tessivar::communication::MessageReception messageReception);
    void NetworkErrorOccurred(QString errorDescription);

protected:
    explicit ICommunicationHandler(QObject* parent = nullptr);
};

} // namespace tessivar::communication

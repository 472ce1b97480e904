#pragma once

#include "ClientController.h"

#include "communication/MessageCodec.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_RegisterDevice.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <memory>
#include <optional>
#include <vector>

namespace tessivar::test {

// A bare WebSocket server on loopback that speaks the protocol as the server does,
// for the client's controller: it greets, registers and records what the client sends.
class FakeServer : public QObject
{
public:
    static inline const QString kTextClass = QStringLiteral("com.tessivar.plugin.misc.text");

    FakeServer()
    {
        // Accepted here, as the server does, to send without waiting for ACKs.
        m_listener.listen(QHostAddress::LocalHost);
        connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                m_server.handleConnection(socket);
            }
        });
        connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
            m_peer = m_server.nextPendingConnection();
            m_peer->setParent(this); // the caller owns what nextPendingConnection() returns
            connect(m_peer, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
                if (auto parsed = m_codec.ParseMessage(text.toUtf8()))
                    received.push_back(std::move(parsed->second));
            });
        });
    }

    quint16 port() const { return m_listener.serverPort(); }
    QWebSocket* peer() const { return m_peer; }

    void send(const communication::IMessage& message)
    {
        m_peer->sendTextMessage(QString::fromUtf8(*m_codec.Serialize(message, ++m_sequence, {}, m_self)));
    }

    // The first message of that type the client sent, waiting up to 5 s for it.
    const communication::IMessage* waitFor(communication::MessageType_e type)
    {
        const auto find = [this, type]() -> const communication::IMessage* {
            for (const auto& message : received)
                if (message && message->GetType() == type)
                    return message.get();
            return nullptr;
        };
        QElapsedTimer waited;
        waited.start();
        while (!find() && waited.elapsed() < 5000)
            QTest::qWait(10);
        return find();
    }

    // A controller for this server, started and registered with a catalogue of the
    // text class; null when the registration did not go through.
    std::unique_ptr<client::ClientController> startClient(const QString& folder,
                                                          std::optional<ModuleDataClassInfo_t> catalogued = {})
    {
        received.clear();
        client::ClientOptions options;
        options.host = QStringLiteral("127.0.0.1");
        options.port = port();
        options.name = QStringLiteral("Panel");
        auto controller = std::make_unique<client::ClientController>(
            options,
            client::ClientController::Folders{folder + QStringLiteral("/data"), folder + QStringLiteral("/cache")});
        controller->start();
        if (!waitFor(communication::MessageType_e::Hello))
            return nullptr;
        const ModuleDataClassInfo_t text
            = catalogued.value_or(ModuleDataClassInfo_t{kTextClass, {{QStringLiteral("DataWidget.qml"), 1234}}});
        send(communication::Message_RegisterDevice(QStringLiteral("Test server"), device::ApplicationType_e::Server,
                                                   QVersionNumber(1, 5, 1), {text}));
        if (!waitFor(communication::MessageType_e::RegisterDevice))
            return nullptr;
        send(communication::Message_BlockList({}));
        if (!waitFor(communication::MessageType_e::ModuleList))
            return nullptr;
        return controller;
    }

    std::vector<std::unique_ptr<communication::IMessage>> received;

private:
    QTcpServer m_listener;
    QWebSocketServer m_server{QStringLiteral("test"), QWebSocketServer::NonSecureMode};
    QWebSocket* m_peer = nullptr;
    communication::MessageCodec m_codec;
    communication::MessageSender_t m_self{QStringLiteral("server"), QStringLiteral("Test server"),
                                          QVersionNumber(1, 5, 1), device::ApplicationType_e::Server};
    quint64 m_sequence = 100;
};

} // namespace tessivar::test

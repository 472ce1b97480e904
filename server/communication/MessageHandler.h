#pragma once

#include "communication/ICommunicationHandler.h"
#include "communication/MessageEmission.h"
#include "communication/MessageReception.h"
#include "communication/MessageType.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tessivar::communication {

// Hands received messages to the handlers registered for their type, or to the
// response callback of the request they answer while that request is open, and
// closes requests whose answer does not come in time.
class MessageHandler : public QObject
{
    Q_OBJECT
public:
    using ReceiveHandler = std::function<void(const MessageReception&)>;
    using ReceptionFilter = std::function<bool(const MessageReception&)>;

    explicit MessageHandler(ICommunicationHandler* communicationHandler, QObject* parent = nullptr);
    ~MessageHandler() override;

    // Several handlers per type are called in registration order.
    void RegisterHandler(MessageType_e type, ReceiveHandler handler);
    // A message the filter turns down reaches no handler and answers no request.
    void SetReceptionFilter(ReceptionFilter filter);
    void SendMessage(std::unique_ptr<MessageEmission> emission);
    // Meant for a response callback that expects further answers: the new interval runs
    // from the moment the callback returns.
    void ResetTimeout(quint64 sequenceId, std::chrono::milliseconds interval);

    bool IsResponsePending(quint64 sequenceId) const;

private:
    struct PendingResponse_t {
        MessageEmission::ResponseCallback responseCallback;
        std::optional<MessageEmission::TimeoutCallback> timeoutCallback;
    };
    // Timers are destroyed later: one may be dropped while it delivers its own timeout.
    struct DeferredDelete {
        void operator()(QTimer* timer) const;
    };
    using TimerPtr = std::unique_ptr<QTimer, DeferredDelete>;

    void OnMessageReceived(const MessageReception& reception);
    bool deliverResponse(const MessageReception& reception);
    void registerResponse(quint64 sequenceId, const MessageEmission::ResponseHandling_t& handling);
    void OnTimeout(quint64 sequenceId);

    ICommunicationHandler* m_communicationHandler;
    // A deque: a handler may register another one while it runs, and must not be moved
    // from under itself.
    std::map<MessageType_e, std::deque<ReceiveHandler>> m_handlers;
    ReceptionFilter m_filter;
    std::map<quint64, PendingResponse_t> m_pendingResponses;
    std::map<quint64, TimerPtr> m_timers;
};

} // namespace tessivar::communication

#pragma once

#include "communication/ICommunicationHandler.h"
#include "communication/MessageCatalogue.h"
#include "communication/MessageEmission.h"
#include "communication/MessageReception.h"
#include "communication/MessageType.h"
#include "core/Logging.h"

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
    // A handler by message class: `handler(const Message&, const MessageReception&)` is
    // called for each message of that class's type key. A message whose class does not
    // match its key is refused with a log line and reaches no handler of the class.
    template<typename Message, typename Handler> void On(Handler handler)
    {
        RegisterHandler(MessageTypeOf<Message>::value,
                        [this, handler = std::move(handler)](const MessageReception& reception) {
                            if (const Message* message = reception.As<Message>())
                                handler(*message, reception);
                            else
                                refuseMismatch(reception, MessageTypeOf<Message>::value);
                        });
    }
    // A message the filter turns down reaches no handler and answers no request.
    void SetReceptionFilter(ReceptionFilter filter);
    void SendMessage(std::unique_ptr<MessageEmission> emission);
    // Meant for a response callback that expects further answers: the new interval runs
    // from the moment the callback returns.
    void ResetTimeout(quint64 sequenceId, std::chrono::milliseconds interval);

    bool IsResponsePending(quint64 sequenceId) const;

private:
    using Clock = std::chrono::steady_clock;

    struct PendingResponse_t {
        MessageEmission::ResponseCallback responseCallback;
        // Only this device may answer; empty for a request sent to no one in particular.
        NetworkDeviceId_t destination;
        std::optional<MessageEmission::TimeoutCallback> timeoutCallback;
        std::chrono::milliseconds interval;
        // Empty while a callback that reset the time-out has not returned yet.
        std::optional<Clock::time_point> deadline;
    };

    void OnMessageReceived(const MessageReception& reception);
    void refuseMismatch(const MessageReception& reception, MessageType_e expected);
    bool deliverResponse(const MessageReception& reception);
    void registerResponse(const MessageEmission& emission, const MessageEmission::ResponseHandling_t& handling);
    // Points the one time-out timer at the earliest deadline of the open requests.
    void armTimeoutTimer();
    void OnTimeoutTimer();

    ICommunicationHandler* m_communicationHandler;
    // A deque: a handler may register another one while it runs, and must not be moved
    // from under itself.
    std::map<MessageType_e, std::deque<ReceiveHandler>> m_handlers;
    ReceptionFilter m_filter;
    std::map<quint64, PendingResponse_t> m_pendingResponses;
    // One timer for every open request: a timer of its own per request cost more than
    // the rest of sending it.
    QTimer m_timeoutTimer;
    LogFloodGuard m_dropLog;
    std::optional<Clock::time_point> m_armedDeadline;
};

} // namespace tessivar::communication

#include "communication/MessageHandler.h"

#include <QDebug>

namespace tessivar::communication {

void MessageHandler::DeferredDelete::operator()(QTimer* timer) const
{
    if (!timer)
        return;
    timer->stop();
    timer->disconnect();
    timer->deleteLater();
}

MessageHandler::MessageHandler(ICommunicationHandler* communicationHandler, QObject* parent)
    : QObject(parent)
    , m_communicationHandler(communicationHandler)
{
    connect(m_communicationHandler, &ICommunicationHandler::MessageReceived, this,
            &MessageHandler::OnMessageReceived);
}

MessageHandler::~MessageHandler() = default;

void MessageHandler::RegisterHandler(MessageType_e type, ReceiveHandler handler)
{
    m_handlers[type].push_back(std::move(handler));
}

void MessageHandler::SendMessage(std::unique_ptr<MessageEmission> emission)
{
    if (!emission)
        return;
    if (const std::optional<MessageEmission::ResponseHandling_t>& handling = emission->GetResponseHandling())
        registerResponse(emission->GetSequenceId(), *handling);
    m_communicationHandler->SendMessage(*emission);
}

void MessageHandler::registerResponse(quint64 sequenceId, const MessageEmission::ResponseHandling_t& handling)
{
    if (m_pendingResponses.count(sequenceId) != 0) {
        qWarning().nospace() << "Failed to register response callback for sequence ID [" << sequenceId << "]";
        return;
    }
    qDebug().nospace() << "Adding response callback for sequence ID [" << sequenceId << "]";
    m_pendingResponses[sequenceId] = PendingResponse_t{handling.responseCallback, handling.timeoutCallback};

    TimerPtr timer(new QTimer(this));
    timer->setSingleShot(true);
    timer->setInterval(handling.timeout);
    connect(timer.get(), &QTimer::timeout, this, [this, sequenceId] { OnTimeout(sequenceId); });
    timer->start();
    m_timers[sequenceId] = std::move(timer);
}

void MessageHandler::SetReceptionFilter(ReceptionFilter filter)
{
    m_filter = std::move(filter);
}

void MessageHandler::OnMessageReceived(const MessageReception& reception)
{
    if (m_filter && !m_filter(reception))
        return;
    if (deliverResponse(reception))
        return;
    const auto found = m_handlers.find(reception.GetMessage().GetType());
    if (found == m_handlers.end())
        return;
    // A handler may register further handlers; only those present now are called.
    const std::deque<ReceiveHandler>& handlers = found->second;
    const std::size_t count = handlers.size();
    for (std::size_t i = 0; i < count; ++i)
        handlers[i](reception);
}

bool MessageHandler::deliverResponse(const MessageReception& reception)
{
    if (!reception.HasResponseTo())
        return false;
    const quint64 sequenceId = reception.GetResponseTo();
    const auto pending = m_pendingResponses.find(sequenceId);
    if (pending == m_pendingResponses.end())
        return false;

    qDebug() << "Message has a response callback";
    // The callback may send, register or reset: hold a copy, not an iterator.
    const MessageEmission::ResponseCallback callback = pending->second.responseCallback;
    if (callback)
        callback(reception);

    const auto timer = m_timers.find(sequenceId);
    if (timer == m_timers.end()) {
        m_pendingResponses.erase(sequenceId);
    } else if (!timer->second->isActive()) {
        // The callback asked for more time: further answers to the request are expected.
        timer->second->start();
    } else {
        m_timers.erase(timer);
        m_pendingResponses.erase(sequenceId);
    }
    return true;
}

void MessageHandler::ResetTimeout(quint64 sequenceId, std::chrono::milliseconds interval)
{
    qInfo().nospace() << "Resetting timeout to [" << interval.count() << "] milliseconds for sequence ID ["
                      << sequenceId << "]";
    const auto timer = m_timers.find(sequenceId);
    if (timer == m_timers.end()) {
        qWarning().nospace() << "No response pending for sequence ID [" << sequenceId << "]";
        return;
    }
    qInfo().nospace() << "Timeout expires in [" << timer->second->remainingTime() << "] milliseconds";
    timer->second->stop();
    timer->second->setInterval(interval);
}

void MessageHandler::OnTimeout(quint64 sequenceId)
{
    qWarning().nospace() << "Message response timed out for sequence ID [" << sequenceId << "]";
    // Both entries go before the callback runs, which may well send a new request.
    m_timers.erase(sequenceId);
    const auto pending = m_pendingResponses.find(sequenceId);
    if (pending == m_pendingResponses.end())
        return;
    const std::optional<MessageEmission::TimeoutCallback> timeoutCallback = pending->second.timeoutCallback;
    m_pendingResponses.erase(pending);
    if (timeoutCallback && *timeoutCallback)
        (*timeoutCallback)();
}

bool MessageHandler::IsResponsePending(quint64 sequenceId) const
{
    return m_pendingResponses.count(sequenceId) != 0;
}

} // namespace tessivar::communication

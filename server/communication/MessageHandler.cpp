#include "communication/MessageHandler.h"

#include "core/Logging.h"

#include <QDebug>

#include <algorithm>
#include <limits>

namespace tessivar::communication {

MessageHandler::MessageHandler(ICommunicationHandler* communicationHandler, QObject* parent)
    : QObject(parent)
    , m_communicationHandler(communicationHandler)
{
    connect(m_communicationHandler, &ICommunicationHandler::MessageReceived, this, &MessageHandler::OnMessageReceived);
    m_timeoutTimer.setSingleShot(true);
    connect(&m_timeoutTimer, &QTimer::timeout, this, &MessageHandler::OnTimeoutTimer);
}

MessageHandler::~MessageHandler() = default;

void MessageHandler::RegisterHandler(MessageType_e type, ReceiveHandler handler)
{
    m_handlers[type].push_back(std::move(handler));
}

void MessageHandler::refuseMismatch(const MessageReception& reception, MessageType_e expected)
{
    if (m_dropLog.Allow(QStringLiteral("message of another class"), reception.GetSenderId()))
        qCWarning(lcCommunication).nospace().noquote()
            << "Message from [" << reception.GetSenderId() << "] under type [" << MessageCatalogue::PrintName(expected)
            << "] is not of that type's class, refused";
}

void MessageHandler::SendMessage(std::unique_ptr<MessageEmission> emission)
{
    if (!emission)
        return;
    if (const std::optional<MessageEmission::ResponseHandling_t>& handling = emission->GetResponseHandling())
        registerResponse(*emission, *handling);
    m_communicationHandler->SendMessage(*emission);
}

void MessageHandler::registerResponse(const MessageEmission& emission,
                                      const MessageEmission::ResponseHandling_t& handling)
{
    const quint64 sequenceId = emission.GetSequenceId();
    if (m_pendingResponses.count(sequenceId) != 0) {
        qCWarning(lcCommunication).nospace()
            << "Failed to register response callback for sequence ID [" << sequenceId << "]";
        return;
    }
    qCDebug(lcCommunication).nospace() << "Adding response callback for sequence ID [" << sequenceId << "]";
    m_pendingResponses[sequenceId]
        = PendingResponse_t{handling.responseCallback, emission.GetDestination(), handling.timeoutCallback,
                            handling.timeout, Clock::now() + handling.timeout};
    armTimeoutTimer();
}

void MessageHandler::armTimeoutTimer()
{
    std::optional<Clock::time_point> earliest;
    for (const auto& [sequenceId, pending] : m_pendingResponses) {
        if (pending.deadline && (!earliest || *pending.deadline < *earliest))
            earliest = pending.deadline;
    }
    // A timer that fires before the earliest deadline only re-arms itself; stopping and
    // starting it again for every request and every answer cost more than that wake-up.
    if (!earliest || (m_timeoutTimer.isActive() && m_armedDeadline && *m_armedDeadline <= *earliest))
        return;
    m_armedDeadline = earliest;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*earliest - Clock::now());
    m_timeoutTimer.start(std::clamp<std::chrono::milliseconds>(
        wait, std::chrono::milliseconds(0), std::chrono::milliseconds(std::numeric_limits<int>::max())));
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
    if (!pending->second.destination.isEmpty() && reception.GetSenderId() != pending->second.destination) {
        // Sequence ids are easy to guess: another device's answer neither completes the
        // request nor keeps it open, and reaches no type handler either.
        if (m_dropLog.Allow(QStringLiteral("answer from another device"), reception.GetSenderId()))
            qCWarning(lcCommunication).nospace().noquote()
                << "Answer to sequence ID [" << sequenceId << "] sent to [" << pending->second.destination
                << "] came from [" << reception.GetSenderId() << "], dropped";
        return true;
    }

    qCDebug(lcCommunication) << "Message has a response callback";
    // The callback may send, register or reset: hold a copy, not an iterator.
    const MessageEmission::ResponseCallback callback = pending->second.responseCallback;
    if (callback)
        callback(reception);

    const auto after = m_pendingResponses.find(sequenceId);
    if (after == m_pendingResponses.end())
        return true;
    if (!after->second.deadline) {
        // The callback asked for more time: further answers to the request are expected.
        after->second.deadline = Clock::now() + after->second.interval;
    } else {
        m_pendingResponses.erase(after);
    }
    armTimeoutTimer();
    return true;
}

void MessageHandler::ResetTimeout(quint64 sequenceId, std::chrono::milliseconds interval)
{
    qCInfo(lcCommunication).nospace() << "Resetting timeout to [" << interval.count()
                                      << "] milliseconds for sequence ID [" << sequenceId << "]";
    const auto pending = m_pendingResponses.find(sequenceId);
    if (pending == m_pendingResponses.end()) {
        qCWarning(lcCommunication).nospace() << "No response pending for sequence ID [" << sequenceId << "]";
        return;
    }
    if (pending->second.deadline) {
        const auto remaining
            = std::chrono::duration_cast<std::chrono::milliseconds>(*pending->second.deadline - Clock::now());
        qCInfo(lcCommunication).nospace()
            << "Timeout expires in [" << std::max<qint64>(remaining.count(), 0) << "] milliseconds";
    }
    pending->second.interval = interval;
    pending->second.deadline.reset();
    armTimeoutTimer();
}

void MessageHandler::OnTimeoutTimer()
{
    const Clock::time_point now = Clock::now();
    std::vector<quint64> expired;
    for (const auto& [sequenceId, pending] : m_pendingResponses) {
        if (pending.deadline && *pending.deadline <= now)
            expired.push_back(sequenceId);
    }
    for (const quint64 sequenceId : expired) {
        // Each entry goes before its callback runs, which may well send a new request.
        const auto pending = m_pendingResponses.find(sequenceId);
        if (pending == m_pendingResponses.end())
            continue;
        qCWarning(lcCommunication).nospace() << "Message response timed out for sequence ID [" << sequenceId << "]";
        const std::optional<MessageEmission::TimeoutCallback> timeoutCallback = pending->second.timeoutCallback;
        m_pendingResponses.erase(pending);
        if (timeoutCallback && *timeoutCallback)
            (*timeoutCallback)();
    }
    armTimeoutTimer();
}

bool MessageHandler::IsResponsePending(quint64 sequenceId) const
{
    return m_pendingResponses.count(sequenceId) != 0;
}

} // namespace tessivar::communication

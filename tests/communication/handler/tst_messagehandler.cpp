#include "HandlerTestSupport.h"
#include "TestPeer.h"

#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"

#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::LogCapture;
using tessivar::test::ServerUnderTest;
using tessivar::test::TestPeer;

namespace {

const QString kPhoneId = QStringLiteral("0123456789abcdef0123456789abcdef");
// Long enough never to expire during a test, short enough not to matter if it did.
constexpr std::chrono::milliseconds kNoExpiry{10000};

} // namespace

// The message handler on a real server: handlers by type, responses to requests,
// their time-outs and ResetTimeout, with a test peer answering over its loopback link.
class TestMessageHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<ServerUnderTest>();
        QVERIFY(m_server->folder->isValid());
        // The peers come over loopback links: no listening socket.
        m_server->createHandler();
        m_messages = std::make_unique<MessageHandler>(m_server->handler.get());
        m_factory = std::make_unique<MessageEmissionBuilderFactory>(m_server->configuration->DeviceId());
        m_peer = std::make_unique<TestPeer>(kPhoneId);
        m_peer->useLoopback(m_server->handler->GetSocketManager());
        QVERIFY(m_peer->connectToServer(m_server->port));
        // The first message attributes the connection, so that requests can reach the peer.
        m_messages->RegisterHandler(MessageType_e::Hello, [this](const MessageReception&) { ++m_hellos; });
        m_peer->send(Message_Hello(kPhoneId));
        QTRY_COMPARE(m_hellos, 1);
    }

    void cleanup()
    {
        m_peer.reset();
        m_messages.reset();
        m_factory.reset();
        m_server.reset();
        m_hellos = 0;
    }

    // Every handler of the type, in registration order; nothing for other types.
    void handlersByTypeInOrder()
    {
        QStringList calls;
        m_messages->RegisterHandler(MessageType_e::Notification,
                                    [&calls](const MessageReception&) { calls << QStringLiteral("first"); });
        m_messages->RegisterHandler(MessageType_e::Notification, [&calls](const MessageReception& reception) {
            calls << static_cast<const Message_Notification&>(reception.GetMessage()).GetText();
        });
        m_peer->send(Message_Notification(QStringLiteral("second"), 10));
        m_peer->send(Message_Hello(kPhoneId));
        QTRY_COMPARE(m_hellos, 2);
        QCOMPARE(calls, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    }

    // A response reaches the callback, not the type handlers, and completes the
    // exchange: a second answer to the same request goes to the type handlers.
    void responseCompletesExchange()
    {
        int byType = 0;
        m_messages->RegisterHandler(MessageType_e::Notification, [&byType](const MessageReception&) { ++byType; });
        QList<quint64> answered;
        bool timedOut = false;
        const quint64 request
            = sendRequest([&answered](const MessageReception& reception) { answered << reception.GetResponseTo(); },
                          kNoExpiry, [&timedOut] { timedOut = true; });

        m_peer->send(Message_Notification(QStringLiteral("answer"), 0), request);
        QTRY_COMPARE(answered.size(), 1);
        QCOMPARE(answered.front(), request);
        QCOMPARE(byType, 0);
        QVERIFY(!m_messages->IsResponsePending(request));

        m_peer->send(Message_Notification(QStringLiteral("late"), 0), request);
        QTRY_COMPARE(byType, 1);
        QCOMPARE(answered.size(), 1);
        QVERIFY(!timedOut);
    }

    // After its time-out a request is closed: the timeout callback runs once, and an
    // answer arriving later is handled by type.
    void responseAfterTimeoutReachesTypeHandlers()
    {
        int byType = 0;
        m_messages->RegisterHandler(MessageType_e::Notification, [&byType](const MessageReception&) { ++byType; });
        int answered = 0;
        int timeouts = 0;
        LogCapture log;
        const quint64 request = sendRequest([&answered](const MessageReception&) { ++answered; },
                                            std::chrono::milliseconds(20), [&timeouts] { ++timeouts; });
        QTRY_COMPARE(timeouts, 1);
        QVERIFY(!m_messages->IsResponsePending(request));
        QCOMPARE(log.count(QStringLiteral("Message response timed out for sequence ID [%1]").arg(request)), 1);

        m_peer->send(Message_Notification(QStringLiteral("too late"), 0), request);
        QTRY_COMPARE(byType, 1);
        QCOMPARE(answered, 0);
        QCOMPARE(timeouts, 1);
    }

    // A callback that resets the time-out keeps the request open for more answers;
    // the new interval then closes it.
    void resetTimeoutKeepsRequestOpen()
    {
        int byType = 0;
        m_messages->RegisterHandler(MessageType_e::Notification, [&byType](const MessageReception&) { ++byType; });
        QStringList answers;
        int timeouts = 0;
        quint64 request = 0;
        request = sendRequest(
            [this, &answers, &request](const MessageReception& reception) {
                answers << static_cast<const Message_Notification&>(reception.GetMessage()).GetText();
                if (answers.size() < 3)
                    m_messages->ResetTimeout(request, kNoExpiry);
                else
                    m_messages->ResetTimeout(request, std::chrono::milliseconds(20));
            },
            kNoExpiry, [&timeouts] { ++timeouts; });

        for (const char* text : {"one", "two", "three"})
            m_peer->send(Message_Notification(QString::fromLatin1(text), 0), request);
        QTRY_COMPARE(answers.size(), 3);
        QCOMPARE(answers, (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
        QCOMPARE(byType, 0);
        QVERIFY(m_messages->IsResponsePending(request));
        QTRY_COMPARE(timeouts, 1);
        QVERIFY(!m_messages->IsResponsePending(request));
    }

    // Each open request times out at its own deadline, whatever requests were answered
    // before it: a shorter one after a longer, a longer one after a shorter.
    void requestsTimeOutAtTheirOwnDeadlines_data()
    {
        QTest::addColumn<int>("answeredMs");
        QTest::addColumn<int>("openMs");
        QTest::newRow("short after an answered long") << int(kNoExpiry.count()) << 30;
        QTest::newRow("long after an answered short") << 30 << 600;
    }

    void requestsTimeOutAtTheirOwnDeadlines()
    {
        QFETCH(int, answeredMs);
        QFETCH(int, openMs);
        int answered = 0;
        int timeouts = 0;
        const quint64 first = sendRequest([&answered](const MessageReception&) { ++answered; },
                                          std::chrono::milliseconds(answeredMs), [&timeouts] { ++timeouts; });
        m_peer->send(Message_Notification(QStringLiteral("answer"), 0), first);
        QTRY_COMPARE(answered, 1);
        QElapsedTimer clock;
        clock.start();
        const quint64 open = sendRequest([](const MessageReception&) {}, std::chrono::milliseconds(openMs),
                                         [&timeouts] { ++timeouts; });
        if (answeredMs < openMs) {
            // Past the answered request's deadline, the open one is still waiting.
            QTest::qWait(answeredMs * 2);
            if (clock.elapsed() < openMs)
                QVERIFY(m_messages->IsResponsePending(open));
        }
        QTRY_COMPARE(timeouts, 1);
        QVERIFY(!m_messages->IsResponsePending(open));
        QVERIFY(clock.elapsed() >= openMs);
    }

    // Another device answering with the request's sequence id runs no callback, reaches no
    // type handler and does not stretch the time-out; the device asked still can answer.
    void foreignAnswerIsDropped_data()
    {
        QTest::addColumn<bool>("askedAnswers");
        QTest::newRow("asked device answers after") << true;
        QTest::newRow("asked device stays silent") << false;
    }

    void foreignAnswerIsDropped()
    {
        QFETCH(bool, askedAnswers);
        TestPeer other(QStringLiteral("fedcba9876543210fedcba9876543210"), QHostAddress(QStringLiteral("127.0.0.7")));
        other.useLoopback(m_server->handler->GetSocketManager());
        QVERIFY(other.connectToServer(m_server->port));
        other.send(Message_Hello(other.sender().id));
        QTRY_COMPARE(m_hellos, 2);
        int byType = 0;
        m_messages->RegisterHandler(MessageType_e::Notification, [&byType](const MessageReception&) { ++byType; });
        QStringList answeredBy;
        int timeouts = 0;
        LogCapture log;
        quint64 request = 0;
        request = sendRequest(
            [this, &answeredBy, &request](const MessageReception& reception) {
                answeredBy << reception.GetSenderId();
                m_messages->ResetTimeout(request, kNoExpiry);
            },
            std::chrono::milliseconds(400), [&timeouts] { ++timeouts; });
        for (int i = 0; i < 3; ++i)
            other.send(Message_Notification(QStringLiteral("forged"), 0), request);
        other.send(Message_Hello(other.sender().id));
        QTRY_COMPARE(m_hellos, 3);
        QCOMPARE(log.count(QStringLiteral("came from [%1], dropped").arg(other.sender().id)), 3);
        QVERIFY(answeredBy.isEmpty());
        QCOMPARE(byType, 0);
        if (askedAnswers) {
            m_peer->send(Message_Notification(QStringLiteral("real"), 0), request);
            QTRY_COMPARE(answeredBy, QStringList{kPhoneId});
            QVERIFY(m_messages->IsResponsePending(request));
            return;
        }
        QTRY_COMPARE(timeouts, 1);
        QVERIFY(!m_messages->IsResponsePending(request));
    }

    void misuseIsLoggedAndHarmless()
    {
        LogCapture log;
        m_messages->ResetTimeout(4242, kNoExpiry);
        QCOMPARE(log.count(QStringLiteral("No response pending for sequence ID [4242]")), 1);

        MessageEmissionBuilder builder = m_factory->CreateHelloMessage(kPhoneId);
        builder.WithTimeoutCallback([] {});
        QCOMPARE(log.count(QStringLiteral("Must define response callback before timeout callback")), 1);
        std::unique_ptr<MessageEmission> emission = builder.Build();
        QVERIFY(emission);
        QVERIFY(!emission->GetResponseHandling().has_value());
        QVERIFY(!builder.Build());

        // Two requests under one sequence id: the second keeps no callback but is sent.
        auto first = m_factory->CreateHelloMessage(kPhoneId)
                         .WithResponseCallback([](const MessageReception&) {}, kNoExpiry)
                         .Build();
        auto second = std::make_unique<MessageEmission>(std::make_unique<Message_Hello>(QStringLiteral("x")),
                                                        first->GetSequenceId(), kPhoneId);
        second->SetResponseHandling(MessageEmission::ResponseHandling_t{[](const MessageReception&) {}, kNoExpiry, {}});
        m_messages->SendMessage(std::move(first));
        m_messages->SendMessage(std::move(second));
        QCOMPARE(log.count(QStringLiteral("Failed to register response callback for sequence ID [")), 1);
        QTRY_COMPARE(m_peer->countReceived(MessageType_e::Hello), 2);
    }

    // The factory numbers messages from 0 in creation order, with the local id as sender.
    void factoryNumbersMessages()
    {
        MessageEmissionBuilderFactory factory(QStringLiteral("local"));
        QCOMPARE(factory.CreateHelloMessage().Broadcast().Build()->GetSequenceId(), quint64(0));
        MessageEmissionBuilder data = factory.CreateDataMessage(7, {}, kPhoneId);
        QCOMPARE(data.GetSenderId(), QStringLiteral("local"));
        std::unique_ptr<MessageEmission> emission = data.AllowNonConnected().Build();
        QCOMPARE(emission->GetSequenceId(), quint64(1));
        QCOMPARE(emission->GetDestination(), kPhoneId);
        QVERIFY(emission->IsNonConnectedAllowed());
        QVERIFY(!emission->IsBroadcast());
        QVERIFY(!emission->GetResponseTo().has_value());
        QCOMPARE(emission->GetMessage().GetType(), MessageType_e::Data);
        QCOMPARE(factory.GetNextSequenceId(), quint64(2));
    }

private:
    quint64 sendRequest(MessageEmission::ResponseCallback callback, std::chrono::milliseconds timeout,
                        MessageEmission::TimeoutCallback timeoutCallback)
    {
        auto emission
            = m_factory->CreateFileTransferRequestMessage(FileTransferRequestType_e::LogFiles, QByteArray(), kPhoneId)
                  .WithResponseCallback(std::move(callback), timeout)
                  .WithTimeoutCallback(std::move(timeoutCallback))
                  .Build();
        const quint64 sequenceId = emission->GetSequenceId();
        m_messages->SendMessage(std::move(emission));
        return sequenceId;
    }

    std::unique_ptr<ServerUnderTest> m_server;
    std::unique_ptr<MessageHandler> m_messages;
    std::unique_ptr<MessageEmissionBuilderFactory> m_factory;
    std::unique_ptr<TestPeer> m_peer;
    int m_hellos = 0;
};

QTEST_GUILESS_MAIN(TestMessageHandler)
#include "tst_messagehandler.moc"

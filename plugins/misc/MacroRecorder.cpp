#include "MacroRecorder.h"

#include "MacroModuleData.h"
#include "platform/KeyInput.h"

#include <QKeyEvent>
#include <QLoggingCategory>

#include <chrono>

namespace {

// Wall-clock time in 100-nanosecond units.
qint64 now100ns()
{
    using Ticks = std::chrono::duration<qint64, std::ratio<1, 10000000>>;
    return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch()).count();
}

constexpr qint64 kTicksPerMillisecond = 10000;

} // namespace

MacroRecorder::MacroRecorder(MacroModuleData* data)
    : m_data(data)
{
}

QString MacroRecorder::keyName(const MacroKeyEvent_t& event)
{
    return QString::fromStdString(tessivar::platform::keyName(event.virtualKey, event.scanCode));
}

void MacroRecorder::reload()
{
    m_keyNames.clear();
    m_keyActions.clear();
    for (const MacroKeyEvent_t& event : m_data->decodeSequence()) {
        m_keyNames.append(keyName(event));
        m_keyActions.append(event.action == kMacroKeyPressed);
        Q_EMIT keysChanged();
    }
}

void MacroRecorder::startRecording(QObject* keyCapturingObject)
{
    if (m_recording)
        return;
    qDebug() << "Start Macro Recording";
    if (m_capturingObject)
        m_capturingObject->removeEventFilter(this);
    m_capturingObject = keyCapturingObject;
    if (m_capturingObject)
        m_capturingObject->installEventFilter(this);
    m_keyNames.clear();
    m_keyActions.clear();
    Q_EMIT keysChanged();
    m_recording = true;
    Q_EMIT recordingChanged();
    m_lastEventTime = 0;
    m_events.clear();
}

void MacroRecorder::endRecording()
{
    if (!m_recording)
        return;
    qDebug() << "End Macro Recording";
    if (m_capturingObject)
        m_capturingObject->removeEventFilter(this);
    m_capturingObject = nullptr;
    m_recording = false;
    Q_EMIT recordingChanged();
    Q_EMIT macroRecorded(m_events);
}

bool MacroRecorder::eventFilter(QObject* watched, QEvent* event)
{
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!m_recording || !isKey || watched != m_capturingObject)
        return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const qint64 now = now100ns();
    if (m_lastEventTime == 0)
        m_lastEventTime = now;
    MacroKeyEvent_t recorded;
    recorded.action = event->type() == QEvent::KeyPress ? kMacroKeyPressed : kMacroKeyReleased;
    recorded.virtualKey = keyEvent->nativeVirtualKey();
    recorded.scanCode = keyEvent->nativeScanCode();
    recorded.delay = static_cast<std::int32_t>((now - m_lastEventTime) / kTicksPerMillisecond);
    m_events.push_back(recorded);
    m_lastEventTime = now;
    appendKey(recorded);
    return false;
}

void MacroRecorder::appendKey(const MacroKeyEvent_t& event)
{
    const QString name = keyName(event);
    m_keyNames.append(name);
    m_keyActions.append(event.action == kMacroKeyPressed);
    Q_EMIT keysChanged();
    qDebug() << "Key Event:" << name << (event.action == kMacroKeyPressed ? "pressed" : "released");
    qDebug() << qPrintable(QStringLiteral("Virtual key: 0x%1").arg(event.virtualKey, 0, 16));
}

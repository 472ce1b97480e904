#pragma once

#include "MacroKeyEvent.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class MacroModuleData;

// Records the key events that reach one item of the macro editor, and lists the keys
// of the macro for the editor.
class MacroRecorder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool recording READ isRecording NOTIFY recordingChanged)
    Q_PROPERTY(QStringList keyNames READ keyNames NOTIFY keysChanged)
    Q_PROPERTY(QList<bool> keyActions READ keyActions NOTIFY keysChanged)

public:
    explicit MacroRecorder(MacroModuleData* data);

    bool isRecording() const { return m_recording; }
    QStringList keyNames() const { return m_keyNames; }
    QList<bool> keyActions() const { return m_keyActions; }

    Q_INVOKABLE void reload();
    Q_INVOKABLE void startRecording(QObject* keyCapturingObject);
    Q_INVOKABLE void endRecording();

    static QString keyName(const MacroKeyEvent_t& event);

Q_SIGNALS:
    void macroRecorded(std::list<MacroKeyEvent_t> macro);
    void recordingChanged();
    void keysChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appendKey(const MacroKeyEvent_t& event);

    MacroModuleData* m_data;
    bool m_recording = false;
    qint64 m_lastEventTime = 0; // 100 ns units; 0 = none yet
    MacroKeyEventList m_events;
    QStringList m_keyNames;
    QList<bool> m_keyActions;
    QPointer<QObject> m_capturingObject;
};

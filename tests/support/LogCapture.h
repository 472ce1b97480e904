#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

// Records every log message while alive (and still prints it through the handler that
// was installed before), so that tests can check both presence and absence of lines.
class LogCapture
{
public:
    struct Entry {
        QtMsgType type;
        QString text;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    int count(QtMsgType type, const QRegularExpression& pattern) const;
    int count(QtMsgType type, const QString& contains) const;
    void clear();
    const QList<Entry>& entries() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QtMessageHandler m_previous = nullptr;
    QList<Entry> m_entries;
};

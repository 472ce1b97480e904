#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QQuickItem;
class QQuickWindow;

namespace tessivar::client {

// A test hook (--dump-texts): every item of the window that has an objectName, shows
// and holds a text, written as "objectName=text" lines into a file whenever they
// change, so that a test in another process reads what the user sees.
class VisibleTextDump : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 200;

    VisibleTextDump(QQuickWindow* window, const QString& file, QObject* parent = nullptr);

private:
    void write();
    static void collect(QQuickItem* item, QStringList& lines);

    QPointer<QQuickWindow> m_window;
    QString m_file;
    QString m_written;
    QTimer m_timer;
};

} // namespace tessivar::client

#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace tessivar {

// Turns the system's requests to end the program (SIGINT, SIGTERM at logout) into a
// Qt signal delivered on the main thread, so they take the normal quit path.
class TerminationSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignalWatcher(QObject* parent = nullptr);
    ~TerminationSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    int m_descriptor = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tessivar

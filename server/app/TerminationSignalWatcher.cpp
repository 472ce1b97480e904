#include "app/TerminationSignalWatcher.h"

#include "core/Logging.h"
#include "platform/QuitSignals.h"

#include <QDebug>
#include <QSocketNotifier>

namespace tessivar {

TerminationSignalWatcher::TerminationSignalWatcher(QObject* parent)
    : QObject(parent)
    , m_descriptor(platform::installQuitSignalPipe())
{
    if (m_descriptor < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        const int signalNumber = platform::takeQuitSignal(m_descriptor);
        if (signalNumber == 0)
            return;
        qCInfo(lcApp) << "Termination requested by signal" << signalNumber;
        Q_EMIT terminationRequested(signalNumber);
    });
}

TerminationSignalWatcher::~TerminationSignalWatcher() = default;

} // namespace tessivar

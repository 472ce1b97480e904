#include "core/Logging.h"

#include <QDir>
#include <QtGlobal>

// Logs into the working directory's log/, then fails fatally.
int main()
{
    tessivar::initLogging(true, QStringLiteral("child"), QDir::currentPath() + QStringLiteral("/log/"));
    qWarning() << "before the end";
    qFatal("the end");
}

#include "app/WindowParts.h"

#include "core/Logging.h"

#include <QQuickWindow>
#include <QVariant>

namespace tessivar {

QObject* buildWindowPart(QQuickWindow* window, const QString& name)
{
    if (!window)
        return nullptr;
    QVariant part;
    if (!QMetaObject::invokeMethod(window, "part", Q_RETURN_ARG(QVariant, part), Q_ARG(QVariant, name))) {
        qCWarning(lcApp).noquote() << "The main window cannot build its part" << name;
        return nullptr;
    }
    QObject* object = part.value<QObject*>();
    if (!object)
        qCWarning(lcApp).noquote() << "The main window has no part" << name;
    return object;
}

} // namespace tessivar

#pragma once

#include <QObject>
#include <QString>

class QQuickWindow;

namespace tessivar {

// The main window builds its pages, panels and popups the first time they are needed,
// and announces each one with its signal partLoaded(part) as it is built. The names are
// those of the window's `parts`: "settings", "moduleSelection", "moduleEdition", "error"...

// The part, built now if it is not yet; null without a window or for an unknown name.
QObject* buildWindowPart(QQuickWindow* window, const QString& name);

template<class T>
T* buildWindowPart(QQuickWindow* window, const QString& name)
{
    return qobject_cast<T*>(buildWindowPart(window, name));
}

} // namespace tessivar

#pragma once

#include <QObject>

#include <memory>

namespace tessivar::device {

// Releases a QObject through the event loop: the user interface may still hold it
// while its owner goes away.
struct DeleteLater {
    void operator()(QObject* object) const
    {
        if (object)
            object->deleteLater();
    }
};

template<typename T>
using DeleteLaterPtr = std::unique_ptr<T, DeleteLater>;

} // namespace tessivar::device

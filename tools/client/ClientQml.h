#pragma once

class QQmlEngine;

namespace tessivar::client {

// The window's QML files (qrc:/client/) and the QML types they use, made known once
// before the window is loaded; the program and the tests share it.
void registerClientQml();

} // namespace tessivar::client

#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>

class QQuickItem;
class QQuickWindow;

namespace tessivar::test {

// Acts on a loaded Qt Quick window as a user does: finds items by objectName (through
// delegates and popups too) and clicks or types into them.
class UiDriver
{
public:
    explicit UiDriver(QQuickWindow* window);

    // The first visible item of that name, or else the first of that name; null if none.
    QQuickItem* find(const QString& objectName) const;
    // Waits until the item exists, is visible and enabled; false after the time-out.
    bool waitUsable(const QString& objectName, int timeoutMs = 20000) const; // generous: CI machines are shared
    // Clicks the item's centre; false if it is not usable.
    bool click(const QString& objectName, Qt::MouseButton button = Qt::LeftButton);
    // Clicks into a text input, selects all it holds and types the text, then Enter.
    bool typeInto(const QString& objectName, const QString& text, bool pressEnter = true);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QString text(const QString& objectName) const;
    // The item exists and it and all its parents are visible.
    bool isShown(const QString& objectName) const;

private:
    QQuickItem* root() const;
    static void scrollIntoView(QQuickItem* item);

    QQuickWindow* m_window;
};

// The shown, enabled controls under root (buttons and switches, text inputs, combo and
// spin boxes) that assistive technology would find without a name: their objectName (or
// class) each. A control's own parts are not looked into.
QStringList unnamedControls(QQuickItem* root);

// Collects the warnings of the QML engine (any message naming a QML file or from the
// QML logging categories) while it lives.
class QmlWarningCollector
{
public:
    QmlWarningCollector();
    ~QmlWarningCollector();
    QStringList warnings() const;
    void clear();
};

} // namespace tessivar::test

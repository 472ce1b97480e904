#include "UiDriver.h"

#include <QAccessible>
#include <QMutex>

#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest/quicktest.h>
#include <algorithm>
#include <optional>

namespace tessivar::test {

namespace {

QQuickItem* search(QQuickItem* item, const QString& name, bool visibleOnly)
{
    if (item->objectName() == name && (!visibleOnly || item->isVisible()))
        return item;
    if (visibleOnly && !item->isVisible())
        return nullptr;
    const QList<QQuickItem*> children = item->childItems();
    for (QQuickItem* child : children)
        if (QQuickItem* found = search(child, name, visibleOnly))
            return found;
    return nullptr;
}

bool usable(QQuickItem* item)
{
    if (!item || !item->isVisible() || !item->isEnabled() || item->width() <= 0 || item->height() <= 0)
        return false;
    for (QQuickItem* parent = item->parentItem(); parent; parent = parent->parentItem())
        if (!parent->isVisible())
            return false;
    return true;
}

} // namespace

UiDriver::UiDriver(QQuickWindow* window)
    : m_window(window)
{
}

QQuickItem* UiDriver::root() const
{
    QQuickItem* content = m_window->contentItem();
    return content->parentItem() ? content->parentItem() : content;
}

QQuickItem* UiDriver::find(const QString& objectName) const
{
    if (QQuickItem* visible = search(root(), objectName, true))
        return visible;
    return search(root(), objectName, false);
}

bool UiDriver::waitUsable(const QString& objectName, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return usable(find(objectName)); }, timeoutMs);
}

// Scrolls every flickable around the item so that the item is in view, as a user would.
void UiDriver::scrollIntoView(QQuickItem* item)
{
    for (QQuickItem* parent = item->parentItem(); parent; parent = parent->parentItem()) {
        if (!parent->inherits("QQuickFlickable"))
            continue;
        const QPointF position = item->mapToItem(parent, QPointF(0, 0));
        if (position.y() >= 0 && position.y() + item->height() <= parent->height())
            continue;
        const qreal contentY = parent->property("contentY").toReal();
        const qreal maximum = std::max<qreal>(0, parent->property("contentHeight").toReal() - parent->height());
        const qreal wanted = contentY + position.y() - (parent->height() - item->height()) / 2;
        parent->setProperty("contentY", std::clamp<qreal>(wanted, 0, maximum));
    }
}

bool UiDriver::click(const QString& objectName, Qt::MouseButton button)
{
    if (!waitUsable(objectName))
        return false;
    scrollIntoView(find(objectName));
    // Layouts settle and panels slide in first: the item is clicked where it comes to rest.
    // On a loaded machine frames come late: a place read while a layout is still pending
    // is where the item was, not where it goes.
    QPointer<QQuickItem> item = find(objectName);
    auto centreOf = [&item] { return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint(); };
    auto settled = [this] { return !QQuickTest::qIsPolishScheduled(m_window); };
    std::optional<QPoint> centre;
    if (settled())
        centre = centreOf();
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(20);
        if (!item)
            return false;
        if (!settled())
            continue;
        const QPoint now = centreOf();
        if (centre == now)
            break;
        centre = now;
    }
    if (!centre)
        centre = centreOf();
    QTest::mouseClick(m_window, button, Qt::NoModifier, *centre);
    return true;
}

bool UiDriver::typeInto(const QString& objectName, const QString& text, bool pressEnter)
{
    if (!click(objectName))
        return false;
    if (!QTest::qWaitFor([&] { return find(objectName)->hasActiveFocus(); }, 2000))
        return false;
    QTest::keyClick(m_window, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_window, Qt::Key_Delete);
    for (const QChar character : text)
        QTest::keyClick(m_window, character.toLatin1());
    if (pressEnter)
        QTest::keyClick(m_window, Qt::Key_Return);
    return true;
}

void UiDriver::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_window, key, modifiers);
}

bool UiDriver::isShown(const QString& objectName) const
{
    QQuickItem* item = find(objectName);
    if (!item || !item->isVisible())
        return false;
    for (QQuickItem* parent = item->parentItem(); parent; parent = parent->parentItem())
        if (!parent->isVisible())
            return false;
    return true;
}

QString UiDriver::text(const QString& objectName) const
{
    QQuickItem* item = find(objectName);
    return item ? item->property("text").toString() : QString();
}

namespace {

QMutex g_mutex;
QStringList g_warnings;
QtMessageHandler g_previous = nullptr;
bool g_installed = false;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    const bool fromQml = category == QLatin1String("qml") || category == QLatin1String("js")
        || category.startsWith(QLatin1String("qt.qml")) || message.contains(QLatin1String(".qml"))
        || QString::fromLatin1(context.file ? context.file : "").endsWith(QLatin1String(".qml"));
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml) {
        QMutexLocker lock(&g_mutex);
        g_warnings.append(message);
    }
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

QmlWarningCollector::QmlWarningCollector()
{
    if (!g_installed) {
        g_previous = qInstallMessageHandler(collect);
        g_installed = true;
    }
    clear();
}

QmlWarningCollector::~QmlWarningCollector()
{
    if (g_installed) {
        qInstallMessageHandler(g_previous);
        g_installed = false;
    }
}

QStringList QmlWarningCollector::warnings() const
{
    QMutexLocker lock(&g_mutex);
    return g_warnings;
}

void QmlWarningCollector::clear()
{
    QMutexLocker lock(&g_mutex);
    g_warnings.clear();
}

namespace {

bool isControl(const QQuickItem* item)
{
    for (const char* type : {"QQuickAbstractButton", "QQuickComboBox", "QQuickSpinBox"})
        if (item->inherits(type))
            return true;
    // A plain Qt Quick control takes its clicks with a tap handler.
    for (const QObject* child : item->children())
        if (child->inherits("QQuickTapHandler"))
            return true;
    return (item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit"))
        && !item->property("readOnly").toBool();
}

void collectUnnamed(QQuickItem* item, QStringList& unnamed)
{
    if (!item->isVisible() || !item->isEnabled() || item->opacity() <= 0)
        return;
    if (isControl(item)) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(item);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.append(item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                                        : item->objectName());
        return;
    }
    const QList<QQuickItem*> children = item->childItems();
    for (QQuickItem* child : children)
        collectUnnamed(child, unnamed);
}

} // namespace

QStringList unnamedControls(QQuickItem* root)
{
    QStringList unnamed;
    if (root)
        collectUnnamed(root, unnamed);
    return unnamed;
}

} // namespace tessivar::test

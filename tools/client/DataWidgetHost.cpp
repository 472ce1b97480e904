#include "DataWidgetHost.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>

namespace tessivar::client {

DataWidgetHost::DataWidgetHost(QQuickItem* parent)
    : QQuickItem(parent)
{
    connect(&m_dataMap, &QQmlPropertyMap::valueChanged, this, [this](const QString& key, const QVariant& value) {
        // Only the widget's own writes come here: insert() from the server does not signal.
        m_data.insert(key, value);
        Q_EMIT dataWritten({{key, value}});
    });
}

DataWidgetHost::~DataWidgetHost()
{
    clear();
}

QUrl DataWidgetHost::source() const
{
    return m_source;
}

void DataWidgetHost::setSource(const QUrl& source)
{
    if (source == m_source)
        return;
    m_source = source;
    Q_EMIT sourceChanged();
    if (isComponentComplete())
        reload();
}

QVariantMap DataWidgetHost::parameters() const
{
    return m_parameters;
}

void DataWidgetHost::setParameters(const QVariantMap& parameters)
{
    m_parameters = parameters;
    fill(m_parameterMap, parameters);
    Q_EMIT parametersChanged();
}

QVariantMap DataWidgetHost::blockData() const
{
    return m_data;
}

void DataWidgetHost::setBlockData(const QVariantMap& data)
{
    m_data = data;
    fill(m_dataMap, data);
    Q_EMIT blockDataChanged();
}

bool DataWidgetHost::failed() const
{
    return m_failed;
}

bool DataWidgetHost::loaded() const
{
    return !m_widget.isNull();
}

void DataWidgetHost::fill(QQmlPropertyMap& map, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        map.insert(it.key(), it.value());
}

void DataWidgetHost::componentComplete()
{
    QQuickItem::componentComplete();
    reload();
}

void DataWidgetHost::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (m_widget)
        m_widget->setSize(newGeometry.size());
}

void DataWidgetHost::clear()
{
    const bool wasLoaded = loaded();
    delete m_widget.data();
    m_context.reset();
    if (wasLoaded)
        Q_EMIT loadedChanged();
}

void DataWidgetHost::setFailed(bool failed)
{
    if (failed == m_failed)
        return;
    m_failed = failed;
    Q_EMIT failedChanged();
}

void DataWidgetHost::reload()
{
    clear();
    if (m_source.isEmpty()) {
        setFailed(false);
        return;
    }
    QQmlEngine* engine = qmlEngine(this);
    if (!engine) {
        setFailed(true);
        return;
    }
    // A context of its own: the widget sees its block's maps and nothing of the dashboard.
    m_context = std::make_unique<QQmlContext>(engine->rootContext());
    m_context->setContextProperty(QStringLiteral("moduleParameters"), &m_parameterMap);
    m_context->setContextProperty(QStringLiteral("moduleData"), &m_dataMap);
    QQmlComponent component(engine, m_source, QQmlComponent::PreferSynchronous);
    QObject* created = component.isReady() ? component.create(m_context.get()) : nullptr;
    auto* item = qobject_cast<QQuickItem*>(created);
    if (!item) {
        qWarning() << "Cannot load the data widget" << m_source.toString() << component.errorString().trimmed();
        delete created;
        m_context.reset();
        setFailed(true);
        return;
    }
    item->setParentItem(this);
    item->setParent(this);
    item->setSize(size());
    m_widget = item;
    setFailed(false);
    Q_EMIT loadedChanged();
}

} // namespace tessivar::client

#pragma once

#include <QPointer>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class QQmlContext;

namespace tessivar::client {

// Shows one block's data widget, loaded from its file with "moduleParameters" and
// "moduleData" in its context, as the plugins' display widgets expect. What the widget
// writes into moduleData comes out as dataWritten; what the server sends goes in
// without echoing back. A widget that does not load leaves `failed` set.
class DataWidgetHost : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QVariantMap parameters READ parameters WRITE setParameters NOTIFY parametersChanged)
    Q_PROPERTY(QVariantMap blockData READ blockData WRITE setBlockData NOTIFY blockDataChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY failedChanged)
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
public:
    explicit DataWidgetHost(QQuickItem* parent = nullptr);
    ~DataWidgetHost() override;

    QUrl source() const;
    void setSource(const QUrl& source);
    QVariantMap parameters() const;
    void setParameters(const QVariantMap& parameters);
    QVariantMap blockData() const;
    void setBlockData(const QVariantMap& data);
    bool failed() const;
    bool loaded() const;

Q_SIGNALS:
    void sourceChanged();
    void parametersChanged();
    void blockDataChanged();
    void failedChanged();
    void loadedChanged();
    void dataWritten(const QVariantMap& data);

protected:
    void componentComplete() override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void reload();
    void clear();
    void setFailed(bool failed);
    static void fill(QQmlPropertyMap& map, const QVariantMap& values);

    QUrl m_source;
    QVariantMap m_parameters;
    QVariantMap m_data;
    QQmlPropertyMap m_parameterMap;
    QQmlPropertyMap m_dataMap;
    std::unique_ptr<QQmlContext> m_context;
    QPointer<QQuickItem> m_widget;
    bool m_failed = false;
};

} // namespace tessivar::client

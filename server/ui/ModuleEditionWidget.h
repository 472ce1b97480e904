#pragma once

#include "core/DeviceTypes.h"

#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QUrl>
#include <QVariantMap>

class ModuleSource;

namespace tessivar::ui {

// Native side of the panel where the user edits a block's parameters. The QML file
// loads the data class's parameter editor (its functions startParameterModification(url)
// and endParameterModification()); the editor changes the block in place through the
// three maps exposed here. Cancelling puts back the values saved when the edit began.
class ModuleEditionWidget : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QObject* moduleLocalParameters READ moduleLocalParameters NOTIFY moduleChanged)
    Q_PROPERTY(QObject* moduleClientParameters READ moduleClientParameters NOTIFY moduleChanged)
    Q_PROPERTY(QObject* moduleHelpers READ moduleHelpers NOTIFY moduleChanged)

public:
    explicit ModuleEditionWidget(QQuickItem* parent = nullptr);
    ~ModuleEditionWidget() override;

    // Starts editing `module` with the editor at `editorUrl`, ending any edit in progress,
    // and shows the widget. The module stays owned by the caller.
    void edit(ModuleSource* module, const QUrl& editorUrl, bool newModule);
    // Ends the edit and hides the widget.
    void close();

    ModuleSource* module() const;
    QObject* moduleLocalParameters() const;
    QObject* moduleClientParameters() const;
    QObject* moduleHelpers() const;

    Q_INVOKABLE bool isNewModule() const;

public Q_SLOTS:
    void accept();
    void acceptNew(NetworkDeviceId_t deviceId);
    void cancel();

Q_SIGNALS:
    void creationAccepted(NetworkDeviceId_t deviceId);
    void modificationAccepted();
    void modificationCancelled();
    void moduleChanged();

private:
    void endEdit();
    void onModuleDestroyed();
    void onVisibleChanged();

    QPointer<ModuleSource> m_module;
    QMetaObject::Connection m_moduleDestroyed;
    QVariantMap m_savedLocalParameters;
    QVariantMap m_savedClientParameters;
    bool m_newModule = false;
};

} // namespace tessivar::ui

#pragma once

#include "core/DeviceTypes.h"

#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QUrl>
#include <QVariantMap>

class ModuleSource;
Q_MOC_INCLUDE("modules/ModuleSource.h")

namespace tessivar::ui {

// Native side of the panel where the user edits a block's parameters. The QML file
// loads the data class's parameter editor (its functions startParameterModification(url)
// and endParameterModification()); the editor changes the block in place through the
// three maps exposed here. Cancelling ends the editor (a recording in progress stores what
// it has), then puts the block back exactly as it was when the edit began.
class ModuleEditionWidget : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QObject* moduleLocalParameters READ moduleLocalParameters NOTIFY moduleChanged)
    Q_PROPERTY(QObject* moduleClientParameters READ moduleClientParameters NOTIFY moduleChanged)
    Q_PROPERTY(QObject* moduleHelpers READ moduleHelpers NOTIFY moduleChanged)
    // The edited block, for its title in this list; null between edits.
    Q_PROPERTY(ModuleSource* module READ module NOTIFY moduleChanged)
    // Whether the block lets the user set the title shown on the device.
    Q_PROPERTY(bool displayTitleEditable READ isDisplayTitleEditable NOTIFY moduleChanged)

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
    bool isDisplayTitleEditable() const;

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
    // Unloads the parameter editor, once per edit.
    void endEditor();
    void onModuleDestroyed();
    void onVisibleChanged();

    QPointer<ModuleSource> m_module;
    QMetaObject::Connection m_moduleDestroyed;
    QVariantMap m_savedLocalParameters;
    QVariantMap m_savedClientParameters;
    bool m_newModule = false;
    bool m_editorEnded = true;
};

} // namespace tessivar::ui

#pragma once

#include <QQuickItem>
#include <QString>

namespace tessivar::ui {

// Native side of the panel where the user picks a module for a new block. The QML
// file emits the signals; the application connects them to the creation flow and
// clears the QML property `selectedModule` when an edit is cancelled.
class ModuleSelectionWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit ModuleSelectionWidget(QQuickItem* parent = nullptr);

Q_SIGNALS:
    void moduleSelected(QString pluginId, QString moduleId);
    void moduleSelectionCancelled();
    void invalidPluginInfoPressed(QString pluginId);
    void invalidModuleInfoPressed(QString pluginId, QString moduleId);
};

} // namespace tessivar::ui

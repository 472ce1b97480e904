#pragma once

#include <QObject>
#include <QPointer>

class ModuleList;
class QQuickWindow;

namespace tessivar {

class Configuration;
class TessivarServerApplication;
class UpdateFlow;

namespace ui {
class AboutWidget;
class BottomBarWidget;
class SettingsWidget;
class TopBarWidget;
} // namespace ui

// The window's widgets and the application: registers the QML types of the user
// interface and, once the main window has loaded, finds the native widgets in it and
// wires them to the application's flows, the pages as the window builds them.
class UserInterfaceFlow : public QObject
{
    Q_OBJECT

public:
    UserInterfaceFlow(TessivarServerApplication& application, Configuration& configuration, ModuleList& moduleList,
                      QObject* parent = nullptr);

    // Every QML registration of the interface, in the order of start-up.
    static void registerQmlTypes();

    // Finds and connects the widgets of the loaded main window.
    void wire(QQuickWindow* mainWindow);
    // The bottom bar offers a newer version once announced, and its button downloads it.
    void connectUpdates(UpdateFlow& updates);
    // Opens the settings page, as the error action "Change settings" does.
    void showSettings();

    ui::TopBarWidget* topBar() const;
    ui::BottomBarWidget* bottomBar() const;
    ui::SettingsWidget* settings() const;

private Q_SLOTS:
    // A page, panel or popup, built when first needed.
    void wirePart(const QVariant& part);
    // The content of a page, built when the page first shows.
    void wirePageContent(const QVariant& content);

private:
    void wireDeviceLists(QObject* root);
    static void registerWidgetFile(const char* module, const char* type, const QString& url);

    TessivarServerApplication& m_application;
    Configuration& m_configuration;
    ModuleList& m_moduleList;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<ui::TopBarWidget> m_topBar;
    QPointer<ui::BottomBarWidget> m_bottomBar;
    QPointer<ui::SettingsWidget> m_settings;
};

} // namespace tessivar

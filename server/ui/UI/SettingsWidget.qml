import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The settings page. Each control writes its setting as soon as it is changed (a text
// on Enter or when it loses focus); the resets reload the page.
SettingsWidgetImpl {
    id: settings

    visible: false

    // Without a tray, a window hidden to it could not be brought back.
    readonly property bool trayAvailable: typeof Controller !== "undefined" && Controller !== null
                                          && Controller.systemTrayAvailable
    readonly property string noTrayHint: qsTr("This desktop has no system tray, so the window is never hidden to it.")

    // Built the first time the page shows; the resets reload it only once it exists.
    function reloadSettings() {
        if (pageLoader.item)
            pageLoader.item.reloadSettings()
    }

    onVisibleChanged: if (visible) {
        pageLoader.active = true
        pageLoader.item.reloadSettings()
        pageLoader.item.focusFirstField()
    }

    Loader {
        id: pageLoader
        anchors.fill: parent
        active: false
        sourceComponent: Component {
            TessivarPage {
                id: page
                objectName: "page_Settings"
                anchors.fill: parent
                title: qsTr("Settings")
                onCloseRequested: settings.visible = false

                function reloadSettings() {
                    portField.text = Configuration.Port
                    nameField.text = Configuration.DeviceName
                    launchAtStartup.checked = settings.isLaunchAtStartupEnabled()
                    splash.checked = Configuration.ShowSplashScreen
                    minimizeToTray.checked = Configuration.MinimizeToTray
                    closeToTray.checked = Configuration.CloseToTray
                    updates.checked = Configuration.ShowUpdateNotifications
                    debugLogging.checked = Configuration.LogDebug
                }

                function focusFirstField() {
                    portField.forceActiveFocus()
                }

                function applyPort() {
                    if (portField.acceptableInput && Number(portField.text) !== Configuration.Port)
                        Configuration.Port = Number(portField.text)
                }

                function applyDeviceName() {
                    const name = nameField.text.trim()
                    if (name !== "" && name !== Configuration.DeviceName)
                        Configuration.DeviceName = name
                }

                SettingsSection { text: qsTr("Network") }
                SettingRow {
                    label: qsTr("Port")
                    hint: qsTr("Devices reach Tessivar on this port. Used from the next start.")
                    TessivarTextField {
                        id: portField
                        objectName: "textField_Port"
                        label: qsTr("Port")
                        width: 160
                        validator: IntValidator { bottom: 1; top: 65535 }
                        inputMethodHints: Qt.ImhDigitsOnly
                        onEditingFinished: page.applyPort()
                    }
                    TessivarIconButton {
                        objectName: "button_ResetPort"
                        iconName: "reset"
                        iconSize: Theme.iconRow
                        toolTipText: qsTr("Back to the default port, 20948")
                        onClicked: settings.resetPort()
                    }
                }
                SettingRow {
                    label: qsTr("Name of this computer")
                    hint: qsTr("Devices show this name.")
                    TessivarTextField {
                        id: nameField
                        objectName: "textField_DeviceName"
                        label: qsTr("Name of this computer")
                        width: 320
                        onEditingFinished: page.applyDeviceName()
                    }
                    TessivarIconButton {
                        objectName: "button_ResetDeviceName"
                        iconName: "reset"
                        iconSize: Theme.iconRow
                        toolTipText: qsTr("Back to the computer's own name")
                        onClicked: settings.resetDeviceName()
                    }
                }

                SettingsSection { text: qsTr("Start-up") }
                TessivarCheckBox {
                    id: launchAtStartup
                    objectName: "switch_LaunchAtStartup"
                    text: qsTr("Launch at start-up")
                    hint: qsTr("Start Tessivar, minimised, when you log in.")
                    onToggled: settings.enableLaunchAtStartup(checked)
                }
                TessivarCheckBox {
                    id: splash
                    objectName: "switch_ShowSplashScreen"
                    text: qsTr("Show the splash screen")
                    onToggled: Configuration.ShowSplashScreen = checked
                }

                SettingsSection { text: qsTr("Window") }
                TessivarCheckBox {
                    id: minimizeToTray
                    objectName: "switch_MinimizeToTray"
                    text: qsTr("Minimise to the tray")
                    enabled: settings.trayAvailable
                    hint: settings.trayAvailable ? qsTr("The minimise button hides the window; the tray icon brings it back.")
                                                 : settings.noTrayHint
                    onToggled: Configuration.MinimizeToTray = checked
                }
                TessivarCheckBox {
                    id: closeToTray
                    objectName: "switch_CloseToTray"
                    text: qsTr("Close to the tray")
                    enabled: settings.trayAvailable
                    hint: settings.trayAvailable ? qsTr("The close button keeps Tessivar running; quit from the tray menu.")
                                                 : settings.noTrayHint
                    onToggled: Configuration.CloseToTray = checked
                }

                SettingsSection { text: qsTr("Notifications") }
                TessivarCheckBox {
                    id: updates
                    objectName: "switch_UpdateNotifications"
                    text: qsTr("Tell me about new versions")
                    onToggled: Configuration.ShowUpdateNotifications = checked
                }

                SettingsSection { text: qsTr("Troubleshooting") }
                TessivarCheckBox {
                    id: debugLogging
                    objectName: "switch_DebugLogging"
                    text: qsTr("Detailed logs")
                    hint: qsTr("Writes debug lines to the log files. Used from the next start.")
                    onToggled: Configuration.LogDebug = checked
                }
            }
        }
    }
}

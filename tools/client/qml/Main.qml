import QtQuick
import QtQuick.Controls
import QtQuick.Window

// The client's window: the list of servers until one is chosen, then its dashboard;
// the server's notifications as toasts over both.
ApplicationWindow {
    id: window
    objectName: "window_Client"
    width: 1024
    height: 700
    visible: true
    visibility: startFullscreen ? Window.FullScreen : Window.AutomaticVisibility
    title: controller.serverName !== "" ? qsTr("Tessivar Client - %1").arg(controller.serverName) : qsTr("Tessivar Client")
    color: theme.background
    // The controls take the same colours as the pages.
    palette.window: theme.background
    palette.windowText: theme.text
    palette.base: theme.surface
    palette.text: theme.text
    palette.button: theme.surface
    palette.buttonText: theme.text
    palette.highlight: theme.primary
    palette.highlightedText: theme.onPrimary
    palette.mid: theme.divider
    palette.dark: theme.divider
    palette.light: theme.surface
    palette.placeholderText: theme.secondaryText

    // One palette, a light and a dark set; the system's choice unless one was asked for.
    QtObject {
        id: theme
        readonly property bool dark: colorScheme === "dark" || (colorScheme === "" && systemPaletteIsDark)
        readonly property color background: dark ? "#1e1f22" : "#f4f5f7"
        readonly property color surface: dark ? "#2b2d31" : "#ffffff"
        readonly property color primary: dark ? "#7aa7ff" : "#1f5fd1"
        readonly property color onPrimary: dark ? "#0b1b3a" : "#ffffff"
        readonly property color text: dark ? "#ececec" : "#1b1c1f"
        readonly property color secondaryText: dark ? "#b4b7bd" : "#595d66"
        readonly property color divider: dark ? "#3c3f45" : "#dcdfe4"
        readonly property color success: dark ? "#5fcf86" : "#1d7f3e"
        readonly property color warning: dark ? "#f0b95a" : "#8a5a00"
        readonly property color error: dark ? "#ff8a80" : "#b3261e"
    }

    readonly property bool onDashboard: controller.state === "connected" || controller.state === "registering"
                                        || ((controller.state === "reconnecting" || controller.state === "connecting")
                                            && controller.blocks.count > 0)

    ServerListPage {
        id: serverList
        anchors.fill: parent
        visible: !window.onDashboard
        colors: theme
    }

    DashboardPage {
        id: dashboard
        anchors.fill: parent
        visible: window.onDashboard
        colors: theme
    }

    // The server's notifications, one after the other, each for its duration.
    Rectangle {
        id: toast
        objectName: "toast"
        property string text: ""
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        width: Math.min(parent.width - 48, toastText.implicitWidth + 48)
        height: toastText.implicitHeight + 24
        radius: 8
        color: theme.text
        opacity: toastTimer.running ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: 160; easing.type: Easing.OutCubic } }

        Text {
            id: toastText
            objectName: "text_Toast"
            anchors.centerIn: parent
            width: Math.min(implicitWidth, window.width - 96)
            text: toast.text
            color: theme.background
            font.pixelSize: 14
            wrapMode: Text.Wrap
        }

        Timer { id: toastTimer }

        Connections {
            target: controller
            function onToast(text, duration) {
                toast.text = text
                toastTimer.interval = duration
                toastTimer.restart()
            }
        }
    }
}

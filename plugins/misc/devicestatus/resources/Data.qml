import QtQuick
import Qt5Compat.GraphicalEffects

// Whether the server still answers: every change of "Notify" marks it online; when no
// change came for more than "TimeoutSeconds" seconds it is offline.
Item {
    id: root

    implicitWidth: 128
    implicitHeight: 128

    property bool online: true
    property real lastChange: Date.now()
    // How often the time since the last change is checked.
    property int checkIntervalMs: 1000
    readonly property var notify: moduleData.Notify
    readonly property real timeoutSeconds: moduleParameters.TimeoutSeconds !== undefined ? moduleParameters.TimeoutSeconds : 20

    onNotifyChanged: {
        lastChange = Date.now()
        online = true
    }

    Timer {
        interval: root.checkIntervalMs
        repeat: true
        running: root.online
        onTriggered: {
            const seconds = (Date.now() - root.lastChange) / 1000
            if (seconds > root.timeoutSeconds) {
                console.log("Server offline for %1 seconds".arg(Math.round(seconds)))
                root.online = false
            }
        }
    }

    component StatusView: Item {
        id: view

        property string prefix
        property color themeColor
        property bool active

        readonly property int style: moduleParameters[prefix + "StatusStyle"] !== undefined ? moduleParameters[prefix + "StatusStyle"] : 0
        readonly property int colorType: moduleParameters[prefix + "StatusColorType"] !== undefined ? moduleParameters[prefix + "StatusColorType"] : 0
        readonly property int shape: moduleParameters[prefix + "StatusShape"] !== undefined ? moduleParameters[prefix + "StatusShape"] : 0
        readonly property color customColor: moduleParameters[prefix + "StatusColor"] !== undefined ? moduleParameters[prefix + "StatusColor"] : "black"
        readonly property bool pulse: moduleParameters[prefix + "StatusAnimation"] === 1
        readonly property string icon: moduleParameters[prefix + "StatusIcon"] !== undefined ? moduleParameters[prefix + "StatusIcon"] : ""
        readonly property bool animated: moduleParameters[prefix + "StatusIconIsAnimated"] === true
        readonly property color color: colorType === 1 ? customColor : themeColor

        anchors.fill: parent
        visible: active

        onActiveChanged: if (active && pulse) pulseAnimation.restart()

        Item {
            id: content
            anchors.fill: parent

            AnimatedImage {
                anchors.fill: parent
                visible: view.style === 0 && view.animated
                source: visible ? view.icon : ""
                fillMode: Image.PreserveAspectFit
            }
            Image {
                id: still
                anchors.fill: parent
                // Without a colour of the user's, the icon keeps its own colours.
                visible: view.style === 0 && !view.animated && view.colorType !== 1
                source: view.style === 0 && !view.animated ? view.icon : ""
                fillMode: Image.PreserveAspectFit
            }
            ColorOverlay {
                anchors.fill: still
                source: still
                visible: view.style === 0 && !view.animated && view.colorType === 1
                color: view.color
            }
            Rectangle {
                anchors.centerIn: parent
                visible: view.style === 1
                width: Math.min(parent.width, parent.height)
                height: width
                radius: view.shape === 0 ? width / 2 : 0
                color: view.color
            }
        }

        SequentialAnimation {
            id: pulseAnimation
            NumberAnimation { target: content; property: "scale"; from: 0.5; to: 1; duration: 200 }
            NumberAnimation { target: content; property: "scale"; from: 1; to: 0.5; duration: 800 }
            NumberAnimation { target: content; property: "scale"; from: 0.5; to: 1; duration: 200 }
            NumberAnimation { target: content; property: "scale"; from: 1; to: 0.5; duration: 800 }
            NumberAnimation { target: content; property: "scale"; from: 0.5; to: 1; duration: 200 }
        }
    }

    StatusView {
        objectName: "status_Online"
        prefix: "Online"
        themeColor: "#16a34a"
        active: root.online
    }
    StatusView {
        objectName: "status_Offline"
        prefix: "Offline"
        themeColor: "#dc2626"
        active: !root.online
    }
}

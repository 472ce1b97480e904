import QtQuick
import QtQuick.Window

// Invisible root: the splash while the main window loads in the background.
Item {
    id: root

    signal mainWindowLoaded()

    Window {
        id: splash
        objectName: "window_Splash"
        width: 480
        height: 270
        flags: Qt.FramelessWindowHint | Qt.Tool
        color: "#1f2a44"
        visible: false

        Column {
            anchors.centerIn: parent
            spacing: 12
            Image {
                anchors.horizontalCenter: parent.horizontalCenter
                source: "qrc:/icon/Images/Icon_systemtray.png"
                width: 64
                height: 64
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Tessivar"
                color: "white"
                font.family: "Roboto"
                font.pixelSize: 32
            }
        }

        Component.onCompleted: visible = Configuration.ShowSplashScreen
    }

    Loader {
        id: mainWindowLoader
        asynchronous: true
        source: "qrc:/UI/ServerApplicationWindow.qml"
        onLoaded: {
            item.objectName = "window_Main"
            root.mainWindowLoaded()
        }
    }
}

import QtQuick
import QtQuick.Window
import com.tessivar.widgets 1.0

// Invisible root: the splash while the main window loads in the background.
Item {
    id: root

    signal mainWindowLoaded()

    Window {
        id: splash
        objectName: "window_Splash"
        width: 480
        height: 280
        flags: Qt.FramelessWindowHint | Qt.Tool
        color: Theme.chrome
        visible: false

        // Decoded beside the main thread: the picture is large and the window's colour
        // stands in for it until it is ready.
        Image {
            anchors.fill: parent
            asynchronous: true
            source: splash.visible ? "qrc:/icon/Images/Image_splash.png" : ""
            // At the window's size: screens of twice the density take "Image_splash@2x.png".
            fillMode: Image.PreserveAspectCrop
            // Shown once: kept out of the picture cache, it goes with the splash.
            cache: false
        }
        Column {
            anchors { left: parent.left; bottom: parent.bottom; margins: 24 }
            spacing: 8
            Text {
                text: "Tessivar"
                color: Theme.chromeText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.headingSize
                font.weight: Font.Medium
            }
            Text {
                text: qsTr("Starting…")
                color: Theme.chromeText
                opacity: 0.72
                font.family: Theme.fontFamily
                font.pixelSize: Theme.bodySize
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

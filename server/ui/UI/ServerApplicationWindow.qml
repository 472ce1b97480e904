import QtQuick
import QtQuick.Window
import com.tessivar.widgets.private 1.0
import com.tessivar.widgets.server 1.0

// The main window: frameless, its own title bar.
Window {
    id: mainWindow

    signal moduleCreationRequested()

    width: 1200
    height: 800
    minimumWidth: 900
    minimumHeight: 600
    flags: Qt.Window | Qt.FramelessWindowHint
    title: "Tessivar"
    color: "#f4f6fa"
    visible: false

    // Brought to the front by toggling stay-on-top, which window managers honour.
    function raise() {
        mainWindow.flags = mainWindow.flags | Qt.WindowStaysOnTopHint
        mainWindow.flags = mainWindow.flags & ~Qt.WindowStaysOnTopHint
        mainWindow.requestActivate()
    }

    Rectangle {
        id: titleBar
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: 48
        color: "#1f2a44"

        DragHandler {
            target: null
            onActiveChanged: if (active) mainWindow.startSystemMove()
        }

        Text {
            anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
            text: "Tessivar " + Controller.getSoftwareVersion()
            color: "white"
            font.family: "Roboto"
            font.pixelSize: 18
        }

        Row {
            anchors { right: parent.right; rightMargin: 8; verticalCenter: parent.verticalCenter }
            spacing: 4
            TitleBarButton { objectName: "button_Minimize"; label: "\u2013"; onClicked: Controller.minimizeWindow() }
            TitleBarButton { objectName: "button_Close"; label: "\u2715"; onClicked: Controller.closeWindow() }
        }
    }

    ModuleSelectionWidget {
        id: moduleSelection
        objectName: "widget_ModuleSelection"
        anchors { left: parent.left; top: titleBar.bottom; bottom: parent.bottom }
    }

    ModuleEditionWidget {
        objectName: "widget_ModuleEdition"
        anchors { left: moduleSelection.right; right: parent.right; top: titleBar.bottom; bottom: parent.bottom }
    }

    ErrorWidget {
        objectName: "widget_Error"
        anchors.fill: parent
    }
}

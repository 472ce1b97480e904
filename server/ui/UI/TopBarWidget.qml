import QtQuick
import QtQuick.Window
import com.tessivar.helpers 1.0
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The title bar of the frameless window: name, version, drag area, minimise and close.
TopBarWidgetImpl {
    id: topBar

    property string versionText: ""

    implicitHeight: 48

    Rectangle {
        anchors.fill: parent
        color: Theme.chrome
    }

    // Dragging the bar moves the window with the mouse, never out of the virtual desktop.
    MouseArea {
        id: dragArea
        objectName: "area_WindowDrag"
        anchors.fill: parent
        property point grabOffset: Qt.point(0, 0)

        onPressed: {
            const window = topBar.Window.window
            const mouse = DesktopInformationProvider.absoluteMousePosition()
            if (window)
                grabOffset = Qt.point(mouse.x - window.x, mouse.y - window.y)
        }
        onPositionChanged: {
            const window = topBar.Window.window
            if (!pressed || !window)
                return
            const mouse = DesktopInformationProvider.absoluteMousePosition()
            const desktop = DesktopInformationProvider.virtualDesktopGeometry()
            const x = mouse.x - grabOffset.x
            const y = mouse.y - grabOffset.y
            window.x = Math.round(Math.max(desktop.x, Math.min(x, desktop.x + desktop.width - window.width)))
            window.y = Math.round(Math.max(desktop.y, Math.min(y, desktop.y + desktop.height - topBar.height)))
        }
    }

    Row {
        anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
        spacing: 8
        Image {
            anchors.verticalCenter: parent.verticalCenter
            source: "qrc:/icon/Images/Icon_systemtray.png"
            width: 24
            height: 24
            sourceSize: Qt.size(48, 48)
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "Tessivar"
            color: Theme.chromeText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.sectionSize
            font.weight: Font.Medium
        }
        Text {
            objectName: "text_Version"
            anchors.verticalCenter: parent.verticalCenter
            text: topBar.versionText
            color: Theme.chromeText
            opacity: 0.72
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
        }
    }

    Row {
        anchors { right: parent.right; rightMargin: 8; verticalCenter: parent.verticalCenter }
        spacing: 0
        TessivarIconButton {
            objectName: "button_Minimize"
            iconName: "minus"
            iconSize: 16
            iconColor: Theme.chromeText
            toolTipText: qsTr("Minimise")
            onClicked: topBar.minimizeButtonClicked()
        }
        TessivarIconButton {
            objectName: "button_Close"
            iconName: "close"
            iconSize: 16
            iconColor: Theme.chromeText
            toolTipText: qsTr("Close")
            onClicked: topBar.closeButtonClicked()
        }
    }
}

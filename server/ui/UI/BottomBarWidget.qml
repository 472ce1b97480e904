import QtQuick
import QtQuick.Window
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The status line: connected devices, the update offer, and the resize handle.
BottomBarWidgetImpl {
    id: bottomBar

    implicitHeight: 32

    // Counted from the device rows so that it follows each device's connection. Only the
    // devices being served count: not one that greeted and never registered, nor one
    // waiting for approval or refused.
    readonly property int connectedCount: {
        let count = 0
        for (let i = 0; i < connectedRows.count; ++i) {
            const row = connectedRows.itemAt(i)
            if (row && row.connected)
                ++count
        }
        return count
    }
    Repeater {
        id: connectedRows
        model: DeviceManagerModel
        delegate: Item {
            required property var model
            readonly property var device: model.display
            readonly property bool connected: device ? device.connected && device.registered
                                                       && !device.waitingForApproval && !device.refused : false
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.surface
        Rectangle { anchors { left: parent.left; right: parent.right; top: parent.top } height: 1; color: Theme.divider }
    }

    Row {
        anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
        spacing: 8
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 8
            height: 8
            radius: 4
            color: DeviceManagerModel && DeviceManagerModel.hasAtLeastOneConnectedDevice ? Theme.success : Theme.secondaryText
        }
        TessivarLabel {
            objectName: "text_ConnectionStatus"
            anchors.verticalCenter: parent.verticalCenter
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
            text: bottomBar.connectedCount === 1 ? qsTr("1 device is connected")
                : bottomBar.connectedCount > 1 ? qsTr("%1 devices are connected").arg(bottomBar.connectedCount)
                : qsTr("No device is connected: waiting for devices on the network")
            Accessible.role: Accessible.StatusBar
            Accessible.name: text
        }
    }

    // Built when a newer version is offered: most starts have none to offer.
    Loader {
        id: updateButton
        anchors { right: resizeHandle.left; rightMargin: 8; verticalCenter: parent.verticalCenter }
        active: bottomBar.updateAvailable
        source: "qrc:/UI/UpdateDownloadButton.qml"
        onLoaded: item.clicked.connect(bottomBar.updateDownloadButtonClicked)
    }
    Binding {
        target: updateButton.item
        property: "version"
        value: bottomBar.availableVersion
        when: updateButton.item !== null
    }

    TessivarIcon {
        id: resizeHandle
        objectName: "handle_Resize"
        Accessible.role: Accessible.Grip
        Accessible.name: qsTr("Resize the window")
        anchors { right: parent.right; bottom: parent.bottom; margins: 4 }
        width: 16
        height: 16
        size: 16
        name: "resize"
        color: Theme.secondaryText
        DragHandler {
            target: null
            cursorShape: Qt.SizeFDiagCursor
            onActiveChanged: if (active && bottomBar.Window.window)
                                 bottomBar.Window.window.startSystemResize(Qt.RightEdge | Qt.BottomEdge)
        }
        HoverHandler { cursorShape: Qt.SizeFDiagCursor }
    }
}

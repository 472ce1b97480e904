import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0
import com.tessivar.widgets.private 1.0

// The devices the server knows: state, name, address, version; logs and settings
// download, dashboard export and import, and removal on each row (on hover, in the context menu and by keyboard);
// Approve and Refuse on a device waiting for approval;
// a device added by its address.
DeviceListWidgetImpl {
    id: deviceList

    implicitHeight: column.implicitHeight
    implicitWidth: 480

    Column {
        id: column
        width: parent.width
        spacing: Theme.gap

        Repeater {
            id: rows
            model: DeviceManagerModel
            delegate: Rectangle {
                id: row
                required property var model
                required property int index
                readonly property var device: model.display
                readonly property string deviceId: device ? device.id : ""
                readonly property bool waiting: device ? device.waitingForApproval : false
                readonly property bool refused: device ? device.refused : false
                readonly property bool connected: device ? device.connected : false
                readonly property string displayName: !device ? ""
                    : device.name !== "" ? device.name : qsTr("Device at %1").arg(device.address)
                readonly property string stateText: !device ? ""
                    : waiting ? qsTr("Waiting for approval")
                    : refused ? qsTr("Refused")
                    : device.connected ? qsTr("Connected")
                    : device.registered || device.known ? qsTr("Known, not connected")
                    : qsTr("Waiting for an answer")

                objectName: "deviceRow_" + index
                Accessible.role: Accessible.ListItem
                Accessible.name: displayName
                Accessible.description: stateText
                Accessible.onPressAction: information.openFor(row.device)
                width: column.width
                height: Theme.rowHeight
                radius: Theme.radius
                color: rowHover.hovered || row.activeFocus ? Theme.hover : Theme.surface
                border.color: row.activeFocus ? Theme.primary : Theme.divider
                border.width: row.activeFocus ? 2 : 1
                activeFocusOnTab: true

                HoverHandler { id: rowHover }
                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: contextMenu.popup()
                }
                TapHandler {
                    acceptedButtons: Qt.LeftButton
                    onTapped: information.openFor(row.device)
                }
                Keys.onMenuPressed: contextMenu.popup(row, 16, row.height)
                Keys.onReturnPressed: information.openFor(row.device)
                Keys.onDeletePressed: confirmRemove.openFor(row.device)

                Rectangle {
                    id: dot
                    anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
                    width: 10
                    height: 10
                    radius: 5
                    color: !row.device ? Theme.secondaryText
                         : row.waiting ? Theme.warning
                         : row.refused ? Theme.error
                         : row.device.connected ? Theme.success
                         : row.device.registered || row.device.known ? Theme.secondaryText : Theme.warning
                    ToolTip.visible: dotHover.hovered
                    ToolTip.text: row.stateText
                    HoverHandler { id: dotHover }
                }
                Column {
                    anchors { left: dot.right; leftMargin: 16; right: approval.left; rightMargin: 8; verticalCenter: parent.verticalCenter }
                    TessivarLabel {
                        objectName: "text_DeviceName"
                        width: parent.width
                        text: row.displayName
                        font.weight: Font.Medium
                    }
                    TessivarLabel {
                        width: parent.width
                        font.pixelSize: Theme.captionSize
                        color: Theme.secondaryText
                        text: row.device ? "%1 · %2 · %3".arg(row.device.address !== "" ? row.device.address : qsTr("no address"))
                                                        .arg(qsTr("version %1").arg(row.device.version))
                                                        .arg(row.stateText) : ""
                    }
                }
                // A decision is always in view while it is awaited; a refused device can
                // still be approved later.
                Row {
                    id: approval
                    anchors { right: actions.left; rightMargin: 8; verticalCenter: parent.verticalCenter }
                    spacing: 8
                    visible: row.waiting || row.refused
                    width: visible ? implicitWidth : 0
                    TessivarButton {
                        objectName: "button_ApproveDevice_" + row.deviceId
                        text: qsTr("Approve")
                        primary: row.waiting
                        ToolTip.visible: hovered || visualFocus
                        ToolTip.text: qsTr("Serve this device: it may register and show dashboards")
                        onClicked: DeviceManagerModel.approveDevice(row.deviceId)
                    }
                    TessivarButton {
                        objectName: "button_RefuseDevice_" + row.deviceId
                        visible: row.waiting
                        text: qsTr("Refuse")
                        destructive: true
                        ToolTip.visible: hovered || visualFocus
                        ToolTip.text: qsTr("Ignore everything this device sends")
                        onClicked: DeviceManagerModel.refuseDevice(row.deviceId)
                    }
                }
                Row {
                    id: actions
                    anchors { right: parent.right; rightMargin: 8; verticalCenter: parent.verticalCenter }
                    opacity: rowHover.hovered || row.activeFocus ? 1 : 0
                    Behavior on opacity { NumberAnimation { duration: Theme.duration } }
                    TessivarIconButton {
                        objectName: "button_DownloadLogs"
                        iconName: "download"
                        iconSize: Theme.iconRow
                        enabled: row.device ? row.device.connected : false
                        toolTipText: qsTr("Download the device's logs")
                        onClicked: deviceList.downloadLogsRequested(row.deviceId)
                    }
                    TessivarIconButton {
                        objectName: "button_DownloadSettings"
                        iconName: "settings"
                        iconSize: Theme.iconRow
                        enabled: row.device ? row.device.connected : false
                        toolTipText: qsTr("Download the device's settings")
                        onClicked: deviceList.downloadSettingsRequested(row.deviceId)
                    }
                    TessivarIconButton {
                        objectName: "button_ExportDashboard"
                        iconName: "blocks"
                        iconSize: Theme.iconRow
                        enabled: row.connected
                        toolTipText: qsTr("Save the device's dashboard to a file")
                        onClicked: Controller.requestDashboardExport(row.deviceId)
                    }
                    // The download arrow turned upwards: a file goes onto the device.
                    TessivarIconButton {
                        objectName: "button_ImportDashboard"
                        iconName: "download"
                        iconSize: Theme.iconRow
                        rotation: 180
                        enabled: row.connected
                        toolTipText: qsTr("Load a dashboard file onto the device")
                        onClicked: Controller.requestDashboardImport(row.deviceId)
                    }
                    TessivarIconButton {
                        objectName: "button_RemoveDevice"
                        iconName: "delete"
                        iconSize: Theme.iconRow
                        iconColor: Theme.error
                        toolTipText: qsTr("Forget this device")
                        onClicked: confirmRemove.openFor(row.device)
                    }
                }

                Menu {
                    id: contextMenu
                    MenuItem {
                        objectName: "menuItem_DeviceDetails"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Details")
                        onTriggered: information.openFor(row.device)
                    }
                    MenuItem {
                        objectName: "menuItem_ApproveDevice"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Approve")
                        visible: row.waiting || row.refused
                        height: visible ? implicitHeight : 0
                        onTriggered: DeviceManagerModel.approveDevice(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_RefuseDevice"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Refuse")
                        visible: row.waiting
                        height: visible ? implicitHeight : 0
                        onTriggered: DeviceManagerModel.refuseDevice(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_DownloadLogs"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Download logs")
                        enabled: row.device ? row.device.connected : false
                        onTriggered: deviceList.downloadLogsRequested(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_DownloadSettings"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Download settings")
                        enabled: row.device ? row.device.connected : false
                        onTriggered: deviceList.downloadSettingsRequested(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_ExportDashboard"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Save dashboard…")
                        enabled: row.connected
                        onTriggered: Controller.requestDashboardExport(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_ImportDashboard"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Load dashboard…")
                        enabled: row.connected
                        onTriggered: Controller.requestDashboardImport(row.deviceId)
                    }
                    MenuItem {
                        objectName: "menuItem_RemoveDevice"
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: text
                        Accessible.onPressAction: if (enabled) triggered()
                        text: qsTr("Forget…")
                        onTriggered: confirmRemove.openFor(row.device)
                    }
                }
            }
        }

        TessivarLabel {
            objectName: "emptyState_Devices"
            width: parent.width
            visible: rows.count === 0
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            text: qsTr("No devices yet. Open Tessivar on a phone or tablet on this network, or add one by its address below.")
        }

        Item { width: 1; height: Theme.gap }
        Row {
            spacing: Theme.gap
            height: 40
            TessivarTextField {
                id: addressField
                objectName: "textField_DeviceAddress"
                width: 240
                label: qsTr("Device address")
                placeholderText: qsTr("Address, e.g. 192.168.1.20")
                onAccepted: addButton.clicked()
            }
            TessivarButton {
                id: addButton
                objectName: "button_AddDevice"
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Add device")
                enabled: addressField.text.trim() !== ""
                onClicked: {
                    Controller.addDevice(addressField.text.trim())
                    addressField.text = ""
                }
            }
        }
    }

    DeviceInformationWidget {
        id: information
        objectName: "popup_DeviceInformation"
    }

    TessivarPopup {
        id: confirmRemove
        objectName: "popup_ConfirmRemoveDevice"
        property string deviceId: ""
        property string deviceName: ""
        function openFor(device) {
            if (!device)
                return
            deviceId = device.id
            deviceName = device.name !== "" ? device.name : device.address
            open()
        }
        title: qsTr("Forget “%1”?").arg(deviceName)
        TessivarLabel {
            width: parent.width
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            text: qsTr("Tessivar stops talking to it until it announces itself again.")
        }
        buttons: [
            TessivarButton { objectName: "button_RemoveCancel"; text: qsTr("Keep"); onClicked: confirmRemove.close() },
            TessivarButton {
                objectName: "button_RemoveConfirm"
                text: qsTr("Forget")
                primary: true
                destructive: true
                onClicked: {
                    confirmRemove.close()
                    deviceList.removeDeviceRequested(confirmRemove.deviceId)
                }
            }
        ]
    }
}

import QtQuick
import com.tessivar.widgets 1.0

// The details of one device.
TessivarPopup {
    id: popup

    property var device: null

    function openFor(device) {
        popup.device = device
        open()
    }

    title: device && device.name !== "" ? device.name : qsTr("Device")

    Grid {
        columns: 2
        columnSpacing: Theme.margin
        rowSpacing: Theme.gap
        TessivarLabel { text: qsTr("State"); color: Theme.secondaryText }
        TessivarLabel {
            text: !popup.device ? "" : popup.device.connected ? qsTr("Connected")
                  : popup.device.registered ? qsTr("Registered, not connected") : qsTr("Not registered")
        }
        TessivarLabel { text: qsTr("Address"); color: Theme.secondaryText }
        TessivarLabel { text: popup.device ? popup.device.address : "" }
        TessivarLabel { text: qsTr("Version"); color: Theme.secondaryText }
        TessivarLabel { text: popup.device ? popup.device.version : "" }
        TessivarLabel { text: qsTr("Identifier"); color: Theme.secondaryText }
        TessivarLabel { text: popup.device ? popup.device.id : ""; font.pixelSize: Theme.captionSize }
    }
    buttons: [
        TessivarButton { objectName: "button_DeviceInformationClose"; text: qsTr("Close"); onClicked: popup.close() }
    ]
}

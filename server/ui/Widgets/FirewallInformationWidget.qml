import QtQuick
import com.tessivar.widgets 1.0

// Shown when the firewall may block the devices: offers to add the exception.
TessivarPopup {
    id: popup

    title: qsTr("Devices may not reach Tessivar")

    TessivarLabel {
        width: parent.width
        wrapMode: Text.Wrap
        text: qsTr("The firewall of this computer does not let Tessivar's traffic through, so phones and tablets may not find it. Adding an exception needs administrator rights once.")
    }
    buttons: [
        TessivarButton {
            objectName: "button_FirewallIgnore"
            text: qsTr("Don't ask again")
            onClicked: {
                Configuration.IgnoreFirewall = true
                popup.close()
            }
        },
        TessivarButton {
            objectName: "button_FirewallLater"
            text: qsTr("Later")
            onClicked: popup.close()
        },
        TessivarButton {
            objectName: "button_FirewallAdd"
            primary: true
            text: qsTr("Add exception")
            onClicked: {
                popup.close()
                Controller.addApplicationFirewallException()
            }
        }
    ]
}

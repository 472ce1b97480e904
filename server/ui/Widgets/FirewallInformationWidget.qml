import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// Shown when the firewall may block the devices: offers to add the exception, and
// closes itself once the exception is in place.
TessivarPopup {
    id: popup

    // How often the firewall is asked again while the popup is shown.
    property int checkIntervalMs: 5000
    function checkException() {
        if (Controller.applicationHasFirewallException())
            popup.close()
    }

    objectName: "popup_FirewallInformation"
    title: qsTr("Firewall Information")

    Timer {
        objectName: "timer_FirewallCheck"
        interval: popup.checkIntervalMs
        repeat: true
        running: popup.visible
        onTriggered: popup.checkException()
    }

    lazyContent: Component {
        Column {
            spacing: Theme.gap
            TessivarLabel {
                objectName: "text_FirewallBlocking"
                width: parent.width
                wrapMode: Text.Wrap
                // Named after the firewall the user has: only Windows has "the Windows firewall".
                text: Qt.platform.os === "windows" ? qsTr("The Windows firewall seems to be blocking the application.")
                                                   : qsTr("The firewall seems to be blocking the application.")
            }
            TessivarLabel {
                width: parent.width
                wrapMode: Text.Wrap
                color: Theme.secondaryText
                text: qsTr("Phones and tablets may not find Tessivar. Adding an exception needs administrator rights once.")
            }
        }
    }
    lazyButtons: Component {
        Row {
            spacing: Theme.gap
            TessivarButton {
                objectName: "button_FirewallIgnore"
                text: qsTr("Ignore")
                Accessible.description: ignoreTip.text
                ToolTip {
                    id: ignoreTip
                    visible: parent.hovered
                    delay: 500
                    text: qsTr("Do not ask again")
                }
                onClicked: {
                    Configuration.IgnoreFirewall = true
                    popup.close()
                }
            }
            TessivarButton {
                objectName: "button_FirewallLater"
                text: qsTr("Close")
                onClicked: popup.close()
            }
            TessivarButton {
                objectName: "button_FirewallAdd"
                primary: true
                text: qsTr("Add Firewall Exception")
                onClicked: {
                    Controller.addApplicationFirewallException()
                    popup.close()
                }
            }
        }
    }
}

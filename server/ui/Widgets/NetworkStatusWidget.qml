import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.server 1.0

// The network page: how devices reach this computer (its name, port and addresses)
// and the devices.
TessivarPage {
    id: page

    readonly property var status: typeof NetworkStatus !== "undefined" ? NetworkStatus : null
    readonly property var interfaces: status ? status.Interfaces : null
    readonly property var firewall: status ? status.Firewall : null
    // "checking", "allowed", "blocked", or "unknown" when this user may not read the rules.
    readonly property string firewallState: firewall ? firewall.State : "allowed"
    readonly property bool firewallAllows: firewallState === "allowed"
    readonly property string openPortCommand: firewall ? firewall.OpenPortCommand : ""

    // How often the interfaces and the firewall are read again while the page is shown.
    property int refreshIntervalMs: 5000
    function refreshStatus() {
        if (page.interfaces)
            page.interfaces.updateInterfaces()
        if (page.firewall)
            page.firewall.refresh()
    }

    title: qsTr("Network")
    visible: false
    onCloseRequested: page.visible = false
    onVisibleChanged: if (visible) refreshStatus()

    Timer {
        objectName: "timer_NetworkRefresh"
        interval: page.refreshIntervalMs
        repeat: true
        running: page.visible
        onTriggered: page.refreshStatus()
    }

    deferredContent: Component {
        Column {
            spacing: Theme.groupGap
            Column {
                width: page.contentWidth
                spacing: Theme.gap
                TessivarLabel { text: qsTr("This computer"); font.pixelSize: Theme.sectionSize; font.weight: Font.Medium; color: Theme.primary }
                TessivarLabel {
                    objectName: "text_LocalDevice"
                    text: qsTr("%1, port %2").arg(Configuration.DeviceName).arg(Configuration.Port)
                }
                Repeater {
                    id: interfaceRows
                    model: page.interfaces
                    delegate: Row {
                        id: interfaceRow
                        required property var model
                        required property int index
                        readonly property var networkInterface: model.display
                        readonly property string addressText: networkInterface && networkInterface.IpAddresses.length > 0
                                                              ? networkInterface.IpAddresses.join(", ") : qsTr("no IP address")
                        readonly property string rowText: networkInterface
                            ? "%1 · %2%3%4".arg(networkInterface.InterfaceName).arg(addressText)
                                           .arg(networkInterface.IsWifi ? " · " + qsTr("Wi-Fi") : "")
                                           .arg(networkInterface.Active ? "" : " · " + qsTr("down"))
                            : ""
                        objectName: "row_NetworkInterface_" + index
                        spacing: Theme.gap
                        Accessible.role: Accessible.ListItem
                        Accessible.name: rowText
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 8
                            height: 8
                            radius: 4
                            color: interfaceRow.networkInterface && interfaceRow.networkInterface.Active ? Theme.success : Theme.secondaryText
                        }
                        TessivarLabel {
                            objectName: "text_NetworkInterface_" + interfaceRow.index
                            text: interfaceRow.rowText
                        }
                    }
                }
                TessivarLabel {
                    objectName: "text_NoNetwork"
                    visible: interfaceRows.count === 0
                    color: Theme.secondaryText
                    text: qsTr("No network connection found: devices cannot reach this computer.")
                }
            }

            Column {
                width: page.contentWidth
                spacing: Theme.gap
                visible: page.firewall !== null && page.firewall !== undefined
                TessivarLabel { text: qsTr("Firewall"); font.pixelSize: Theme.sectionSize; font.weight: Font.Medium; color: Theme.primary }
                Row {
                    spacing: Theme.gap
                    Rectangle {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 8
                        height: 8
                        radius: 4
                        color: page.firewallAllows ? Theme.success
                                                   : page.firewallState === "checking" ? Theme.secondaryText : Theme.warning
                    }
                    TessivarLabel {
                        objectName: "text_FirewallState"
                        anchors.verticalCenter: parent.verticalCenter
                        text: {
                            switch (page.firewallState) {
                            case "allowed": return qsTr("The firewall lets devices reach Tessivar.")
                            case "checking": return qsTr("Checking the firewall…")
                            case "unknown": return qsTr("The firewall could not be checked: its rules can only be read with administrator rights.")
                            }
                            return qsTr("The firewall may keep devices from reaching Tessivar.")
                        }
                    }
                }
                // What to run by hand where the program cannot tell, or to open the port without it.
                Column {
                    width: parent.width
                    spacing: Theme.gap
                    visible: page.openPortCommand !== "" && (page.firewallState === "unknown" || page.firewallState === "blocked")
                    TessivarLabel {
                        width: parent.width
                        wrapMode: Text.Wrap
                        color: Theme.secondaryText
                        text: qsTr("To let devices reach Tessivar, open port %1 for TCP and UDP with this command:").arg(Configuration.Port)
                    }
                    Row {
                        spacing: Theme.gap
                        TessivarTextField {
                            id: openPortField
                            objectName: "text_FirewallOpenPortCommand"
                            width: page.contentWidth - copyButton.width - Theme.gap
                            readOnly: true
                            // The start of the command is what tells it apart.
                            onTextChanged: cursorPosition = 0
                            font.family: "monospace"
                            label: qsTr("Command to open the port")
                            text: page.openPortCommand
                        }
                        TessivarButton {
                            id: copyButton
                            objectName: "button_FirewallCopyCommand"
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Copy")
                            onClicked: {
                                openPortField.selectAll()
                                openPortField.copy()
                                openPortField.deselect()
                            }
                        }
                    }
                }
                Row {
                    spacing: Theme.gap
                    TessivarButton {
                        objectName: "button_FirewallAddException"
                        visible: page.firewallState === "blocked" || page.firewallState === "unknown"
                        primary: true
                        text: qsTr("Add exception")
                        onClicked: {
                            Controller.addApplicationFirewallException()
                            page.refreshStatus()
                        }
                    }
                    TessivarButton {
                        objectName: "button_FirewallRefresh"
                        text: qsTr("Check again")
                        onClicked: page.refreshStatus()
                    }
                }
            }

            Column {
                width: page.contentWidth
                spacing: Theme.gap
                TessivarLabel { text: qsTr("Devices"); font.pixelSize: Theme.sectionSize; font.weight: Font.Medium; color: Theme.primary }
                DeviceListWidget {
                    objectName: "widget_DeviceList"
                    width: page.contentWidth
                    height: implicitHeight
                }
            }
        }
    }
}

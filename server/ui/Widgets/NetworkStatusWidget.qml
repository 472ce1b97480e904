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
    // Allowed when every profile the firewall requires lets both protocols in.
    function profileAllowed(required, key) {
        if (!required)
            return true
        return firewall.Tcp !== null && firewall.Udp !== null && firewall.Tcp[key] && firewall.Udp[key]
    }
    readonly property bool firewallAllows: firewall
        ? profileAllowed(firewall.PublicRequired, "PublicAllowed") && profileAllowed(firewall.PrivateRequired, "PrivateAllowed")
          && profileAllowed(firewall.DomainRequired, "DomainAllowed")
        : true

    title: qsTr("Network")
    visible: false
    onCloseRequested: page.visible = false

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
                required property var model
                readonly property var networkInterface: model.display
                spacing: Theme.gap
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: parent.networkInterface && parent.networkInterface.Active ? Theme.success : Theme.secondaryText
                }
                TessivarLabel {
                    text: parent.networkInterface
                          ? "%1 · %2%3".arg(parent.networkInterface.InterfaceName)
                                        .arg(parent.networkInterface.IpAddress !== "" ? parent.networkInterface.IpAddress : qsTr("no IPv4 address"))
                                        .arg(parent.networkInterface.IsWifi ? " · " + qsTr("Wi-Fi") : "")
                          : ""
                }
            }
        }
        TessivarLabel {
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
                color: page.firewallAllows ? Theme.success : Theme.warning
            }
            TessivarLabel {
                objectName: "text_FirewallState"
                anchors.verticalCenter: parent.verticalCenter
                text: page.firewallAllows ? qsTr("The firewall lets devices reach Tessivar.")
                                          : qsTr("The firewall may keep devices from reaching Tessivar.")
            }
        }
        Row {
            spacing: Theme.gap
            TessivarButton {
                objectName: "button_FirewallAddException"
                visible: !page.firewallAllows
                primary: true
                text: qsTr("Add exception")
                onClicked: Controller.addApplicationFirewallException()
            }
            TessivarButton {
                objectName: "button_FirewallRefresh"
                text: qsTr("Check again")
                onClicked: page.firewall.refresh()
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

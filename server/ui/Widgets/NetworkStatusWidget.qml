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

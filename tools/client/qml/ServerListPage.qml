import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The servers heard on the network, and a field for one that is not heard.
Item {
    id: page
    property QtObject colors

    readonly property string statusText: controller.state === "connecting" ? qsTr("Connecting to %1...").arg(controller.serverAddress)
                                       : controller.state === "reconnecting" ? qsTr("%1 is not answering; trying again...").arg(controller.serverAddress)
                                       : controller.state === "registering" ? qsTr("Registering with %1...").arg(controller.serverAddress)
                                       : ""

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 16

        Text {
            objectName: "text_ServerListTitle"
            text: qsTr("Choose a Tessivar server")
            font.pixelSize: 24
            font.weight: Font.Medium
            color: page.colors.text
        }

        Text {
            objectName: "text_ConnectionStatus"
            visible: text !== ""
            text: page.statusText
            font.pixelSize: 14
            color: page.colors.secondaryText
        }

        ListView {
            id: servers
            objectName: "list_Servers"
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 8
            clip: true
            model: controller.servers
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Servers")

            delegate: Rectangle {
                id: row
                required property int index
                required property string name
                required property string address
                required property int port
                objectName: "serverRow_" + index
                width: servers.width
                height: 56
                radius: 8
                color: page.colors.surface
                border.color: connectButton.activeFocus ? page.colors.primary : page.colors.divider
                Accessible.role: Accessible.ListItem
                Accessible.name: row.name + " " + row.address

                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 16
                    anchors.rightMargin: 16
                    spacing: 16
                    Text {
                        text: row.name
                        font.pixelSize: 14
                        font.weight: Font.Medium
                        color: page.colors.text
                        Layout.fillWidth: true
                        elide: Text.ElideRight
                    }
                    Text {
                        text: row.address + ":" + row.port
                        font.pixelSize: 14
                        color: page.colors.secondaryText
                    }
                    ClientButton {
                        id: connectButton
                        objectName: "button_Connect_" + row.index
                        text: qsTr("Connect")
                        Accessible.name: qsTr("Connect to %1").arg(row.name)
                        Accessible.role: Accessible.Button
                        onClicked: controller.connectTo(row.address, row.port)
                    }
                }
            }

            Text {
                anchors.centerIn: parent
                width: parent.width - 48
                visible: servers.count === 0
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: qsTr("No server heard yet. Start Tessivar on a PC of this network, or type its address below.")
                font.pixelSize: 14
                color: page.colors.secondaryText
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            TextField {
                id: addressField
                objectName: "field_ServerAddress"
                Layout.fillWidth: true
                placeholderText: qsTr("Address, as 192.168.1.20 or host:20948")
                Accessible.name: qsTr("Server address")
                Accessible.role: Accessible.EditableText
                onAccepted: connectTyped.clicked()
            }
            ClientButton {
                id: connectTyped
                objectName: "button_ConnectTyped"
                text: qsTr("Connect")
                enabled: addressField.text.trim() !== ""
                Accessible.name: qsTr("Connect to the typed address")
                Accessible.role: Accessible.Button
                onClicked: {
                    const parts = addressField.text.trim().split(":")
                    controller.connectTo(parts[0], parts.length > 1 ? parseInt(parts[1]) : 20948)
                }
            }
        }
    }
}

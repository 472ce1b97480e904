import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The dashboard: its profiles as tabs, and on the chosen one the blocks in their cells.
// In edit mode blocks are moved and resized on the grid and removed, profiles added
// and renamed; every change is stored at once.
Item {
    id: page
    property QtObject colors
    property bool editing: false
    readonly property var blockModel: controller.blocks

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            TabBar {
                id: profileTabs
                objectName: "tabBar_Profiles"
                Layout.fillWidth: true
                Accessible.name: qsTr("Profiles")
                currentIndex: Math.max(0, page.blockModel.profiles.indexOf(controller.currentProfile))
                Repeater {
                    model: page.blockModel.profiles
                    TabButton {
                        required property string modelData
                        required property int index
                        objectName: "tab_Profile_" + index
                        text: modelData
                        width: implicitWidth
                        Accessible.name: modelData
                        Accessible.role: Accessible.PageTab
                        // TabButton, like Button, ignores an assistive tool's press by itself.
                        Accessible.onPressAction: if (enabled) clicked()
                        onClicked: controller.currentProfile = modelData
                    }
                }
            }

            Text {
                objectName: "text_ServerState"
                text: controller.state === "connected" ? controller.serverName
                      : qsTr("Reconnecting to %1...").arg(controller.serverAddress)
                color: controller.state === "connected" ? page.colors.secondaryText : page.colors.warning
                font.pixelSize: 12
            }

            ClientButton {
                objectName: "button_AddProfile"
                visible: page.editing
                text: qsTr("Add profile")
                Accessible.name: text
                Accessible.role: Accessible.Button
                onClicked: { profileDialog.renaming = ""; profileNameField.text = ""; profileDialog.open() }
            }
            ClientButton {
                objectName: "button_RenameProfile"
                visible: page.editing
                text: qsTr("Rename profile")
                Accessible.name: text
                Accessible.role: Accessible.Button
                onClicked: {
                    profileDialog.renaming = controller.currentProfile
                    profileNameField.text = controller.currentProfile
                    profileDialog.open()
                }
            }
            ClientButton {
                objectName: "button_EditMode"
                text: page.editing ? qsTr("Done") : qsTr("Edit")
                // Not checkable: an assistive tool's toggle would flip `checked` without a
                // click and leave the page where it was.
                highlighted: page.editing
                Accessible.name: page.editing ? qsTr("Leave edit mode") : qsTr("Edit the dashboard")
                Accessible.role: Accessible.Button
                onClicked: page.editing = !page.editing
            }
            ClientButton {
                objectName: "button_Servers"
                text: qsTr("Servers")
                Accessible.name: qsTr("Choose another server")
                Accessible.role: Accessible.Button
                onClicked: controller.disconnectFromServer()
            }
        }

        Flickable {
            id: flick
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: width
            contentHeight: grid.height

            Item {
                id: grid
                objectName: "grid_Blocks"
                readonly property real cellWidth: flick.width / page.blockModel.columns
                readonly property real cellHeight: Math.max(96, Math.min(cellWidth * 0.6, 240))
                property int rows: 1
                width: flick.width
                height: Math.max(flick.height, rows * cellHeight)

                Repeater {
                    id: blockRepeater
                    model: page.blockModel
                    BlockItem {
                        colors: page.colors
                        editing: page.editing
                        cellWidth: grid.cellWidth
                        cellHeight: grid.cellHeight
                        onRemoveAsked: (blockId, title) => {
                            removeDialog.blockId = blockId
                            removeDialog.blockTitle = title
                            removeDialog.open()
                        }
                        Component.onCompleted: grid.rows = Math.max(grid.rows, cell.y + cell.height)
                        onCellChanged: grid.rows = Math.max(grid.rows, cell.y + cell.height)
                    }
                }

                Text {
                    anchors.centerIn: parent
                    width: parent.width - 48
                    objectName: "text_EmptyProfile"
                    visible: page.blockModel.count >= 0 && page.blockModel.countOn(controller.currentProfile) === 0
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: qsTr("No blocks yet. Place one on this device in Tessivar on the PC.")
                    font.pixelSize: 14
                    color: page.colors.secondaryText
                }
            }
        }
    }

    Dialog {
        id: removeDialog
        objectName: "dialog_RemoveBlock"
        property int blockId: 0
        property string blockTitle: ""
        anchors.centerIn: parent
        width: 420
        modal: true
        title: qsTr("Remove block")
        Label {
            objectName: "text_RemoveBlockQuestion"
            width: parent ? parent.width : 360
            wrapMode: Text.Wrap
            text: qsTr("Remove \"%1\" from this dashboard? The server forgets it too.").arg(removeDialog.blockTitle)
        }
        footer: DialogButtonBox {
            ClientButton {
                objectName: "button_RemoveBlockConfirm"
                text: qsTr("Remove")
                Accessible.name: qsTr("Remove %1").arg(removeDialog.blockTitle)
                Accessible.role: Accessible.Button
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
            ClientButton {
                objectName: "button_RemoveBlockCancel"
                text: qsTr("Keep")
                Accessible.name: qsTr("Keep %1").arg(removeDialog.blockTitle)
                Accessible.role: Accessible.Button
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
        onAccepted: controller.removeBlock(blockId)
    }

    Dialog {
        id: profileDialog
        objectName: "dialog_ProfileName"
        property string renaming: ""
        anchors.centerIn: parent
        width: 360
        modal: true
        title: renaming === "" ? qsTr("Add profile") : qsTr("Rename profile")
        footer: DialogButtonBox {
            ClientButton {
                objectName: "button_ProfileNameAccept"
                text: qsTr("OK")
                Accessible.name: profileDialog.title
                Accessible.role: Accessible.Button
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
            ClientButton {
                objectName: "button_ProfileNameCancel"
                text: qsTr("Cancel")
                Accessible.name: qsTr("Cancel")
                Accessible.role: Accessible.Button
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
        TextField {
            id: profileNameField
            objectName: "field_ProfileName"
            width: parent ? parent.width : 280
            placeholderText: qsTr("Profile name")
            Accessible.name: qsTr("Profile name")
            Accessible.role: Accessible.EditableText
            onAccepted: profileDialog.accept()
        }
        onAccepted: {
            const name = profileNameField.text.trim()
            if (renaming === "") {
                if (page.blockModel.addProfile(name))
                    controller.currentProfile = name
            } else if (page.blockModel.renameProfile(renaming, name)) {
                controller.currentProfile = name
            }
        }
    }
}

import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0
import com.tessivar.widgets.private 1.0

// The blocks placed on devices: title, module, device, live state; edit, information
// and delete on each row (delete asks once).
ModuleListWidgetImpl {
    id: listWidget

    signal addRequested()

    ListView {
        id: list
        objectName: "list_Modules"
        anchors { fill: parent; margins: Theme.margin }
        model: listWidget.moduleList
        spacing: Theme.gap
        clip: true
        keyNavigationEnabled: true
        activeFocusOnTab: count > 0
        boundsBehavior: Flickable.StopAtBounds

        delegate: Rectangle {
            id: row
            required property var model
            required property int index
            readonly property var block: model.display
            // Looked up again whenever devices come and go: a forgotten device's model
            // is gone, and a device that returns brings a new one.
            readonly property var device: block && DeviceManagerModel.deviceCount >= 0
                                          ? DeviceManagerModel.GetPossibleUnknownDevice(block.deviceId) : null
            readonly property string deviceName: device && device.name ? device.name : ""
            // Live only while the block's device is here, connected and registered.
            readonly property bool live: block !== null && block.connected && device !== null
                                         && device.connected === true && device.registered === true
            readonly property string title: block ? block.displayName : ""
            readonly property string moduleName: block && block.metaData ? block.metaData.name : ""

            objectName: "moduleRow_" + index
            Accessible.role: Accessible.ListItem
            Accessible.name: title !== "" ? title : (moduleName !== "" ? moduleName : qsTr("Untitled block"))
            Accessible.description: details.text
            Accessible.onPressAction: if (row.block) listWidget.moduleList.modifyModuleFromWidget(row.block)
            width: list.width
            height: Theme.rowHeight + 8
            radius: Theme.radius
            color: rowHover.hovered || ListView.isCurrentItem && list.activeFocus ? Theme.hover : Theme.surface
            border.color: ListView.isCurrentItem && list.activeFocus ? Theme.primary : Theme.divider

            HoverHandler { id: rowHover }
            Keys.onDeletePressed: listWidget.confirmDelete(row.block, row.title)
            Keys.onReturnPressed: if (row.block) listWidget.moduleList.modifyModuleFromWidget(row.block)

            Rectangle {
                id: moduleIcon
                anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
                width: 40
                height: 40
                radius: Theme.radius
                color: Theme.surfaceRaised
                Image {
                    id: iconImage
                    anchors.centerIn: parent
                    width: 32
                    height: 32
                    sourceSize: Qt.size(64, 64)
                    fillMode: Image.PreserveAspectFit
                    source: row.block && row.block.metaData ? row.block.metaData.icon : ""
                }
                // A module without an icon of its own shows the block sign.
                TessivarIcon {
                    anchors.centerIn: parent
                    visible: iconImage.status !== Image.Ready
                    name: "blocks"
                    color: Theme.secondaryText
                }
            }
            Column {
                anchors { left: moduleIcon.right; leftMargin: 16; right: actions.left; rightMargin: 16; verticalCenter: parent.verticalCenter }
                spacing: 2
                TessivarLabel {
                    objectName: "text_ModuleTitle"
                    width: parent.width
                    text: row.title !== "" ? row.title : qsTr("Untitled block")
                    font.weight: Font.Medium
                }
                Row {
                    spacing: 8
                    Rectangle {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 8
                        height: 8
                        radius: 4
                        color: row.live ? Theme.success : Theme.secondaryText
                    }
                    TessivarLabel {
                        id: details
                        objectName: "text_ModuleDetails"
                        font.pixelSize: Theme.captionSize
                        color: Theme.secondaryText
                        text: qsTr("%1 on %2 · %3")
                              .arg(row.moduleName !== "" ? row.moduleName : qsTr("Unknown module"))
                              .arg(row.deviceName !== "" ? row.deviceName : qsTr("a forgotten device"))
                              .arg(row.live ? qsTr("live") : qsTr("offline"))
                    }
                }
            }
            Row {
                id: actions
                anchors { right: parent.right; rightMargin: 8; verticalCenter: parent.verticalCenter }
                spacing: 0
                TessivarIconButton {
                    objectName: "button_ModuleInformation"
                    iconName: "info"
                    iconSize: Theme.iconRow
                    toolTipText: qsTr("About this module")
                    onClicked: if (row.block) listWidget.moduleList.showModuleInformation(row.block)
                }
                TessivarIconButton {
                    objectName: "button_ModuleEdit"
                    iconName: "edit"
                    iconSize: Theme.iconRow
                    toolTipText: qsTr("Edit the block")
                    onClicked: if (row.block) listWidget.moduleList.modifyModuleFromWidget(row.block)
                }
                TessivarIconButton {
                    objectName: "button_ModuleDelete"
                    iconName: "delete"
                    iconSize: Theme.iconRow
                    iconColor: Theme.error
                    toolTipText: qsTr("Delete the block")
                    onClicked: listWidget.confirmDelete(row.block, row.title)
                }
            }
        }
    }

    Column {
        objectName: "emptyState_Modules"
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * Theme.margin, 400)
        spacing: Theme.groupGap
        visible: list.count === 0
        TessivarIcon {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 48
            height: 48
            size: 48
            name: "blocks"
            color: Theme.secondaryText
        }
        TessivarLabel {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: qsTr("No blocks yet")
            font.pixelSize: Theme.sectionSize
            font.weight: Font.Medium
        }
        TessivarLabel {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            text: qsTr("Press + to place one on a device. Devices running Tessivar on this network appear by themselves.")
        }
    }

    TessivarScrollBar { flickable: list }

    // Asks once before a block goes. Built the first time it is asked: the list shows
    // at start, the question rarely.
    function confirmDelete(block, title) {
        confirmDeleteLoader.active = true
        confirmDeleteLoader.item.openFor(block, title)
    }
    Loader {
        id: confirmDeleteLoader
        active: false
        source: "qrc:/UI/ModuleDeleteConfirmation.qml"
    }
    Connections {
        target: confirmDeleteLoader.item
        function onDeleteConfirmed(block) {
            if (block && listWidget.moduleList)
                listWidget.moduleList.deleteModuleFromWidget(block)
        }
    }
}

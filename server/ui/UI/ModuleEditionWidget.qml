import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The panel where the user sets a block's parameters. The editor of the block's data
// class comes from its plugin and changes the block in place through the module maps;
// a new block also needs its device. Above it, the "Block" section sets what every block
// has: its name in this list, the title on the device and the block's look. Enter
// accepts, Escape cancels.
ModuleEditionWidgetImpl {
    id: edition

    property bool newModule: false
    property string selectedDeviceId: ""
    // A plugin editor may declare `ready` (bool) and `notReadyHint` (string) while the
    // block still lacks something it needs; an editor without them is always ready.
    readonly property var editor: panelLoader.item ? panelLoader.item.editorLoader.item : null
    readonly property bool editorReady: !editor || editor.ready === undefined || editor.ready === true
    readonly property bool canAccept: editorReady && (!newModule || selectedDeviceId !== "")
    readonly property string acceptHint: !editorReady
        ? (editor && typeof editor.notReadyHint === "string" && editor.notReadyHint !== ""
           ? editor.notReadyHint : qsTr("Fill in the block's parameters first"))
        : newModule && selectedDeviceId === "" ? qsTr("Choose a device first") : ""

    visible: false

    // A client parameter of the edited block, or `fallback` while there is none.
    function clientValue(key, fallback) {
        const parameters = edition.moduleClientParameters
        if (!parameters || parameters[key] === undefined)
            return fallback
        return parameters[key]
    }
    function setClientValue(key, value) {
        if (edition.moduleClientParameters)
            edition.moduleClientParameters[key] = value
    }

    function startParameterModification(url) {
        newModule = isNewModule()
        selectedDeviceId = ""
        if (newModule && DeviceManagerModel.IsThereOnlyOneDeviceAndItIsConnected())
            selectedDeviceId = DeviceManagerModel.GetDeviceByIndex(0).id
        panelLoader.active = true
        panelLoader.item.editorLoader.setSource(url, {})
        panelLoader.item.forceActiveFocus()
    }

    function endParameterModification() {
        if (!panelLoader.item)
            return
        const editorLoader = panelLoader.item.editorLoader
        if (editorLoader.item && typeof editorLoader.item.endEdition === "function")
            editorLoader.item.endEdition()
        editorLoader.source = ""
    }

    function acceptEdition() {
        if (!canAccept)
            return
        if (newModule) {
            acceptNew(selectedDeviceId)
        } else {
            accept()
        }
    }

    Keys.onEscapePressed: cancel()

    // Made when a block is first edited: most starts edit none.
    Loader {
        id: panelLoader
        anchors.fill: parent
        active: false
        sourceComponent: Component {
            Rectangle {
                id: panel
                property alias editorLoader: editorLoader
                objectName: "panel_Edition"
                Accessible.role: Accessible.Pane
                Accessible.name: heading.text
                anchors.fill: parent
                color: Theme.surface
                focus: true
                Keys.onEscapePressed: edition.cancel()
                Keys.onReturnPressed: edition.acceptEdition()
                Keys.onEnterPressed: edition.acceptEdition()

                Rectangle { anchors { left: parent.left; top: parent.top; bottom: parent.bottom } width: 1; color: Theme.divider }

                TessivarLabel {
                    id: heading
                    anchors { left: parent.left; right: parent.right; top: parent.top; margins: Theme.margin }
                    text: edition.newModule ? qsTr("New block") : qsTr("Edit block")
                    font.pixelSize: Theme.pageTitleSize
                    font.weight: Font.Medium
                }

                Flickable {
                    id: flick
                    anchors { left: parent.left; right: parent.right; top: heading.bottom; bottom: buttonBar.top; topMargin: Theme.groupGap }
                    contentHeight: content.implicitHeight + Theme.margin
                    clip: true
                    boundsBehavior: Flickable.StopAtBounds
                    ScrollBar.vertical: ScrollBar {}

                    Column {
                        id: content
                        x: Theme.margin
                        width: flick.width - 2 * Theme.margin
                        spacing: Theme.margin

                        GridLayout {
                            id: blockSection
                            objectName: "section_Block"
                            width: parent.width
                            columns: 2
                            columnSpacing: Theme.groupGap
                            rowSpacing: Theme.gap
                            visible: edition.module !== null

                            TessivarLabel {
                                Layout.columnSpan: 2
                                text: qsTr("Block")
                                font.pixelSize: Theme.sectionSize
                                font.weight: Font.Medium
                            }

                            TessivarLabel { text: nameField.label }
                            TessivarTextField {
                                id: nameField
                                objectName: "textField_BlockName"
                                Layout.fillWidth: true
                                label: qsTr("Name in this list")
                                placeholderText: edition.module && edition.module.metaData ? edition.module.metaData.name : ""
                                text: edition.moduleLocalParameters && edition.moduleLocalParameters.TessivarModuleLocalTitle !== undefined
                                      ? edition.moduleLocalParameters.TessivarModuleLocalTitle : ""
                                onTextEdited: if (edition.module) edition.module.moduleTitle = text
                            }

                            TessivarLabel { text: titleField.label; visible: titleField.visible }
                            TessivarTextField {
                                id: titleField
                                objectName: "textField_BlockTitle"
                                Layout.fillWidth: true
                                visible: edition.displayTitleEditable
                                label: qsTr("Title on the device")
                                placeholderText: qsTr("No title")
                                text: edition.clientValue("TessivarModuleTitle", "")
                                onTextEdited: edition.setClientValue("TessivarModuleTitle", text)
                            }

                            TessivarLabel { text: titlePosition.label }
                            RowLayout {
                                spacing: Theme.gap
                                TessivarCombobox {
                                    id: titlePosition
                                    objectName: "combo_TitlePosition"
                                    implicitWidth: 136
                                    label: qsTr("Title")
                                    model: [qsTr("Above"), qsTr("Below")]
                                    currentIndex: edition.clientValue("TessivarModuleTitlePosition", 0)
                                    onActivated: index => edition.setClientValue("TessivarModuleTitlePosition", index)
                                }
                                TessivarSpinBox {
                                    objectName: "spinBox_TitleSize"
                                    implicitWidth: 136
                                    label: qsTr("Title size")
                                    from: 6
                                    to: 96
                                    value: edition.clientValue("TessivarModuleTitleSize", 20)
                                    onValueModified: edition.setClientValue("TessivarModuleTitleSize", value)
                                }
                            }

                            TessivarLabel { text: titleStyle.label }
                            ColumnLayout {
                                spacing: Theme.gap
                                TessivarCombobox {
                                    id: titleStyle
                                    objectName: "combo_TitleStyle"
                                    implicitWidth: 280
                                    label: qsTr("Title color")
                                    model: [qsTr("The device's own"), qsTr("A color of my choice")]
                                    currentIndex: edition.clientValue("TessivarModuleTitleStyle", 0)
                                    onActivated: index => edition.setClientValue("TessivarModuleTitleStyle", index)
                                }
                                TessivarColorPicker {
                                    objectName: "picker_TitleColor"
                                    visible: titleStyle.currentIndex === 1
                                    controlled: true
                                    namePrefix: "swatch_TitleColor"
                                    label: titleStyle.label
                                    color: edition.clientValue("TessivarModuleTitleColor", "black")
                                    onPicked: value => edition.setClientValue("TessivarModuleTitleColor", value)
                                }
                            }

                            TessivarLabel { text: background.label }
                            ColumnLayout {
                                spacing: Theme.gap
                                TessivarCombobox {
                                    id: background
                                    objectName: "combo_BackgroundType"
                                    implicitWidth: 280
                                    label: qsTr("Background")
                                    // A background image is set on the device itself.
                                    model: edition.clientValue("TessivarModuleBackgroundType", 0) === 2
                                           ? [qsTr("The device's own"), qsTr("A color of my choice"), qsTr("An image")]
                                           : [qsTr("The device's own"), qsTr("A color of my choice")]
                                    currentIndex: edition.clientValue("TessivarModuleBackgroundType", 0)
                                    onActivated: index => edition.setClientValue("TessivarModuleBackgroundType", index)
                                }
                                TessivarColorPicker {
                                    objectName: "picker_BackgroundColor"
                                    visible: background.currentIndex === 1
                                    controlled: true
                                    namePrefix: "swatch_BackgroundColor"
                                    label: background.label
                                    color: edition.clientValue("TessivarModuleBackgroundColor", "black")
                                    onPicked: value => edition.setClientValue("TessivarModuleBackgroundColor", value)
                                }
                            }
                        }

                        Rectangle { width: parent.width; height: 1; color: Theme.divider; visible: blockSection.visible }

                        Loader {
                            id: editorLoader
                            objectName: "loader_ParameterEditor"
                            width: parent.width
                            onLoaded: {
                                if (item && typeof item.startEdition === "function")
                                    item.startEdition()
                            }
                        }

                        Column {
                            id: deviceChooser
                            objectName: "chooser_Device"
                            width: parent.width
                            spacing: Theme.gap
                            visible: edition.newModule

                            TessivarLabel {
                                text: qsTr("Place it on")
                                font.pixelSize: Theme.sectionSize
                                font.weight: Font.Medium
                            }
                            Repeater {
                                id: devices
                                model: DeviceManagerModel
                                delegate: ItemDelegate {
                                    id: deviceChoice
                                    required property var model
                                    readonly property var device: model.display
                                    readonly property bool selected: device ? edition.selectedDeviceId === device.id : false

                                    objectName: "deviceChoice_" + (device ? device.id : "")
                                    Accessible.role: Accessible.RadioButton
                                    Accessible.name: device ? (device.name !== "" ? device.name : device.address) : ""
                                    Accessible.checked: selected
                                    Accessible.onPressAction: clicked()
                                    visible: device ? device.registered : false
                                    width: deviceChooser.width
                                    height: visible ? 48 : 0
                                    focusPolicy: Qt.StrongFocus
                                    hoverEnabled: true
                                    onClicked: edition.selectedDeviceId = device.id

                                    background: Rectangle {
                                        radius: Theme.radius
                                        color: deviceChoice.selected ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.16)
                                             : deviceChoice.hovered ? Theme.hover : "transparent"
                                        border.width: deviceChoice.visualFocus || deviceChoice.selected ? 2 : 1
                                        border.color: deviceChoice.visualFocus || deviceChoice.selected ? Theme.primary : Theme.divider
                                    }
                                    contentItem: Row {
                                        spacing: 16
                                        leftPadding: 8
                                        Rectangle {
                                            anchors.verticalCenter: parent.verticalCenter
                                            width: 8
                                            height: 8
                                            radius: 4
                                            color: deviceChoice.device && deviceChoice.device.connected ? Theme.success : Theme.secondaryText
                                        }
                                        TessivarLabel {
                                            anchors.verticalCenter: parent.verticalCenter
                                            text: deviceChoice.device ? deviceChoice.device.name : ""
                                            font.weight: Font.Medium
                                        }
                                        TessivarLabel {
                                            anchors.verticalCenter: parent.verticalCenter
                                            text: deviceChoice.device ? deviceChoice.device.address : ""
                                            color: Theme.secondaryText
                                            font.pixelSize: Theme.captionSize
                                        }
                                    }
                                    Keys.onReturnPressed: clicked()
                                }
                            }
                            TessivarLabel {
                                width: parent.width
                                visible: !DeviceManagerModel || DeviceManagerModel.deviceCount === 0
                                wrapMode: Text.Wrap
                                color: Theme.secondaryText
                                text: qsTr("No device yet. Open Tessivar on a phone or tablet on this network; it appears here.")
                            }
                        }
                    }
                }

                Rectangle {
                    id: buttonBar
                    anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
                    height: 64
                    color: Theme.surface
                    Rectangle { anchors { left: parent.left; right: parent.right; top: parent.top } height: 1; color: Theme.divider }
                    TessivarLabel {
                        objectName: "text_EditionHint"
                        anchors { left: parent.left; leftMargin: Theme.margin; right: buttons.left; rightMargin: Theme.gap; verticalCenter: parent.verticalCenter }
                        visible: edition.acceptHint !== ""
                        elide: Text.ElideRight
                        font.pixelSize: Theme.captionSize
                        color: Theme.secondaryText
                        text: edition.acceptHint
                    }
                    Row {
                        id: buttons
                        anchors { right: parent.right; rightMargin: Theme.margin; verticalCenter: parent.verticalCenter }
                        spacing: Theme.gap
                        TessivarButton {
                            objectName: "button_EditionCancel"
                            text: qsTr("Cancel")
                            onClicked: edition.cancel()
                        }
                        TessivarButton {
                            objectName: "button_EditionAccept"
                            text: edition.newModule ? qsTr("Place block") : qsTr("Save")
                            primary: true
                            enabled: edition.canAccept
                            Accessible.description: edition.acceptHint
                            onClicked: edition.acceptEdition()
                        }
                    }
                }
            }
        }
    }
}

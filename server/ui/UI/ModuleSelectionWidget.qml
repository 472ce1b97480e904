import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The panel, sliding in from the left, where the user picks the module of a new block.
// The application clears `selectedModule` when the edition of the picked module is
// cancelled. Modules of invalid plugins, and invalid modules, show why with an
// information button instead.
ModuleSelectionWidgetImpl {
    id: selection

    property var selectedModule: null

    visible: false
    width: 320
    onVisibleChanged: {
        if (visible) {
            panelLoader.active = true
            panelLoader.item.slide.restart()
            panelLoader.item.moduleList.forceActiveFocus()
        } else {
            selectedModule = null
        }
    }
    Keys.onEscapePressed: selection.moduleSelectionCancelled()

    // Made when the panel first opens: most starts add no block.
    Loader {
        id: panelLoader
        anchors.fill: parent
        active: false
        sourceComponent: Component {
            Rectangle {
                id: panel
                property alias slide: slide
                property alias moduleList: moduleList
                width: parent.width
                height: parent.height
                color: Theme.surface
                Rectangle { anchors { right: parent.right; top: parent.top; bottom: parent.bottom } width: 1; color: Theme.divider }
                NumberAnimation on x { id: slide; from: -selection.width; to: 0; duration: 200; easing.type: Easing.OutCubic; running: false }

                TessivarLabel {
                    id: hint
                    anchors { left: parent.left; right: parent.right; top: parent.top; margins: Theme.margin }
                    text: qsTr("Choose what the block does.")
                    color: Theme.secondaryText
                    wrapMode: Text.Wrap
                }

                ListView {
                    id: moduleList
                    objectName: "list_Plugins"
                    anchors { left: parent.left; right: parent.right; top: hint.bottom; bottom: parent.bottom; topMargin: Theme.groupGap }
                    clip: true
                    model: PluginInformationList
                    boundsBehavior: Flickable.StopAtBounds
                    ScrollBar.vertical: ScrollBar {}

                    delegate: Column {
                        id: pluginEntry
                        required property var model
                        readonly property var plugin: model.display
                        width: moduleList.width
                        spacing: 0

                        Item {
                            width: parent.width
                            height: 40
                            TessivarLabel {
                                anchors { left: parent.left; leftMargin: Theme.margin; right: pluginInfo.left; verticalCenter: parent.verticalCenter }
                                text: pluginEntry.plugin ? pluginEntry.plugin.name : ""
                                color: pluginEntry.plugin && pluginEntry.plugin.valid ? Theme.secondaryText : Theme.error
                                font.pixelSize: Theme.captionSize
                                font.weight: Font.Medium
                                font.capitalization: Font.AllUppercase
                            }
                            TessivarIconButton {
                                id: pluginInfo
                                objectName: "button_InvalidPluginInfo"
                                anchors { right: parent.right; rightMargin: 16; verticalCenter: parent.verticalCenter }
                                visible: pluginEntry.plugin ? !pluginEntry.plugin.valid : false
                                iconName: "warning"
                                iconSize: Theme.iconRow
                                iconColor: Theme.error
                                toolTipText: qsTr("Why this plugin cannot be used")
                                onClicked: selection.invalidPluginInfoPressed(pluginEntry.plugin.id)
                            }
                        }

                        Repeater {
                            model: pluginEntry.plugin && pluginEntry.plugin.valid ? pluginEntry.plugin.modules : []
                            delegate: ItemDelegate {
                                id: moduleEntry
                                required property var modelData
                                readonly property bool usable: modelData ? modelData.valid : false

                                objectName: "module_" + (modelData ? modelData.id : "")
                                Accessible.role: Accessible.ListItem
                                Accessible.name: modelData ? modelData.name : ""
                                Accessible.description: modelData ? modelData.description : ""
                                Accessible.onPressAction: clicked()
                                visible: modelData ? modelData.visible : false
                                width: moduleList.width
                                height: visible ? Math.max(Theme.rowHeight, moduleText.implicitHeight + 16) : 0
                                focusPolicy: Qt.StrongFocus
                                hoverEnabled: true
                                highlighted: selection.selectedModule === modelData

                                background: Rectangle {
                                    color: moduleEntry.highlighted ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.16)
                                         : moduleEntry.hovered || moduleEntry.visualFocus ? Theme.hover : "transparent"
                                    Rectangle {
                                        anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
                                        width: 3
                                        color: Theme.primary
                                        visible: moduleEntry.highlighted || moduleEntry.visualFocus
                                    }
                                }
                                contentItem: Item {
                                    Image {
                                        id: icon
                                        anchors { left: parent.left; leftMargin: 8; verticalCenter: parent.verticalCenter }
                                        width: 32
                                        height: 32
                                        sourceSize: Qt.size(64, 64)
                                        fillMode: Image.PreserveAspectFit
                                        source: moduleEntry.modelData ? moduleEntry.modelData.icon : ""
                                        opacity: moduleEntry.usable ? 1 : 0.4
                                    }
                                    Column {
                                        id: moduleText
                                        anchors { left: icon.right; leftMargin: 16; right: moduleInfo.left; rightMargin: 8; verticalCenter: parent.verticalCenter }
                                        TessivarLabel {
                                            width: parent.width
                                            text: moduleEntry.modelData ? moduleEntry.modelData.name : ""
                                            color: moduleEntry.usable ? Theme.text : Theme.secondaryText
                                            font.weight: Font.Medium
                                        }
                                        TessivarLabel {
                                            width: parent.width
                                            text: moduleEntry.modelData ? moduleEntry.modelData.description : ""
                                            color: Theme.secondaryText
                                            font.pixelSize: Theme.captionSize
                                            // Descriptions wrap rather than being cut.
                                            wrapMode: Text.Wrap
                                            elide: Text.ElideNone
                                        }
                                    }
                                    TessivarIconButton {
                                        id: moduleInfo
                                        objectName: "button_InvalidModuleInfo"
                                        anchors { right: parent.right; verticalCenter: parent.verticalCenter }
                                        visible: !moduleEntry.usable
                                        iconName: "warning"
                                        iconSize: Theme.iconRow
                                        iconColor: Theme.error
                                        toolTipText: qsTr("Why this module cannot be used")
                                        onClicked: selection.invalidModuleInfoPressed(pluginEntry.plugin.id, moduleEntry.modelData.id)
                                    }
                                }
                                onClicked: {
                                    if (!usable)
                                        return
                                    selection.selectedModule = modelData
                                    selection.moduleSelected(pluginEntry.plugin.id, modelData.id)
                                }
                                Keys.onReturnPressed: clicked()
                                Keys.onEnterPressed: clicked()
                            }
                        }
                    }

                    TessivarLabel {
                        anchors { left: parent.left; right: parent.right; top: parent.top; margins: Theme.margin }
                        visible: moduleList.count === 0
                        wrapMode: Text.Wrap
                        color: Theme.secondaryText
                        text: qsTr("No plugins are installed. Put plugins in the \"plugins\" folder next to Tessivar and restart it.")
                    }
                }
            }
        }
    }
}

import QtQuick
import com.tessivar.widgets 1.0

// The installed plugins and their modules; one of them highlighted when the page was
// opened for it.
TessivarPage {
    id: page

    property string highlightedPlugin: ""
    property string highlightedModule: ""

    function showPlugin(pluginId, moduleId) {
        highlightedPlugin = pluginId
        highlightedModule = moduleId
        visible = true
        // Once the cards are laid out, the highlighted module scrolls into view.
        Qt.callLater(page.highlightShown)
    }
    signal highlightShown()

    title: qsTr("Plugins")
    visible: false
    onCloseRequested: page.visible = false

    deferredContent: Component {
        Column {
            spacing: Theme.groupGap
            Repeater {
                id: plugins
                model: PluginInformationList
                delegate: Rectangle {
                    id: card
                    required property var model
                    readonly property var plugin: model.display
                    readonly property bool highlighted: plugin ? plugin.id === page.highlightedPlugin : false

                    objectName: "plugin_" + (plugin ? plugin.id : "")
                    width: page.contentWidth
                    height: cardColumn.implicitHeight + 2 * Theme.groupGap
                    radius: Theme.radius
                    color: Theme.surface
                    border.width: highlighted ? 2 : 1
                    border.color: highlighted ? Theme.primary : Theme.divider

                    Column {
                        id: cardColumn
                        x: Theme.groupGap
                        y: Theme.groupGap
                        width: parent.width - 2 * Theme.groupGap
                        spacing: Theme.gap
                        Row {
                            spacing: Theme.gap
                            Image {
                                anchors.verticalCenter: parent.verticalCenter
                                width: 24
                                height: 24
                                sourceSize: Qt.size(48, 48)
                                source: card.plugin ? card.plugin.icon : ""
                            }
                            TessivarLabel {
                                anchors.verticalCenter: parent.verticalCenter
                                text: card.plugin ? card.plugin.name : ""
                                font.pixelSize: Theme.sectionSize
                                font.weight: Font.Medium
                            }
                            TessivarLabel {
                                anchors.verticalCenter: parent.verticalCenter
                                visible: card.plugin ? !card.plugin.valid : false
                                text: qsTr("cannot be used")
                                color: Theme.error
                                font.pixelSize: Theme.captionSize
                            }
                        }
                        TessivarLabel {
                            width: parent.width
                            wrapMode: Text.Wrap
                            color: Theme.secondaryText
                            text: card.plugin ? card.plugin.description : ""
                        }
                        TessivarLabel {
                            objectName: "text_PluginDetails"
                            width: parent.width
                            wrapMode: Text.Wrap
                            font.pixelSize: Theme.captionSize
                            color: Theme.secondaryText
                            text: card.plugin
                                  ? [qsTr("Version %1").arg(card.plugin.version !== "" ? card.plugin.version : qsTr("unknown")),
                                     qsTr("by %1").arg(card.plugin.author !== "" ? card.plugin.author : qsTr("an unknown author")),
                                     qsTr("in %1").arg(card.plugin.folder)].join(" · ")
                                  : ""
                        }
                        Repeater {
                            model: card.plugin ? card.plugin.modules : []
                            delegate: Rectangle {
                                id: moduleRow
                                required property var modelData
                                readonly property bool highlighted: card.highlighted && modelData && modelData.id === page.highlightedModule
                                Connections {
                                    target: page
                                    function onHighlightShown() { if (moduleRow.highlighted) page.showItem(moduleRow) }
                                }
                                objectName: "pluginModule_" + (modelData ? modelData.id : "")
                                Accessible.role: Accessible.ListItem
                                Accessible.name: modelData ? modelData.name : ""
                                Accessible.selected: highlighted
                                width: cardColumn.width
                                height: Math.max(48, moduleText.implicitHeight + 16)
                                radius: 4
                                color: highlighted ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.12) : "transparent"
                                border.width: highlighted ? 2 : 0
                                border.color: Theme.primary
                                Image {
                                    id: moduleIcon
                                    anchors { left: parent.left; leftMargin: 8; verticalCenter: parent.verticalCenter }
                                    width: 24
                                    height: 24
                                    sourceSize: Qt.size(48, 48)
                                    source: parent.modelData ? parent.modelData.icon : ""
                                }
                                Column {
                                    id: moduleText
                                    anchors { left: moduleIcon.right; leftMargin: 16; right: parent.right; rightMargin: 8; verticalCenter: parent.verticalCenter }
                                    TessivarLabel {
                                        width: parent.width
                                        text: parent.parent.modelData
                                              ? parent.parent.modelData.name + (parent.parent.modelData.valid ? "" : " — " + qsTr("cannot be used"))
                                              : ""
                                    }
                                    TessivarLabel {
                                        width: parent.width
                                        text: parent.parent.modelData ? parent.parent.modelData.description : ""
                                        wrapMode: Text.Wrap
                                        color: Theme.secondaryText
                                        font.pixelSize: Theme.captionSize
                                    }
                                }
                            }
                        }
                    }
                }
            }

            TessivarLabel {
                width: page.contentWidth
                visible: plugins.count === 0
                wrapMode: Text.Wrap
                color: Theme.secondaryText
                text: qsTr("No plugins are installed. Put plugins in the \"plugins\" folder next to Tessivar and restart it.")
            }
        }
    }
}

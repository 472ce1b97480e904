import QtQuick
import com.tessivar.widgets.impl 1.0

// The panel where the user picks the module of a new block. The application clears
// `selectedModule` when the edition of the picked module is cancelled.
ModuleSelectionWidgetImpl {
    id: selection

    property var selectedModule: null

    visible: false
    width: 320

    Rectangle {
        anchors.fill: parent
        color: "#ffffff"
        border.color: "#d0d6e2"
    }

    Column {
        anchors { fill: parent; margins: 16 }
        spacing: 8

        Text {
            text: qsTr("Add a block")
            font.family: "Roboto"
            font.pixelSize: 20
        }

        Repeater {
            model: PluginInformationList
            // Each entry is a plugin's description with its modules.
            delegate: Column {
                required property var model
                readonly property var plugin: model.display
                spacing: 4
                Text {
                    text: plugin ? plugin.name : ""
                    font.family: "Roboto"
                    font.pixelSize: 16
                }
                Repeater {
                    model: plugin ? plugin.modules : []
                    delegate: Text {
                        required property var modelData
                        text: modelData.name
                        font.family: "Roboto"
                        font.pixelSize: 14
                        MouseArea {
                            anchors.fill: parent
                            onClicked: {
                                selection.selectedModule = modelData
                                selection.moduleSelected(plugin.id, modelData.id)
                            }
                        }
                    }
                }
            }
        }
    }
}

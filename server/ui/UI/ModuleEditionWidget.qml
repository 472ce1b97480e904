import QtQuick
import com.tessivar.widgets.impl 1.0

// The panel where the user edits a block's parameters. The editor of the block's data
// class is loaded from the plugin and reaches the block through the module maps.
ModuleEditionWidgetImpl {
    id: edition

    visible: false

    function startParameterModification(url) {
        editorLoader.setSource(url, {})
    }

    function endParameterModification() {
        editorLoader.source = ""
    }

    Rectangle {
        anchors.fill: parent
        color: "#ffffff"
        border.color: "#d0d6e2"
    }

    Loader {
        id: editorLoader
        objectName: "loader_ParameterEditor"
        anchors { fill: parent; margins: 16 }
    }
}

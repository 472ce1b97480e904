import QtQuick
import com.tessivar.widgets 1.0

// A row of swatches; picking one sets `color`.
Item {
    id: picker

    property color color: "#2d59cf"
    readonly property var swatches: ["#1b1f27", "#ffffff", "#c0262d", "#e7b552", "#1d7a4c", "#2d59cf", "#7b3fc4", "#8a93a6"]

    implicitWidth: swatchRow.implicitWidth
    implicitHeight: 32

    Row {
        id: swatchRow
        spacing: Theme.gap
        Repeater {
            model: picker.swatches
            delegate: Rectangle {
                id: swatch
                required property string modelData
                required property int index
                objectName: "swatch_" + index
                width: 32
                height: 32
                radius: 16
                color: modelData
                border.width: Qt.colorEqual(picker.color, modelData) ? 3 : 1
                border.color: Qt.colorEqual(picker.color, modelData) ? Theme.primary : Theme.divider
                MouseArea {
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: picker.color = swatch.modelData
                }
            }
        }
    }
}

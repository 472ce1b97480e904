import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A row of swatches. Picking one emits `picked(color)`; unless `controlled` (the colour
// is bound to a value the owner writes on `picked`), it also sets `color`.
Item {
    id: picker

    property color color: "#2d59cf"
    property bool controlled: false
    // Names the swatches' objectName ("<prefix>_<index>") and the group for screen readers.
    property string namePrefix: "swatch"
    property string label: qsTr("Color")
    readonly property var swatches: ["#1b1f27", "#ffffff", "#c0262d", "#e7b552", "#1d7a4c", "#2d59cf", "#7b3fc4", "#8a93a6"]
    readonly property var swatchNames: [qsTr("Black"), qsTr("White"), qsTr("Red"), qsTr("Amber"), qsTr("Green"),
                                        qsTr("Blue"), qsTr("Violet"), qsTr("Grey")]

    signal picked(color value)

    implicitWidth: swatchRow.implicitWidth
    implicitHeight: 32
    Accessible.role: Accessible.Grouping
    Accessible.name: label

    Row {
        id: swatchRow
        spacing: Theme.gap
        Repeater {
            model: picker.swatches
            delegate: AbstractButton {
                id: swatch
                required property string modelData
                required property int index
                readonly property bool chosen: Qt.colorEqual(picker.color, modelData)
                objectName: picker.namePrefix + "_" + index
                Accessible.role: Accessible.RadioButton
                Accessible.name: picker.label + ": " + picker.swatchNames[index]
                Accessible.checked: chosen
                width: 32
                height: 32
                focusPolicy: Qt.StrongFocus
                hoverEnabled: true
                background: Rectangle {
                    radius: 16
                    color: swatch.modelData
                    border.width: swatch.chosen || swatch.visualFocus ? 3 : 1
                    border.color: swatch.chosen || swatch.visualFocus ? Theme.primary : Theme.divider
                }
                ToolTip.visible: hovered
                ToolTip.delay: 500
                ToolTip.text: picker.swatchNames[index]
                onClicked: {
                    if (!picker.controlled)
                        picker.color = swatch.modelData
                    picker.picked(swatch.modelData)
                }
                Keys.onReturnPressed: clicked()
            }
        }
    }
}

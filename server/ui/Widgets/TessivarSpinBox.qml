import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A number input with step buttons.
SpinBox {
    id: spin

    editable: true
    implicitHeight: 40
    implicitWidth: 160
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize

    // The number's label, read by screen readers.
    property string label: ""
    Accessible.role: Accessible.SpinBox
    Accessible.name: label

    contentItem: TextInput {
        z: 2
        text: spin.textFromValue(spin.value, spin.locale)
        font: spin.font
        color: Theme.text
        selectionColor: Theme.primary
        selectedTextColor: Theme.primaryText
        horizontalAlignment: Qt.AlignHCenter
        verticalAlignment: Qt.AlignVCenter
        readOnly: !spin.editable
        validator: spin.validator
        inputMethodHints: Qt.ImhDigitsOnly
    }
    up.indicator: Rectangle {
        x: spin.mirrored ? 0 : parent.width - width
        height: parent.height
        implicitWidth: 32
        color: spin.up.pressed ? Theme.hover : "transparent"
        TessivarIcon { anchors.centerIn: parent; width: 16; height: 16; size: 16; name: "plus"; color: Theme.secondaryText }
    }
    down.indicator: Rectangle {
        x: spin.mirrored ? parent.width - width : 0
        height: parent.height
        implicitWidth: 32
        color: spin.down.pressed ? Theme.hover : "transparent"
        TessivarIcon { anchors.centerIn: parent; width: 16; height: 16; size: 16; name: "minus"; color: Theme.secondaryText }
    }
    background: Rectangle {
        radius: 4
        color: Theme.surfaceRaised
        border.width: spin.activeFocus ? 2 : 1
        border.color: spin.activeFocus ? Theme.primary : Theme.divider
    }
}

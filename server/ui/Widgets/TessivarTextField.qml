import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A one-line text input with the window's colours and a visible focus line.
TextField {
    id: field

    implicitHeight: 40
    implicitWidth: 240
    leftPadding: 12
    rightPadding: 12
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    color: Theme.text
    placeholderTextColor: Theme.secondaryText
    selectionColor: Theme.primary
    selectedTextColor: Theme.primaryText
    selectByMouse: true

    // The field's label, read by screen readers; the placeholder stands in without one.
    property string label: ""
    Accessible.role: Accessible.EditableText
    Accessible.name: label !== "" ? label : placeholderText

    background: Rectangle {
        radius: 4
        color: Theme.surfaceRaised
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? Theme.primary : (field.acceptableInput ? Theme.divider : Theme.error)
    }
}

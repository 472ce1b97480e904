import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A drop-down choice in the window's colours.
ComboBox {
    id: combo

    implicitHeight: 40
    implicitWidth: 240
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize

    // The choice's label, read by screen readers.
    property string label: ""
    Accessible.role: Accessible.ComboBox
    Accessible.name: label !== "" ? label : displayText

    contentItem: Text {
        leftPadding: 12
        rightPadding: combo.indicator.width + 8
        text: combo.displayText
        font: combo.font
        color: Theme.text
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: TessivarIcon {
        x: combo.width - width - 12
        y: (combo.height - height) / 2
        width: 16
        height: 16
        size: 16
        name: "chevron"
        rotation: 90
        color: Theme.secondaryText
    }
    background: Rectangle {
        radius: 4
        color: Theme.surfaceRaised
        border.width: combo.visualFocus || combo.popup.visible ? 2 : 1
        border.color: combo.visualFocus || combo.popup.visible ? Theme.primary : Theme.divider
    }
    delegate: ItemDelegate {
        id: option
        required property int index
        required property var modelData
        width: combo.width
        height: 40
        highlighted: combo.highlightedIndex === index
        contentItem: Text {
            text: combo.textRole ? (option.modelData[combo.textRole] !== undefined ? option.modelData[combo.textRole] : "") : option.modelData
            font: combo.font
            color: Theme.text
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle { color: option.highlighted ? Theme.hover : Theme.surface }
    }
    popup.background: Rectangle {
        color: Theme.surface
        border.color: Theme.divider
        radius: 4
    }
}

import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A text button; `primary` fills it with the accent colour.
Button {
    id: button

    property bool primary: false
    property bool destructive: false

    implicitHeight: 32
    leftPadding: 16
    rightPadding: 16
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    font.weight: Font.Medium
    Accessible.role: Accessible.Button
    Accessible.name: text
    // The press of a screen reader or a desktop test tool is a click.
    Accessible.onPressAction: if (enabled) clicked()

    readonly property color accent: destructive ? Theme.error : Theme.primary

    contentItem: Text {
        text: button.text
        font: button.font
        color: button.primary ? Theme.primaryText : button.accent
        opacity: button.enabled ? 1 : 0.5
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 4
        color: button.primary ? (button.pressed ? Qt.darker(button.accent, 1.15) : button.accent)
             : button.pressed ? Qt.rgba(button.accent.r, button.accent.g, button.accent.b, 0.2)
             : button.hovered ? Qt.rgba(button.accent.r, button.accent.g, button.accent.b, 0.1) : "transparent"
        border.width: button.primary ? 0 : 1
        border.color: button.visualFocus ? Theme.primary : Theme.divider
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: 6
            color: "transparent"
            border.width: 2
            border.color: Theme.primary
            visible: button.visualFocus
        }
    }
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
}

import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A round accent button whose icon turns by `angle` (the add button turns 45 degrees
// into a close sign while its panel is open).
AbstractButton {
    id: button

    property string iconName: "plus"
    property real angle: 0
    property string toolTipText: ""

    implicitWidth: 40
    implicitHeight: 40
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    Accessible.role: Accessible.Button
    Accessible.name: toolTipText
    // The press of a screen reader or a desktop test tool is a click.
    Accessible.onPressAction: if (enabled) clicked()
    ToolTip.visible: hovered && toolTipText !== ""
    ToolTip.delay: 500
    ToolTip.text: toolTipText

    background: Rectangle {
        radius: width / 2
        color: button.pressed ? Qt.darker(Theme.primary, 1.15) : button.hovered ? Qt.lighter(Theme.primary, 1.08) : Theme.primary
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.text
    }
    contentItem: Item {
        TessivarIcon {
            anchors.centerIn: parent
            width: Theme.iconBar
            height: Theme.iconBar
            name: button.iconName
            color: Theme.primaryText
            rotation: button.angle
            Behavior on rotation { NumberAnimation { duration: Theme.duration; easing.type: Easing.OutCubic } }
        }
    }
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
}

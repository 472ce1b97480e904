import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0

// A round accent button whose icon turns by `angle` (the add button turns 45 degrees
// into a close sign while its panel is open).
TessivarButtonArea {
    id: button

    property string iconName: "plus"
    property real angle: 0

    implicitWidth: 40
    implicitHeight: 40

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: button.pressed ? Qt.darker(Theme.primary, 1.15) : button.hovered ? Qt.lighter(Theme.primary, 1.08) : Theme.primary
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.text
    }
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

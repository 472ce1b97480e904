import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0

// An icon-only button: a tooltip says what it does, focus shows as a ring.
TessivarButtonArea {
    id: button

    property string iconName: ""
    property color iconColor: Theme.text
    property int iconSize: Theme.iconBar
    property bool checkedLook: false

    implicitWidth: iconSize + 16
    implicitHeight: iconSize + 16

    Rectangle {
        anchors.fill: parent
        radius: Theme.radius
        color: button.pressed || button.checkedLook ? Qt.rgba(button.iconColor.r, button.iconColor.g, button.iconColor.b, 0.20)
             : button.hovered ? Qt.rgba(button.iconColor.r, button.iconColor.g, button.iconColor.b, 0.10)
             : "transparent"
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.primary
        Behavior on color { ColorAnimation { duration: Theme.duration } }
    }
    TessivarIcon {
        anchors.centerIn: parent
        width: button.iconSize
        height: button.iconSize
        size: button.iconSize
        name: button.iconName
        color: button.enabled ? button.iconColor : Theme.secondaryText
    }
}

import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// An icon-only button: a tooltip says what it does, focus shows as a ring.
AbstractButton {
    id: button

    property string iconName: ""
    property color iconColor: Theme.text
    property int iconSize: Theme.iconBar
    property string toolTipText: ""
    property bool checkedLook: false

    implicitWidth: iconSize + 16
    implicitHeight: iconSize + 16
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
        radius: Theme.radius
        color: button.pressed || button.checkedLook ? Qt.rgba(button.iconColor.r, button.iconColor.g, button.iconColor.b, 0.20)
             : button.hovered ? Qt.rgba(button.iconColor.r, button.iconColor.g, button.iconColor.b, 0.10)
             : "transparent"
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.primary
        Behavior on color { ColorAnimation { duration: Theme.duration } }
    }
    contentItem: Item {
        TessivarIcon {
            anchors.centerIn: parent
            width: button.iconSize
            height: button.iconSize
            size: button.iconSize
            name: button.iconName
            color: button.enabled ? button.iconColor : Theme.secondaryText
        }
    }
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
}

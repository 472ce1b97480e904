import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// An on/off setting: a switch with its label and an optional hint below.
Switch {
    id: control

    property string hint: ""

    focusPolicy: Qt.StrongFocus
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    spacing: 16
    padding: 0
    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.description: hint
    // A screen reader's press or toggle flips the switch as a click does.
    Accessible.onPressAction: if (enabled) { toggle(); toggled() }
    Accessible.onToggleAction: if (enabled) { toggle(); toggled() }

    indicator: Rectangle {
        x: control.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 40
        implicitHeight: 24
        radius: 12
        color: control.checked ? Theme.primary : Theme.surfaceRaised
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? Theme.text : (control.checked ? Theme.primary : Theme.divider)
        Behavior on color { ColorAnimation { duration: Theme.duration } }
        Rectangle {
            width: 16
            height: 16
            radius: 8
            y: 4
            x: control.checked ? parent.width - width - 4 : 4
            color: control.checked ? Theme.primaryText : Theme.secondaryText
            Behavior on x { NumberAnimation { duration: Theme.duration; easing.type: Easing.OutCubic } }
        }
    }
    contentItem: Column {
        leftPadding: control.indicator.width + control.spacing
        spacing: 0
        Text {
            text: control.text
            font: control.font
            color: Theme.text
        }
        Text {
            visible: control.hint !== ""
            text: control.hint
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
        }
    }
}

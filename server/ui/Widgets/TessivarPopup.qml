import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import com.tessivar.widgets 1.0

// A modal card centred over the window: a title, the content, and a row of buttons.
// Escape closes it unless `closable` is false.
//
// A popup that is seldom shown gives its content and buttons as components instead
// (`lazyContent`, `lazyButtons`): they are made when it first opens, not with the window
// at the start.
Popup {
    id: popup

    property string title: ""
    property bool closable: true
    default property alias content: body.data
    property alias buttons: buttonRow.data
    property Component lazyContent: null
    property Component lazyButtons: null
    property bool shownOnce: false

    onAboutToShow: shownOnce = true

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 2 * Theme.margin : 560, 560)
    modal: true
    focus: true
    padding: Theme.margin
    closePolicy: closable ? Popup.CloseOnEscape : Popup.NoAutoClose

    T.Overlay.modal: Rectangle { color: Theme.scrim }

    enter: Transition { NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Theme.duration; easing.type: Easing.OutCubic } }
    exit: Transition { NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 120; easing.type: Easing.OutCubic } }

    background: Rectangle {
        color: Theme.surface
        radius: Theme.radius
        border.color: Theme.divider
    }

    contentItem: Column {
        spacing: Theme.groupGap
        Text {
            objectName: popup.objectName + "_Title"
            Accessible.role: Accessible.Heading
            Accessible.name: text
            visible: popup.title !== ""
            width: parent.width
            text: popup.title
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.pageTitleSize
            font.weight: Font.Medium
            wrapMode: Text.Wrap
        }
        Column {
            id: body
            width: parent.width
            spacing: Theme.gap
            Loader {
                width: parent.width
                active: popup.lazyContent !== null && popup.shownOnce
                visible: active
                sourceComponent: popup.lazyContent
            }
        }
        Row {
            id: buttonRow
            anchors.right: parent.right
            spacing: Theme.gap
            Loader {
                active: popup.lazyButtons !== null && popup.shownOnce
                visible: active
                sourceComponent: popup.lazyButtons
            }
        }
    }
}

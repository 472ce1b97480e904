import QtQuick
import com.tessivar.widgets 1.0

// A tooltip drawn by the window itself, above every item, under the control it names.
// Plain Qt Quick: the controls the window shows at start must not wait for the
// controls library to load.
Rectangle {
    id: toolTip

    // The item the tip belongs to, and whether it is shown.
    property Item target: null
    property bool shown: false
    property alias text: label.text

    parent: target && target.Window.window ? target.Window.window.contentItem : null
    objectName: "toolTip"
    z: 100000
    visible: shown && text !== "" && parent !== null
    width: label.implicitWidth + 2 * Theme.gap
    height: label.implicitHeight + Theme.gap
    radius: Theme.radius
    color: Theme.surfaceRaised
    border.color: Theme.divider

    // Placed when it shows: the target does not move while the pointer rests on it.
    onVisibleChanged: if (visible) place()
    // A tip built at the moment it shows is visible from its creation on.
    Component.onCompleted: if (visible) place()
    function place() {
        const below = target.mapToItem(parent, target.width / 2, target.height)
        x = Math.max(0, Math.min(parent.width - width, below.x - width / 2))
        y = below.y + 4 + height <= parent.height ? below.y + 4
                                                  : target.mapToItem(parent, 0, 0).y - 4 - height
    }

    TessivarLabel {
        id: label
        anchors.centerIn: parent
        font.pixelSize: Theme.captionSize
    }
}

import QtQuick
import com.tessivar.widgets 1.0

// A vertical scroll bar for a Flickable, at its right edge: shows where the view is,
// and dragging it or clicking its track scrolls. Plain Qt Quick, for the views the
// window shows at start.
Item {
    id: bar

    // The view it scrolls, a sibling.
    property Flickable flickable: null

    readonly property real viewRatio: flickable ? flickable.visibleArea.heightRatio : 1
    readonly property real maximumY: flickable ? Math.max(0, flickable.contentHeight - flickable.height) : 0

    x: flickable ? flickable.x + flickable.width - width : 0
    y: flickable ? flickable.y : 0
    height: flickable ? flickable.height : 0
    width: 10
    visible: viewRatio < 1
    Accessible.role: Accessible.ScrollBar
    Accessible.name: qsTr("Scroll")

    function scrollTo(contentY) {
        flickable.contentY = Math.max(0, Math.min(bar.maximumY, contentY)) + flickable.originY
    }

    Rectangle {
        id: handle
        x: 2
        width: parent.width - 4
        y: bar.flickable ? Math.min(bar.flickable.visibleArea.yPosition * bar.height, bar.height - height) : 0
        height: Math.max(24, bar.viewRatio * bar.height)
        radius: width / 2
        color: Theme.secondaryText
        opacity: drag.active || hover.hovered ? 0.8 : 0.45
    }
    HoverHandler { id: hover }
    // A click on the track moves by one view towards the click.
    TapHandler {
        onTapped: (eventPoint) => {
            const step = eventPoint.position.y < handle.y ? -flickable.height : flickable.height
            if (eventPoint.position.y < handle.y || eventPoint.position.y > handle.y + handle.height)
                bar.scrollTo(flickable.contentY - flickable.originY + step)
        }
    }
    DragHandler {
        id: drag
        target: null
        xAxis.enabled: false
        property real startY: 0
        onActiveChanged: if (active) startY = flickable.contentY - flickable.originY
        onTranslationChanged: if (active && bar.height > handle.height)
            bar.scrollTo(startY + translation.y * bar.maximumY / (bar.height - handle.height))
    }
}

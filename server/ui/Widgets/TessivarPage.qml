import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// A page of the window's stack: a title, a close button, and scrolling content.
// Its close button and Escape ask its owner to close it.
Rectangle {
    id: page

    signal closeRequested()

    property string title: ""
    default property alias content: column.data
    property alias contentWidth: column.width
    // Content built the first time the page shows, so that a page the user never opens
    // costs the start nothing.
    property Component deferredContent: null
    readonly property Item deferredItem: deferredLoader.item
    signal deferredContentLoaded(Item item)

    color: Theme.background

    Keys.onEscapePressed: page.closeRequested()
    onVisibleChanged: if (visible && deferredContent) deferredLoader.active = true

    // Scrolls the content so that `item`, one of its descendants, is in view.
    function showItem(item) {
        const top = item.mapToItem(column, 0, 0).y
        if (top >= flick.contentY && top + item.height <= flick.contentY + flick.height)
            return
        const bottom = Math.max(0, flick.contentHeight - flick.height)
        flick.contentY = Math.min(bottom, Math.max(0, top - Theme.margin))
    }

    TessivarLabel {
        id: titleText
        anchors { left: parent.left; top: parent.top; right: closeButton.left; margins: Theme.margin }
        height: 40
        text: page.title
        font.pixelSize: Theme.pageTitleSize
        font.weight: Font.Medium
    }
    TessivarIconButton {
        id: closeButton
        objectName: "button_PageClose"
        anchors { right: parent.right; top: parent.top; margins: Theme.margin }
        iconName: "close"
        toolTipText: qsTr("Close")
        onClicked: page.closeRequested()
    }

    Flickable {
        id: flick
        anchors { left: parent.left; right: parent.right; top: titleText.bottom; bottom: parent.bottom; topMargin: Theme.groupGap }
        contentHeight: column.implicitHeight + Theme.margin
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        Column {
            id: column
            x: Theme.margin
            width: Math.min(flick.width - 2 * Theme.margin, 720)
            spacing: Theme.groupGap
            Loader {
                id: deferredLoader
                width: parent.width
                active: false
                visible: page.deferredContent !== null
                sourceComponent: page.deferredContent
                onLoaded: page.deferredContentLoaded(item)
            }
        }
    }
}

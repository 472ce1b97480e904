import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0

// What every plain button shares: a click by pointer, keyboard or assistive tool, hover,
// the focus of the Tab key, an accessible name and a tooltip. Plain Qt Quick, so that
// the buttons the window shows at start do not wait for the controls library.
Item {
    id: button

    signal clicked()

    property string toolTipText: ""
    readonly property alias hovered: hover.hovered
    readonly property alias pressed: tap.pressed
    // Focus comes from the keyboard only (a click does not take it), so it always shows.
    readonly property bool visualFocus: activeFocus

    activeFocusOnTab: enabled
    Accessible.role: Accessible.Button
    Accessible.name: toolTipText
    Accessible.focusable: true
    // The press of a screen reader or a desktop test tool is a click.
    Accessible.onPressAction: if (enabled) clicked()

    HoverHandler { id: hover }
    TapHandler {
        id: tap
        gesturePolicy: TapHandler.ReleaseWithinBounds
        onTapped: button.clicked()
    }
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Keys.onSpacePressed: clicked()

    // The tip shows once the pointer has rested for half a second, until it leaves or presses.
    // Built at its first showing: most buttons are never rested on, and a tip laid out in
    // advance costs every start its text shaping in a size nothing else uses.
    property bool toolTipShown: false
    onHoveredChanged: toolTipShown = false
    onPressedChanged: toolTipShown = false
    Timer {
        interval: 500
        running: button.hovered && !button.pressed && button.toolTipText !== ""
        onTriggered: button.toolTipShown = true
    }
    Loader {
        // Kept once built.
        active: button.toolTipShown || status === Loader.Ready
        sourceComponent: TessivarToolTip {
            target: button
            text: button.toolTipText
            shown: button.toolTipShown
        }
    }
}

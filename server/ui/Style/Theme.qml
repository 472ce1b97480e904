pragma Singleton
import QtQuick

// The one palette, type scale and spacing of the window. Follows the system's light or
// dark choice unless `scheme` forces one.
QtObject {
    id: theme

    // "" follows the system; "light" or "dark" forces that set.
    property string scheme: ""

    readonly property SystemPalette systemPalette: SystemPalette { colorGroup: SystemPalette.Active }
    // Qt.styleHints.colorScheme where the Qt has it (2 is dark), else the palette's lightness.
    readonly property bool systemDark: typeof Qt.styleHints.colorScheme === "number"
                                       ? Qt.styleHints.colorScheme === 2
                                       : systemPalette.window.hslLightness < 0.5
    readonly property bool dark: scheme === "dark" || (scheme === "" && systemDark)

    // Colours. Text colours keep at least 4.5:1 against background and surface.
    readonly property color background: dark ? "#14171c" : "#f4f5f8"
    readonly property color surface: dark ? "#1e2229" : "#ffffff"
    readonly property color surfaceRaised: dark ? "#272c35" : "#eceff4"
    readonly property color chrome: dark ? "#0f1115" : "#1c2436"
    readonly property color chromeText: "#f2f4f8"
    readonly property color primary: dark ? "#8fb0ff" : "#2d59cf"
    readonly property color primaryText: dark ? "#0b1838" : "#ffffff"
    readonly property color text: dark ? "#e8eaef" : "#1b1f27"
    readonly property color secondaryText: dark ? "#a6aebb" : "#596273"
    readonly property color divider: dark ? "#353b46" : "#dce0e7"
    readonly property color success: dark ? "#5cc98f" : "#1d7a4c"
    readonly property color warning: dark ? "#e7b552" : "#8f5b00"
    readonly property color error: dark ? "#ff8a80" : "#c0262d"
    readonly property color hover: dark ? "#2b313b" : "#e8ecf3"
    readonly property color scrim: "#99000000"

    // Type scale, with the bundled Roboto.
    readonly property string fontFamily: "Roboto"
    readonly property int captionSize: 12
    readonly property int bodySize: 14
    readonly property int sectionSize: 16
    readonly property int pageTitleSize: 20
    readonly property int headingSize: 24

    // The 8-pixel grid.
    readonly property int unit: 8
    readonly property int gap: 8
    readonly property int groupGap: 16
    readonly property int margin: 24
    readonly property int rowHeight: 56
    readonly property int radius: 8

    readonly property int iconRow: 16
    readonly property int iconBar: 24

    readonly property int duration: 160
}

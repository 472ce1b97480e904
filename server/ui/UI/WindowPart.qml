import QtQuick

// A page, panel or popup of the main window, built the first time it is needed.
// A file of its own rather than an inline component: Qt 6.4 cannot verify a cached
// compilation of a file that declares one, and would compile the window at every start.
Loader {
    id: loader

    // The name tests and tools find the built item by.
    property string partName
    readonly property bool shown: item !== null && item.visible
    signal partShown()

    function build() {
        active = true
        return item
    }

    active: false
    onLoaded: item.objectName = partName

    Connections {
        target: loader.item
        function onVisibleChanged() { if (loader.item.visible) loader.partShown() }
    }
}

import QtQuick
import QtQuick.Window
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0
import com.tessivar.widgets.server 1.0

// The main window: frameless, with its own title bar, an action bar (add a block; the
// network, plugins, about and settings pages), the blocks, the panels to pick and set up
// a new block, the status line and the popups. Only the bars and the blocks are built
// with the window; the rest when first shown.
Window {
    id: mainWindow

    signal moduleCreationRequested()
    // A page's content is built when the page first shows; the application wires what
    // it holds (the device list) then.
    signal pageContentLoaded(var content)
    // The pages, panels and popups are built the first time they are needed, so that
    // the start waits for the blocks' list and the bars only; the application wires
    // each one as it is built.
    signal partLoaded(var part)

    width: 1200
    height: 800
    minimumWidth: 900
    minimumHeight: 600
    flags: Qt.Window | Qt.FramelessWindowHint
    title: "Tessivar"
    color: Theme.background
    visible: false

    // The controls inherit these: the plugins' block editors use plain QtQuick.Controls
    // and stay legible in either scheme without knowing the Theme.
    palette {
        window: Theme.background
        windowText: Theme.text
        base: Theme.surface
        alternateBase: Theme.surfaceRaised
        text: Theme.text
        button: Theme.surfaceRaised
        buttonText: Theme.text
        brightText: Theme.primaryText
        highlight: Theme.primary
        highlightedText: Theme.primaryText
        placeholderText: Theme.secondaryText
        toolTipBase: Theme.surfaceRaised
        toolTipText: Theme.text
        light: Theme.surfaceRaised
        midlight: Theme.hover
        mid: Theme.divider
        dark: Theme.divider
        shadow: Theme.chrome
        link: Theme.primary
    }

    // Brought to the front by toggling stay-on-top, which window managers honour.
    function raise() {
        mainWindow.flags = mainWindow.flags | Qt.WindowStaysOnTopHint
        mainWindow.flags = mainWindow.flags & ~Qt.WindowStaysOnTopHint
        mainWindow.requestActivate()
    }

    readonly property var parts: ({
        "network": networkPage, "plugins": pluginPage, "about": aboutPage, "settings": settingsPage,
        "moduleSelection": moduleSelection, "moduleEdition": moduleEdition, "error": errorPart,
        "taskManager": taskManager, "tutorial": tutorial, "releaseNotes": releaseNotes,
        "firewallInformation": firewallInformation
    })
    // Each part announces its item when built, once its own handler has named it.
    Component.onCompleted: {
        for (const name in parts) {
            const loader = parts[name]
            loader.loaded.connect(() => mainWindow.partLoaded(loader.item))
        }
    }
    // The part of that name, built now if it is not yet; null for an unknown name.
    function part(name) {
        const loader = parts[name]
        return loader ? loader.build() : null
    }

    readonly property var pages: [networkPage, pluginPage, aboutPage, settingsPage]

    // One page at a time: a page button shows its page, or hides it when it is shown.
    function togglePage(page) {
        const item = page.build()
        item.visible = !item.visible
    }
    function onPageShown(page) {
        for (const other of pages)
            if (other !== page && other.item)
                other.item.visible = false
    }

    TopBarWidget {
        id: topBar
        objectName: "widget_TopBar"
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: 48
    }

    Rectangle {
        id: actionBar
        anchors { left: parent.left; right: parent.right; top: topBar.bottom }
        height: 64
        color: Theme.surface
        Rectangle { anchors { left: parent.left; right: parent.right; bottom: parent.bottom } height: 1; color: Theme.divider }

        TessivarAnimatedIconButton {
            id: addButton
            objectName: "button_AddModule"
            anchors { left: parent.left; leftMargin: 16; verticalCenter: parent.verticalCenter }
            angle: moduleSelection.shown ? 45 : 0
            toolTipText: moduleSelection.shown ? qsTr("Close") : qsTr("Add a block")
            onClicked: mainWindow.moduleCreationRequested()
        }
        TessivarLabel {
            anchors { left: addButton.right; leftMargin: 16; verticalCenter: parent.verticalCenter }
            objectName: "text_PageTitle"
            // Names the page the user is on.
            text: networkPage.shown ? networkPage.item.title
                : pluginPage.shown ? pluginPage.item.title
                : aboutPage.shown ? qsTr("About Tessivar")
                : settingsPage.shown ? qsTr("Settings")
                : moduleEdition.shown ? (moduleEdition.item.newModule ? qsTr("New block") : qsTr("Edit block"))
                : moduleSelection.shown ? qsTr("Add a block") : qsTr("Your blocks")
            font.pixelSize: Theme.pageTitleSize
            font.weight: Font.Medium
        }

        Row {
            anchors { right: parent.right; rightMargin: 16; verticalCenter: parent.verticalCenter }
            spacing: 8
            TessivarIconButton {
                objectName: "button_NetworkStatus"
                iconName: "network"
                toolTipText: qsTr("Network and devices")
                checkedLook: networkPage.shown
                onClicked: mainWindow.togglePage(networkPage)
            }
            TessivarIconButton {
                objectName: "button_PluginInformation"
                iconName: "plugin"
                toolTipText: qsTr("Plugins")
                checkedLook: pluginPage.shown
                onClicked: mainWindow.togglePage(pluginPage)
            }
            TessivarIconButton {
                objectName: "button_About"
                iconName: "about"
                toolTipText: qsTr("About Tessivar")
                checkedLook: aboutPage.shown
                onClicked: mainWindow.togglePage(aboutPage)
            }
            TessivarIconButton {
                objectName: "button_Settings"
                iconName: "settings"
                toolTipText: qsTr("Settings")
                checkedLook: settingsPage.shown
                onClicked: mainWindow.togglePage(settingsPage)
            }
        }
    }

    Item {
        id: content
        anchors { left: parent.left; right: parent.right; top: actionBar.bottom; bottom: bottomBar.top }

        ModuleListWidget {
            id: moduleListWidget
            objectName: "widget_ModuleList"
            anchors.fill: parent
        }

        // Above the block panels: a page opened from a panel (a module's information) shows.
        WindowPart {
            id: networkPage
            partName: "widget_NetworkStatus"
            z: 2
            anchors.fill: parent
            source: "qrc:/Widgets/NetworkStatusWidget.qml"
            onPartShown: mainWindow.onPageShown(networkPage)
        }
        Connections {
            target: networkPage.item
            function onDeferredContentLoaded(item) { mainWindow.pageContentLoaded(item) }
        }
        WindowPart {
            id: pluginPage
            partName: "widget_PluginInformation"
            z: 2
            anchors.fill: parent
            source: "qrc:/Widgets/PluginInformationWidget.qml"
            onPartShown: mainWindow.onPageShown(pluginPage)
        }
        WindowPart {
            id: aboutPage
            partName: "widget_About"
            z: 2
            anchors.fill: parent
            source: "qrc:/UI/ServerAboutWidget.qml"
            onPartShown: mainWindow.onPageShown(aboutPage)
        }
        WindowPart {
            id: settingsPage
            partName: "widget_Settings"
            z: 2
            anchors.fill: parent
            source: "qrc:/UI/SettingsWidget.qml"
            onPartShown: mainWindow.onPageShown(settingsPage)
        }

        // Clicking beside the selection panel, before a module is picked, closes it.
        Rectangle {
            anchors.fill: parent
            visible: moduleSelection.shown
            color: Theme.scrim
            opacity: 0.5
            MouseArea {
                objectName: "area_BesideSelection"
                anchors.fill: parent
                onClicked: if (!moduleSelection.item.selectedModule) mainWindow.moduleCreationRequested()
            }
        }

        // Placing a block leaves the pages for the blocks.
        WindowPart {
            id: moduleSelection
            partName: "widget_ModuleSelection"
            anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
            width: 320
            source: "qrc:/UI/ModuleSelectionWidget.qml"
            onPartShown: mainWindow.onPageShown(null)
        }
        WindowPart {
            id: moduleEdition
            partName: "widget_ModuleEdition"
            anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
            width: Math.min(560, parent.width - moduleSelection.width)
            source: "qrc:/UI/ModuleEditionWidget.qml"
            onPartShown: mainWindow.onPageShown(null)
        }
    }

    BottomBarWidget {
        id: bottomBar
        objectName: "widget_BottomBar"
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 32
    }

    WindowPart {
        id: errorPart
        partName: "widget_Error"
        anchors.fill: parent
        source: "qrc:/Widgets/ErrorWidget.qml"
    }

    WindowPart {
        id: taskManager
        partName: "widget_TaskManager"
        anchors.fill: parent
        source: "qrc:/Widgets/TaskManagerWidget.qml"
    }
    // The task popups are built with the first task.
    Connections {
        target: TaskManager
        function onTaskStarted(task) { taskManager.build().taskStarted(task) }
        function onTaskFinished(task) { taskManager.build().taskFinished(task) }
        function onTaskDeleted(task) { if (taskManager.item) taskManager.item.taskDeleted(task) }
    }

    WindowPart {
        id: tutorial
        partName: "popup_Tutorial"
        source: "qrc:/Widgets/TutorialWidget.qml"
    }
    WindowPart {
        id: releaseNotes
        partName: "popup_ReleaseNotes"
        source: "qrc:/Widgets/ReleaseNotesWidget.qml"
    }
    WindowPart {
        id: firewallInformation
        partName: "popup_FirewallInformation"
        source: "qrc:/Widgets/FirewallInformationWidget.qml"
    }

    Connections {
        target: Controller
        function onReleaseNotesRequested() { releaseNotes.build().open() }
        function onFirewallInformationRequested() { firewallInformation.build().open() }
        function onPluginInformationRequested(pluginId) { pluginPage.build().showPlugin(pluginId, "") }
        function onModuleInformationRequested(pluginId, moduleId) { pluginPage.build().showPlugin(pluginId, moduleId) }
    }

    // The tour shows with the window: a start in the tray builds it when the window first opens.
    property bool tutorialOffered: false
    onVisibleChanged: {
        if (visible && !tutorialOffered) {
            tutorialOffered = true
            if (Configuration.ShowTutorial)
                tutorial.build().open()
        }
    }
}

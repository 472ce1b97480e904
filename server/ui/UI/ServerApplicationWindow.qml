import QtQuick
import QtQuick.Window
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0
import com.tessivar.widgets.server 1.0

// The main window: frameless, with its own title bar, an action bar (add a block; the
// network, plugins, about and settings pages), the blocks, the panels to pick and set up
// a new block, the status line and the popups.
Window {
    id: mainWindow

    signal moduleCreationRequested()
    // A page's content is built when the page first shows; the application wires what
    // it holds (the device list) then.
    signal pageContentLoaded(var content)

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

    readonly property var pages: [networkPage, pluginPage, aboutPage, settingsPage]

    // One page at a time: a page button shows its page, or hides it when it is shown.
    function togglePage(page) {
        page.visible = !page.visible
    }
    function onPageShown(page) {
        for (const other of pages)
            if (other !== page)
                other.visible = false
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
            angle: moduleSelection.visible ? 45 : 0
            toolTipText: moduleSelection.visible ? qsTr("Close") : qsTr("Add a block")
            onClicked: mainWindow.moduleCreationRequested()
        }
        TessivarLabel {
            anchors { left: addButton.right; leftMargin: 16; verticalCenter: parent.verticalCenter }
            objectName: "text_PageTitle"
            // Names the page the user is on.
            text: networkPage.visible ? networkPage.title
                : pluginPage.visible ? pluginPage.title
                : aboutPage.visible ? qsTr("About Tessivar")
                : settingsPage.visible ? qsTr("Settings")
                : moduleEdition.visible ? (moduleEdition.newModule ? qsTr("New block") : qsTr("Edit block"))
                : moduleSelection.visible ? qsTr("Add a block") : qsTr("Your blocks")
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
                checkedLook: networkPage.visible
                onClicked: mainWindow.togglePage(networkPage)
            }
            TessivarIconButton {
                objectName: "button_PluginInformation"
                iconName: "plugin"
                toolTipText: qsTr("Plugins")
                checkedLook: pluginPage.visible
                onClicked: mainWindow.togglePage(pluginPage)
            }
            TessivarIconButton {
                objectName: "button_About"
                iconName: "about"
                toolTipText: qsTr("About Tessivar")
                checkedLook: aboutPage.visible
                onClicked: mainWindow.togglePage(aboutPage)
            }
            TessivarIconButton {
                objectName: "button_Settings"
                iconName: "settings"
                toolTipText: qsTr("Settings")
                checkedLook: settingsPage.visible
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

        NetworkStatusWidget {
            id: networkPage
            // Above the block panels: a page opened from a panel (a module's information) shows.
            z: 2
            objectName: "widget_NetworkStatus"
            anchors.fill: parent
            onVisibleChanged: if (visible) mainWindow.onPageShown(networkPage)
            onDeferredContentLoaded: (item) => mainWindow.pageContentLoaded(item)
        }
        PluginInformationWidget {
            id: pluginPage
            z: 2
            objectName: "widget_PluginInformation"
            anchors.fill: parent
            onVisibleChanged: if (visible) mainWindow.onPageShown(pluginPage)
        }
        ServerAboutWidget {
            id: aboutPage
            z: 2
            objectName: "widget_About"
            anchors.fill: parent
            onVisibleChanged: if (visible) mainWindow.onPageShown(aboutPage)
        }
        SettingsWidget {
            id: settingsPage
            z: 2
            objectName: "widget_Settings"
            anchors.fill: parent
            onVisibleChanged: if (visible) mainWindow.onPageShown(settingsPage)
        }

        // Clicking beside the selection panel, before a module is picked, closes it.
        Rectangle {
            anchors.fill: parent
            visible: moduleSelection.visible
            color: Theme.scrim
            opacity: 0.5
            MouseArea {
                objectName: "area_BesideSelection"
                anchors.fill: parent
                onClicked: if (!moduleSelection.selectedModule) mainWindow.moduleCreationRequested()
            }
        }

        ModuleSelectionWidget {
            id: moduleSelection
            objectName: "widget_ModuleSelection"
            // Placing a block leaves the pages for the blocks.
            onVisibleChanged: if (visible) mainWindow.onPageShown(null)
            anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
            width: 320
        }

        ModuleEditionWidget {
            id: moduleEdition
            objectName: "widget_ModuleEdition"
            onVisibleChanged: if (visible) mainWindow.onPageShown(null)
            anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
            width: Math.min(560, parent.width - moduleSelection.width)
        }
    }

    BottomBarWidget {
        id: bottomBar
        objectName: "widget_BottomBar"
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 32
    }

    ErrorWidget {
        objectName: "widget_Error"
        anchors.fill: parent
    }

    TaskManagerWidget {
        objectName: "widget_TaskManager"
        anchors.fill: parent
    }

    TutorialWidget {
        id: tutorial
        objectName: "popup_Tutorial"
    }

    ReleaseNotes {
        id: releaseNotes
        objectName: "popup_ReleaseNotes"
    }

    FirewallInformationWidget {
        id: firewallInformation
        objectName: "popup_FirewallInformation"
    }

    Connections {
        target: Controller
        function onReleaseNotesRequested() { releaseNotes.open() }
        function onFirewallInformationRequested() { firewallInformation.open() }
        function onPluginInformationRequested(pluginId) { pluginPage.showPlugin(pluginId, "") }
        function onModuleInformationRequested(pluginId, moduleId) { pluginPage.showPlugin(pluginId, moduleId) }
    }

    Component.onCompleted: if (Configuration.ShowTutorial) tutorial.open()
}

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a device status block: the time-out and how each state looks.
ColumnLayout {
    id: root

    spacing: 8
    readonly property var helper: moduleHelpers.Helper

    function startEdition() {
    }
    function endEdition() {
    }

    RowLayout {
        spacing: 8
        Label { text: qsTr("Timeout delay"); font.pixelSize: 14 }
        SpinBox {
            objectName: "spinBox_Timeout"
            from: 5
            to: 500
            value: moduleClientParameters.TimeoutSeconds !== undefined ? moduleClientParameters.TimeoutSeconds : 20
            onValueModified: moduleClientParameters.TimeoutSeconds = value
        }
        Label { text: qsTr("seconds"); font.pixelSize: 14 }
    }

    TabBar {
        id: tabs
        objectName: "tabBar_States"
        Layout.fillWidth: true
        TabButton { text: qsTr("Online") }
        TabButton { text: qsTr("Offline") }
    }
    StackLayout {
        Layout.fillWidth: true
        currentIndex: tabs.currentIndex
        StatePage { prefix: "Online"; objectName: "page_Online" }
        StatePage { prefix: "Offline"; objectName: "page_Offline" }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true }

    component StatePage: GridLayout {
        id: page

        property string prefix
        columns: 2
        columnSpacing: 16
        rowSpacing: 8

        function value(key, fallback) {
            const v = moduleClientParameters[page.prefix + key]
            return v !== undefined ? v : fallback
        }

        Label { text: qsTr("Style"); font.pixelSize: 14 }
        ComboBox {
            model: [qsTr("Icon"), qsTr("Shape")]
            currentIndex: page.value("StatusStyle", 0)
            onActivated: index => moduleClientParameters[page.prefix + "StatusStyle"] = index
        }
        Label { text: qsTr("Shape type"); font.pixelSize: 14 }
        ComboBox {
            model: [qsTr("Circle"), qsTr("Square")]
            currentIndex: page.value("StatusShape", 0)
            onActivated: index => moduleClientParameters[page.prefix + "StatusShape"] = index
        }
        Label { text: qsTr("Selected icon"); font.pixelSize: 14 }
        RowLayout {
            spacing: 8
            Image {
                Layout.preferredWidth: 48
                Layout.preferredHeight: 48
                fillMode: Image.PreserveAspectFit
                source: page.value("StatusIcon", "")
            }
            ToolButton {
                icon.source: "icon-folder.png"
                icon.width: 24
                icon.height: 24
                icon.color: "transparent"
                ToolTip.visible: hovered
                ToolTip.text: qsTr("Choose an image")
                onClicked: {
                    const accepted = page.prefix === "Online" ? root.helper.selectOnlineIcon() : root.helper.selectOfflineIcon()
                    if (!accepted)
                        invalidImage.open()
                }
            }
            ToolButton {
                icon.source: "icon-reset.png"
                icon.width: 24
                icon.height: 24
                icon.color: "transparent"
                ToolTip.visible: hovered
                ToolTip.text: qsTr("Back to the built-in icon")
                onClicked: page.prefix === "Online" ? root.helper.resetOnlineIcon() : root.helper.resetOfflineIcon()
            }
        }
        Label { text: qsTr("Color overlay"); font.pixelSize: 14 }
        RowLayout {
            spacing: 8
            ComboBox {
                id: colorType
                model: [qsTr("Theme color"), qsTr("Custom color"), qsTr("None")]
                currentIndex: page.value("StatusColorType", 0)
                onActivated: index => moduleClientParameters[page.prefix + "StatusColorType"] = index
            }
            Rectangle {
                visible: colorType.currentIndex === 1
                width: 24
                height: 24
                radius: 4
                border.color: "#d0d6e2"
                color: page.value("StatusColor", "black")
                MouseArea { anchors.fill: parent; onClicked: colorDialog.open() }
            }
        }
        Label { text: qsTr("Status change animation"); font.pixelSize: 14 }
        ComboBox {
            model: [qsTr("None"), qsTr("Pulse")]
            currentIndex: page.value("StatusAnimation", 0)
            onActivated: index => moduleClientParameters[page.prefix + "StatusAnimation"] = index
        }

        ColorDialog {
            id: colorDialog
            selectedColor: page.value("StatusColor", "black")
            onAccepted: moduleClientParameters[page.prefix + "StatusColor"] = selectedColor
        }
    }

    Dialog {
        id: invalidImage
        objectName: "dialog_InvalidImage"
        title: qsTr("Invalid image")
        modal: true
        standardButtons: Dialog.Ok
        Label { text: qsTr("The file selected is not a supported image format.") }
    }
}

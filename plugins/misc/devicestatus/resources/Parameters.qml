import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a device status block: the time-out and how each state looks.
ColumnLayout {
    id: root

    spacing: Theme.gap
    readonly property var helper: moduleHelpers.Helper

    function startEdition() {
    }
    function endEdition() {
    }

    RowLayout {
        spacing: Theme.gap
        TessivarLabel { text: timeout.label }
        TessivarSpinBox {
            id: timeout
            objectName: "spinBox_Timeout"
            label: qsTr("Timeout delay")
            from: 5
            to: 500
            value: moduleClientParameters.TimeoutSeconds !== undefined ? moduleClientParameters.TimeoutSeconds : 20
            onValueModified: moduleClientParameters.TimeoutSeconds = value
        }
        TessivarLabel { text: qsTr("seconds"); color: Theme.secondaryText }
    }

    TabBar {
        id: tabs
        objectName: "tabBar_States"
        Layout.fillWidth: true
        Layout.topMargin: Theme.gap
        background: Rectangle {
            color: "transparent"
            Rectangle { anchors { left: parent.left; right: parent.right; bottom: parent.bottom } height: 1; color: Theme.divider }
        }
        StateTab { objectName: "tab_Online"; text: qsTr("Online") }
        StateTab { objectName: "tab_Offline"; text: qsTr("Offline") }
    }
    StackLayout {
        Layout.fillWidth: true
        currentIndex: tabs.currentIndex
        StatePage { prefix: "Online"; objectName: "page_Online" }
        StatePage { prefix: "Offline"; objectName: "page_Offline" }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true }

    component StateTab: TabButton {
        id: tab
        font.family: Theme.fontFamily
        font.pixelSize: Theme.bodySize
        font.weight: Font.Medium
        Accessible.role: Accessible.PageTab
        Accessible.name: text
        contentItem: Text {
            text: tab.text
            font: tab.font
            color: tab.checked ? Theme.primary : Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: tab.hovered ? Theme.hover : "transparent"
            Rectangle {
                anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
                height: 2
                color: Theme.primary
                visible: tab.checked
            }
        }
    }

    component StatePage: GridLayout {
        id: page

        property string prefix
        columns: 2
        columnSpacing: Theme.groupGap
        rowSpacing: Theme.gap

        function value(key, fallback) {
            const v = moduleClientParameters[page.prefix + key]
            return v !== undefined ? v : fallback
        }

        TessivarLabel { text: style.label; Layout.topMargin: Theme.gap }
        TessivarCombobox {
            id: style
            objectName: "comboBox_" + page.prefix + "Style"
            Layout.topMargin: Theme.gap
            label: qsTr("Style")
            model: [qsTr("Icon"), qsTr("Shape")]
            currentIndex: page.value("StatusStyle", 0)
            onActivated: index => moduleClientParameters[page.prefix + "StatusStyle"] = index
        }
        TessivarLabel { text: shape.label; visible: shape.visible }
        TessivarCombobox {
            id: shape
            objectName: "comboBox_" + page.prefix + "Shape"
            visible: style.currentIndex === 1
            label: qsTr("Shape type")
            model: [qsTr("Circle"), qsTr("Square")]
            currentIndex: page.value("StatusShape", 0)
            onActivated: index => moduleClientParameters[page.prefix + "StatusShape"] = index
        }
        TessivarLabel { text: qsTr("Selected icon"); visible: iconRow.visible }
        RowLayout {
            id: iconRow
            spacing: Theme.gap
            visible: style.currentIndex === 0
            Rectangle {
                Layout.preferredWidth: 48
                Layout.preferredHeight: 48
                radius: 4
                color: Theme.surfaceRaised
                border.color: Theme.divider
                Image {
                    anchors.fill: parent
                    anchors.margins: 4
                    fillMode: Image.PreserveAspectFit
                    Accessible.role: Accessible.Graphic
                    Accessible.name: qsTr("Icon shown while %1").arg(page.prefix === "Online" ? qsTr("online") : qsTr("offline"))
                    source: page.value("StatusIcon", "")
                }
            }
            TessivarButton {
                objectName: "button_" + page.prefix + "ChooseIcon"
                text: qsTr("Choose…")
                onClicked: {
                    const accepted = page.prefix === "Online" ? root.helper.selectOnlineIcon() : root.helper.selectOfflineIcon()
                    if (!accepted)
                        invalidImage.open()
                }
            }
            TessivarIconButton {
                objectName: "button_" + page.prefix + "ResetIcon"
                iconName: "reset"
                iconSize: Theme.iconRow
                toolTipText: qsTr("Back to the built-in icon")
                onClicked: page.prefix === "Online" ? root.helper.resetOnlineIcon() : root.helper.resetOfflineIcon()
            }
        }
        TessivarLabel { text: colorType.label; Layout.alignment: Qt.AlignTop; Layout.topMargin: Theme.gap }
        ColumnLayout {
            spacing: Theme.gap
            TessivarCombobox {
                id: colorType
                objectName: "comboBox_" + page.prefix + "ColorType"
                label: style.currentIndex === 0 ? qsTr("Color overlay") : qsTr("Color")
                model: [qsTr("The device's own"), qsTr("Custom color"), qsTr("None")]
                currentIndex: page.value("StatusColorType", 0)
                onActivated: index => moduleClientParameters[page.prefix + "StatusColorType"] = index
            }
            Flow {
                visible: colorType.currentIndex === 1
                Layout.fillWidth: true
                spacing: Theme.gap
                TessivarColorPicker {
                    controlled: true
                    namePrefix: "swatch_" + page.prefix + "Color"
                    label: colorType.label
                    color: page.value("StatusColor", "black")
                    onPicked: value => moduleClientParameters[page.prefix + "StatusColor"] = value
                }
                TessivarButton {
                    objectName: "button_" + page.prefix + "OtherColor"
                    text: qsTr("Other color…")
                    onClicked: colorDialog.open()
                }
            }
        }
        TessivarLabel { text: animation.label }
        TessivarCombobox {
            id: animation
            objectName: "comboBox_" + page.prefix + "Animation"
            label: qsTr("Status change animation")
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
        TessivarLabel { text: qsTr("The file selected is not a supported image format.") }
    }
}

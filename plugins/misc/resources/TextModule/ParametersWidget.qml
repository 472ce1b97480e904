import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a text block: the text (basic HTML), its alignments, size and colour.
GridLayout {
    id: root

    columns: 2
    columnSpacing: Theme.groupGap
    rowSpacing: Theme.gap

    function startEdition() {
    }
    function endEdition() {
    }

    TessivarLabel { id: textLabel; text: qsTr("Text"); Layout.alignment: Qt.AlignTop; Layout.topMargin: Theme.gap }
    TextArea {
        id: textArea
        objectName: "textArea_Text"
        Layout.fillWidth: true
        Layout.preferredHeight: 96
        wrapMode: TextEdit.Wrap
        selectByMouse: true
        font.family: Theme.fontFamily
        font.pixelSize: Theme.bodySize
        color: Theme.text
        placeholderText: qsTr("Plain text or basic HTML")
        placeholderTextColor: Theme.secondaryText
        selectionColor: Theme.primary
        selectedTextColor: Theme.primaryText
        Accessible.role: Accessible.EditableText
        Accessible.name: textLabel.text
        text: moduleClientParameters.Text !== undefined ? moduleClientParameters.Text : ""
        onTextChanged: if (activeFocus) moduleClientParameters.Text = text
        background: Rectangle {
            radius: 4
            color: Theme.surfaceRaised
            border.width: textArea.activeFocus ? 2 : 1
            border.color: textArea.activeFocus ? Theme.primary : Theme.divider
        }
    }

    TessivarLabel { text: verticalAlignment.label }
    TessivarCombobox {
        id: verticalAlignment
        objectName: "comboBox_VerticalAlignment"
        label: qsTr("Vertical alignment")
        model: [qsTr("Top"), qsTr("Center"), qsTr("Bottom")]
        currentIndex: moduleClientParameters.VerticalAlignment !== undefined ? moduleClientParameters.VerticalAlignment : 0
        onActivated: index => moduleClientParameters.VerticalAlignment = index
    }

    TessivarLabel { text: horizontalAlignment.label }
    TessivarCombobox {
        id: horizontalAlignment
        objectName: "comboBox_HorizontalAlignment"
        label: qsTr("Horizontal alignment")
        model: [qsTr("Left"), qsTr("Center"), qsTr("Right")]
        currentIndex: moduleClientParameters.HorizontalAlignment !== undefined ? moduleClientParameters.HorizontalAlignment : 0
        onActivated: index => moduleClientParameters.HorizontalAlignment = index
    }

    TessivarLabel { text: size.label }
    TessivarSpinBox {
        id: size
        objectName: "spinBox_Size"
        label: qsTr("Maximum size (% of the block)")
        from: 0
        to: 100
        value: moduleClientParameters.Size !== undefined ? moduleClientParameters.Size : 20
        onValueModified: moduleClientParameters.Size = value
    }

    TessivarLabel { text: colorPicker.label; Layout.alignment: Qt.AlignTop; Layout.topMargin: 4 }
    Flow {
        Layout.fillWidth: true
        spacing: Theme.gap
        TessivarColorPicker {
            id: colorPicker
            objectName: "picker_TextColor"
            controlled: true
            namePrefix: "swatch_TextColor"
            label: qsTr("Color")
            color: moduleClientParameters.Color !== undefined ? moduleClientParameters.Color : "lightgray"
            onPicked: value => moduleClientParameters.Color = value
        }
        TessivarButton {
            objectName: "button_ChooseColor"
            text: qsTr("Other color…")
            onClicked: colorDialog.open()
        }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true; Layout.columnSpan: 2 }

    ColorDialog {
        id: colorDialog
        selectedColor: moduleClientParameters.Color !== undefined ? moduleClientParameters.Color : "lightgray"
        onAccepted: moduleClientParameters.Color = selectedColor
    }
}

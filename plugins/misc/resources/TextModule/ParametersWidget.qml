import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a text block: the text (basic HTML), its alignments, size and colour.
GridLayout {
    id: root

    columns: 2
    columnSpacing: 16
    rowSpacing: 8

    function startEdition() {
    }
    function endEdition() {
    }

    Label { text: qsTr("Text"); font.pixelSize: 14; Layout.alignment: Qt.AlignTop }
    TextArea {
        objectName: "textArea_Text"
        Layout.fillWidth: true
        Layout.preferredHeight: 96
        wrapMode: TextEdit.Wrap
        text: moduleClientParameters.Text !== undefined ? moduleClientParameters.Text : ""
        onTextChanged: if (activeFocus) moduleClientParameters.Text = text
    }

    Label { text: qsTr("Vertical Alignment"); font.pixelSize: 14 }
    ComboBox {
        objectName: "comboBox_VerticalAlignment"
        model: [qsTr("Top"), qsTr("Center"), qsTr("Bottom")]
        currentIndex: moduleClientParameters.VerticalAlignment !== undefined ? moduleClientParameters.VerticalAlignment : 0
        onActivated: index => moduleClientParameters.VerticalAlignment = index
    }

    Label { text: qsTr("Horizontal Alignment"); font.pixelSize: 14 }
    ComboBox {
        objectName: "comboBox_HorizontalAlignment"
        model: [qsTr("Left"), qsTr("Center"), qsTr("Right")]
        currentIndex: moduleClientParameters.HorizontalAlignment !== undefined ? moduleClientParameters.HorizontalAlignment : 0
        onActivated: index => moduleClientParameters.HorizontalAlignment = index
    }

    Label { text: qsTr("Maximum Size"); font.pixelSize: 14 }
    SpinBox {
        objectName: "spinBox_Size"
        from: 0
        to: 100
        value: moduleClientParameters.Size !== undefined ? moduleClientParameters.Size : 20
        onValueModified: moduleClientParameters.Size = value
    }

    Label { text: qsTr("Color"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        Rectangle {
            width: 24
            height: 24
            radius: 4
            border.color: palette.mid
            color: moduleClientParameters.Color !== undefined ? moduleClientParameters.Color : "lightgray"
        }
        Button {
            objectName: "button_ChooseColor"
            text: qsTr("Choose…")
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

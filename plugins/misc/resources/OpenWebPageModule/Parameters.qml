import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a web page block: the address and the icon shown on the device.
ColumnLayout {
    id: root

    spacing: 8

    function startEdition() {
    }
    function endEdition() {
    }

    Label { text: qsTr("URL"); font.pixelSize: 14 }
    TextField {
        objectName: "textField_Url"
        Layout.fillWidth: true
        placeholderText: "https://"
        text: moduleLocalParameters.URL !== undefined ? moduleLocalParameters.URL : ""
        onTextEdited: moduleLocalParameters.URL = text
    }

    Label { text: qsTr("Icon"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        Image {
            objectName: "image_Icon"
            Layout.preferredWidth: 64
            Layout.preferredHeight: 64
            fillMode: Image.PreserveAspectFit
            source: moduleClientParameters.Icon !== undefined ? moduleClientParameters.Icon : ""
        }
        ToolButton {
            objectName: "button_ChooseIcon"
            icon.source: "icon-folder.png"
            icon.width: 24
            icon.height: 24
            ToolTip.visible: hovered
            ToolTip.text: qsTr("Choose an image")
            onClicked: iconDialog.open()
        }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true }

    FileDialog {
        id: iconDialog
        nameFilters: [qsTr("Images (*.png *.jpg *.jpeg *.bmp *.gif *.ico *.svg)")]
        onAccepted: moduleClientParameters.Icon = moduleHelpers.Helper.getImageBase64(selectedFile)
    }
}

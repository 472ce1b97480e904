import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a web page block: the address and the icon shown on the device.
ColumnLayout {
    id: root

    spacing: Theme.gap

    function startEdition() {
    }
    function endEdition() {
    }

    TessivarLabel { text: urlField.label }
    TessivarTextField {
        id: urlField
        objectName: "textField_Url"
        Layout.fillWidth: true
        label: qsTr("Address of the page")
        placeholderText: "https://"
        text: moduleLocalParameters.URL !== undefined ? moduleLocalParameters.URL : ""
        onTextEdited: moduleLocalParameters.URL = text
    }

    TessivarLabel { text: qsTr("Icon"); Layout.topMargin: Theme.gap }
    RowLayout {
        spacing: Theme.groupGap
        Rectangle {
            Layout.preferredWidth: 64
            Layout.preferredHeight: 64
            radius: 4
            color: Theme.surfaceRaised
            border.color: Theme.divider
            Image {
                objectName: "image_Icon"
                Accessible.role: Accessible.Graphic
                Accessible.name: qsTr("Icon shown on the device")
                anchors.fill: parent
                anchors.margins: 4
                fillMode: Image.PreserveAspectFit
                source: moduleClientParameters.Icon !== undefined ? moduleClientParameters.Icon : ""
            }
        }
        TessivarButton {
            objectName: "button_ChooseIcon"
            text: qsTr("Choose an image…")
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

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a macro block: the icon, and the key sequence recorded from the keys typed
// while recording.
ColumnLayout {
    id: root

    spacing: 8
    readonly property var recorder: moduleHelpers.MacroRecorder
    readonly property bool recording: recorder ? recorder.recording : false

    function startEdition() {
        if (recorder)
            recorder.reload()
    }
    function endEdition() {
        if (recorder)
            recorder.endRecording()
    }

    RowLayout {
        spacing: 8
        Label { text: qsTr("Icon"); font.pixelSize: 14 }
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
    Image {
        objectName: "image_Icon"
        Layout.preferredWidth: 64
        Layout.preferredHeight: 64
        fillMode: Image.PreserveAspectFit
        source: moduleClientParameters.Icon !== undefined ? moduleClientParameters.Icon : ""
    }

    Button {
        objectName: "button_Record"
        text: root.recording ? qsTr("Stop recording") : qsTr("Start recording")
        icon.source: root.recording ? "icon-record_stop.png" : "icon-record_start.png"
        icon.width: 16
        icon.height: 16
        icon.color: "transparent"
        onClicked: {
            keyCapture.forceActiveFocus()
            if (root.recording)
                root.recorder.endRecording()
            else
                root.recorder.startRecording(keyCapture)
        }
    }

    Label { text: qsTr("Key Sequence"); font.pixelSize: 16 }
    // The keys typed while recording reach the recorder through this item.
    FocusScope {
        id: keyCapture
        objectName: "item_KeyCapture"
        Layout.fillWidth: true
        Layout.preferredHeight: Math.max(placeholder.implicitHeight, Math.min(keyList.count, 6) * 24)
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true

        Rectangle {
            anchors.fill: parent
            color: "transparent"
            border.color: keyCapture.activeFocus && root.recording ? palette.highlight : palette.mid
            radius: 4
        }
        Label {
            id: placeholder
            objectName: "label_NoKeys"
            anchors.centerIn: parent
            padding: 8
            visible: keyList.count === 0 && !root.recording
            text: qsTr("Press the button to start recording a macro")
            font.pixelSize: 12
            color: palette.placeholderText
        }
        ListView {
            id: keyList
            objectName: "listView_Keys"
            anchors.fill: parent
            clip: true
            model: root.recorder ? root.recorder.keyNames : []
            onCountChanged: positionViewAtEnd()
            delegate: Row {
                height: 24
                spacing: 8
                Image {
                    width: 16
                    height: 16
                    anchors.verticalCenter: parent.verticalCenter
                    source: root.recorder && root.recorder.keyActions[index] ? "icon-key_press.png" : "icon-key_release.png"
                }
                Label {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData
                    font.pixelSize: 14
                }
            }
        }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true }

    FileDialog {
        id: iconDialog
        nameFilters: [qsTr("Images (*.png *.jpg *.jpeg *.bmp *.gif *.ico *.svg)")]
        onAccepted: moduleLocalParameters.IconPath = selectedFile
    }
}

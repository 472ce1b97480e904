import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a macro block: the icon, and the key sequence recorded from the keys typed
// while recording.
ColumnLayout {
    id: root

    spacing: Theme.gap
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

    TessivarLabel { text: qsTr("Icon") }
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

    TessivarLabel {
        text: qsTr("Key Sequence")
        font.pixelSize: Theme.sectionSize
        font.weight: Font.Medium
        Layout.topMargin: Theme.gap
    }
    TessivarButton {
        objectName: "button_Record"
        text: root.recording ? qsTr("Stop recording") : qsTr("Start recording")
        primary: !root.recording
        destructive: root.recording
        onClicked: {
            keyCapture.forceActiveFocus()
            if (root.recording)
                root.recorder.endRecording()
            else
                root.recorder.startRecording(keyCapture)
        }
    }
    // The keys typed while recording reach the recorder through this item.
    FocusScope {
        id: keyCapture
        objectName: "item_KeyCapture"
        Layout.fillWidth: true
        Layout.preferredHeight: Math.max(placeholder.implicitHeight + 16, Math.min(keyList.count, 6) * 24 + 8)
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Key Sequence")

        Rectangle {
            anchors.fill: parent
            color: Theme.surfaceRaised
            border.width: keyCapture.activeFocus && root.recording ? 2 : 1
            border.color: keyCapture.activeFocus && root.recording ? Theme.primary : Theme.divider
            radius: 4
        }
        TessivarLabel {
            id: placeholder
            objectName: "label_NoKeys"
            anchors.centerIn: parent
            width: parent.width - 16
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: keyList.count === 0
            text: root.recording ? qsTr("Type the keys to record, then press Stop recording")
                                 : qsTr("Press the button to start recording a macro")
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
        }
        ListView {
            id: keyList
            objectName: "listView_Keys"
            anchors.fill: parent
            anchors.margins: 4
            clip: true
            model: root.recorder ? root.recorder.keyNames : []
            onCountChanged: positionViewAtEnd()
            delegate: Row {
                height: 24
                spacing: Theme.gap
                Image {
                    width: 16
                    height: 16
                    anchors.verticalCenter: parent.verticalCenter
                    source: root.recorder && root.recorder.keyActions[index] ? "icon-key_press.png" : "icon-key_release.png"
                }
                TessivarLabel {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData
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

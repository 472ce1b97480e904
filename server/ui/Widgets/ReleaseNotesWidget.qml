import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// What changed in each version, newest first as the notes list them.
TessivarPopup {
    id: popup

    readonly property var notes: typeof Controller.ReleaseNotes !== "undefined" ? Controller.ReleaseNotes : null

    title: qsTr("What's new in Tessivar %1").arg(Controller.getSoftwareVersion())

    ListView {
        id: list
        objectName: "list_ReleaseNotes"
        width: parent.width
        height: Math.min(contentHeight, 360)
        clip: true
        spacing: Theme.groupGap
        model: popup.notes
        ScrollBar.vertical: ScrollBar {}
        delegate: Column {
            required property var model
            readonly property var release: model.display
            width: list.width
            spacing: 4
            TessivarLabel {
                text: parent.release && parent.release.Version !== undefined ? qsTr("Version %1").arg(parent.release.Version) : ""
                font.pixelSize: Theme.sectionSize
                font.weight: Font.Medium
            }
            Repeater {
                model: parent.release && parent.release.Notes !== undefined ? parent.release.Notes : []
                delegate: TessivarLabel {
                    required property var modelData
                    width: list.width
                    wrapMode: Text.Wrap
                    text: (modelData.BugFix ? qsTr("Fixed: ") : "• ") + modelData.Note
                }
            }
        }
    }
    TessivarLabel {
        visible: list.count === 0
        width: parent.width
        wrapMode: Text.Wrap
        color: Theme.secondaryText
        text: qsTr("No release notes are available for this version.")
    }
    buttons: [
        TessivarButton { objectName: "button_ReleaseNotesClose"; primary: true; text: qsTr("OK"); onClicked: popup.close() }
    ]
}

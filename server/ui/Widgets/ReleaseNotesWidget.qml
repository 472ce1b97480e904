import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// What changed in each version, newest first as the notes list them.
TessivarPopup {
    id: popup

    readonly property var notes: typeof Controller.ReleaseNotes !== "undefined" ? Controller.ReleaseNotes : null

    title: qsTr("What's new in Tessivar %1").arg(Controller.getSoftwareVersion())

    lazyContent: Component {
        Column {
            spacing: Theme.gap
            ListView {
                id: list
                objectName: "list_ReleaseNotes"
                width: parent.width
                height: Math.min(contentHeight, 360)
                clip: true
                spacing: Theme.groupGap
                // Laid out while the popup is open only.
                model: popup.visible ? popup.notes : null
                ScrollBar.vertical: ScrollBar {}
                delegate: Column {
                    id: release
                    required property var model
                    width: list.width
                    spacing: 4
                    TessivarLabel {
                        text: release.model.Version !== undefined
                              ? (release.model.Date !== undefined && !isNaN(release.model.Date)
                                 ? qsTr("Version %1 · %2").arg(release.model.Version).arg(Qt.formatDate(release.model.Date, Qt.DefaultLocaleLongDate))
                                 : qsTr("Version %1").arg(release.model.Version))
                              : ""
                        font.pixelSize: Theme.sectionSize
                        font.weight: Font.Medium
                    }
                    Repeater {
                        model: release.model.Notes !== undefined ? release.model.Notes : []
                        delegate: TessivarLabel {
                            required property var modelData
                            width: list.width
                            wrapMode: Text.Wrap
                            elide: Text.ElideNone
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
        }
    }
    lazyButtons: Component {
        TessivarButton { objectName: "button_ReleaseNotesClose"; primary: true; text: qsTr("OK"); onClicked: popup.close() }
    }
}

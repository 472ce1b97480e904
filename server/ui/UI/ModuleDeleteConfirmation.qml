import QtQuick
import com.tessivar.widgets 1.0

// The question asked once before a block is deleted.
TessivarPopup {
    id: confirmDelete

    signal deleteConfirmed(var block)

    property var block: null
    property string blockTitle: ""

    function openFor(block, title) {
        confirmDelete.block = block
        confirmDelete.blockTitle = title
        open()
    }

    objectName: "popup_ConfirmDelete"
    title: qsTr("Delete “%1”?").arg(blockTitle)
    onClosed: block = null

    TessivarLabel {
        width: parent.width
        wrapMode: Text.Wrap
        color: Theme.secondaryText
        text: qsTr("The block disappears from its device's dashboard.")
    }
    buttons: [
        TessivarButton {
            objectName: "button_DeleteCancel"
            text: qsTr("Keep")
            onClicked: confirmDelete.close()
        },
        TessivarButton {
            objectName: "button_DeleteConfirm"
            text: qsTr("Delete")
            primary: true
            destructive: true
            onClicked: {
                const block = confirmDelete.block
                confirmDelete.close()
                confirmDelete.deleteConfirmed(block)
            }
        }
    ]
}

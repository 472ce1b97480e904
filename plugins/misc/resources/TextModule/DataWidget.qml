import QtQuick
import QtQuick.Layouts

// A fixed text with basic HTML, "Size" percent of the block high, placed by the
// block's alignments.
Item {
    id: root

    implicitWidth: 256
    implicitHeight: 128

    readonly property int verticalAlignment: moduleParameters.VerticalAlignment !== undefined ? moduleParameters.VerticalAlignment : 0
    readonly property int horizontalAlignment: moduleParameters.HorizontalAlignment !== undefined ? moduleParameters.HorizontalAlignment : 0
    readonly property real sizePercent: moduleParameters.Size !== undefined ? moduleParameters.Size : 20

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item { Layout.fillHeight: root.verticalAlignment >= 1; Layout.fillWidth: true }

        Text {
            id: text
            objectName: "text_Text"
            Layout.fillWidth: true
            Layout.preferredHeight: root.height * root.sizePercent / 100
            font.pixelSize: Math.max(1, root.height * root.sizePercent / 100)
            text: moduleParameters.Text !== undefined ? moduleParameters.Text : ""
            textFormat: Text.StyledText
            color: moduleParameters.Color !== undefined ? moduleParameters.Color : "lightgray"
            horizontalAlignment: root.horizontalAlignment === 1 ? Text.AlignHCenter
                                 : root.horizontalAlignment === 2 ? Text.AlignRight : Text.AlignLeft
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }

        Item { Layout.fillHeight: root.verticalAlignment <= 1; Layout.fillWidth: true }
    }
}

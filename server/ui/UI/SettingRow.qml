import QtQuick
import com.tessivar.widgets 1.0

// A setting: its name, the controls that change it and a hint below them.
Column {
    property string label: ""
    property string hint: ""
    default property alias controls: controlRow.data
    spacing: 8
    TessivarLabel { text: parent.label }
    Row {
        id: controlRow
        spacing: 8
    }
    TessivarLabel {
        text: parent.hint
        visible: text !== ""
        color: Theme.secondaryText
        font.pixelSize: Theme.captionSize
    }
}

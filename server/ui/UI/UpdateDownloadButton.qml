import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// The offer of a newer version, in the status line.
TessivarButton {
    property string version: ""

    objectName: "button_UpdateDownload"
    implicitHeight: 24
    primary: true
    text: qsTr("Update to %1").arg(version)
    ToolTip.visible: hovered
    ToolTip.text: qsTr("Version %1 is available. Press to download.").arg(version)
}

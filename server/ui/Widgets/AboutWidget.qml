import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// What this program is: its versions and its licence.
AboutWidgetImpl {
    id: about

    implicitHeight: column.implicitHeight
    implicitWidth: 480

    Column {
        id: column
        width: parent.width
        spacing: Theme.groupGap

        Row {
            spacing: Theme.groupGap
            Image {
                source: "qrc:/icon/Images/Icon_systemtray.png"
                width: 64
                height: 64
                sourceSize: Qt.size(128, 128)
            }
            Column {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 4
                TessivarLabel {
                    text: qsTr("Tessivar Remote Dashboard")
                    font.pixelSize: Theme.headingSize
                    font.weight: Font.Medium
                }
                TessivarLabel {
                    text: qsTr("Dashboards on your phones and tablets, run by this computer.")
                    color: Theme.secondaryText
                }
            }
        }

        Grid {
            columns: 2
            columnSpacing: Theme.margin
            rowSpacing: Theme.gap
            TessivarLabel { text: qsTr("Version"); color: Theme.secondaryText }
            TessivarLabel { objectName: "text_SoftwareVersion"; text: about.getSoftwareVersion() }
            TessivarLabel { text: qsTr("Qt version"); color: Theme.secondaryText }
            TessivarLabel { objectName: "text_QtVersion"; text: about.getQtVersion() }
        }

        TessivarLabel {
            width: parent.width
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            text: qsTr("Tessivar uses the Qt libraries under the GNU Lesser General Public License, version 3, and the Roboto fonts under the Apache License 2.0.")
        }

        TessivarButton {
            id: licenceButton
            objectName: "button_ShowLicence"
            text: licence.visible ? qsTr("Hide the licence") : qsTr("Show the licence")
            onClicked: licence.visible = !licence.visible
        }

        Rectangle {
            id: licence
            objectName: "text_Licence"
            visible: false
            width: parent.width
            height: 320
            radius: Theme.radius
            color: Theme.surface
            border.color: Theme.divider
            ScrollView {
                anchors { fill: parent; margins: 8 }
                TextArea {
                    readOnly: true
                    wrapMode: Text.Wrap
                    text: licence.visible ? about.getLgplText() : ""
                    color: Theme.text
                    font.family: "monospace"
                    font.pixelSize: Theme.captionSize
                    background: null
                }
            }
        }
    }
}

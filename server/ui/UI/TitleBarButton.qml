import QtQuick

Rectangle {
    id: button

    property alias label: text.text
    signal clicked()

    width: 40
    height: 32
    radius: 4
    color: area.containsMouse ? "#33ffffff" : "transparent"

    Text {
        id: text
        anchors.centerIn: parent
        color: "white"
        font.pixelSize: 16
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: button.clicked()
    }
}

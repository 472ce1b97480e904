import QtQuick
import com.tessivar.widgets.impl 1.0

// The error popup: title, description, one button per offered action, "OK", and the code.
ErrorWidgetImpl {
    id: errorWidget

    property string errorTitle
    property string errorDescription
    property int errorCode: 0
    property var errorActions: []
    property var errorActionDescriptions: []

    visible: false
    z: 1000

    Rectangle {
        anchors.fill: parent
        color: "#99000000"
        MouseArea { anchors.fill: parent } // modal: nothing behind is clickable
    }

    Rectangle {
        id: panel
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 560)
        height: content.implicitHeight + 48
        radius: 8
        color: "white"

        Column {
            id: content
            anchors { left: parent.left; right: parent.right; top: parent.top; margins: 24 }
            spacing: 16

            Text {
                objectName: "text_ErrorTitle"
                text: errorWidget.errorTitle
                font.family: "Roboto"
                font.pixelSize: 22
                color: "#c62828"
            }
            Text {
                objectName: "text_ErrorDescription"
                width: parent.width
                text: errorWidget.errorDescription
                wrapMode: Text.Wrap
                font.family: "Roboto"
                font.pixelSize: 15
                color: "#1f2a44"
            }
            Row {
                spacing: 8
                Repeater {
                    model: errorWidget.errorActions.length
                    delegate: ErrorButton {
                        label: errorWidget.errorActionDescriptions[index]
                        onClicked: errorWidget.selectAction(errorWidget.errorActions[index])
                    }
                }
                ErrorButton {
                    objectName: "button_ErrorOk"
                    label: qsTr("OK")
                    onClicked: errorWidget.closeWindow()
                }
            }
        }

        Text {
            anchors { right: parent.right; bottom: parent.bottom; margins: 8 }
            text: "#%1".arg(errorWidget.errorCode)
            color: "#8a93a6"
            font.pixelSize: 11
        }
    }

    component ErrorButton: Rectangle {
        property alias label: buttonText.text
        signal clicked()
        width: buttonText.implicitWidth + 32
        height: 36
        radius: 4
        color: buttonArea.pressed ? "#3949ab" : "#1f2a44"
        Text {
            id: buttonText
            anchors.centerIn: parent
            color: "white"
            font.family: "Roboto"
            font.pixelSize: 14
        }
        MouseArea {
            id: buttonArea
            anchors.fill: parent
            onClicked: parent.clicked()
        }
    }
}

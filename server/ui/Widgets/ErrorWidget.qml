import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.impl 1.0

// The error popup: what happened, what the user can do (one button per offered
// action), "OK", and the code. Shown while the widget is visible, above any other popup.
ErrorWidgetImpl {
    id: errorWidget

    property string errorTitle
    property string errorDescription
    property int errorCode: 0
    property var errorActions: []
    property var errorActionDescriptions: []

    visible: false

    TessivarPopup {
        id: popup
        objectName: "popup_Error"
        z: 1000
        visible: errorWidget.visible
        onOpened: okButton.forceActiveFocus()
        // Escape is the "OK" of the keyboard.
        onClosed: if (errorWidget.visible) errorWidget.closeWindow()

        Row {
            spacing: Theme.gap
            TessivarIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "warning"
                color: Theme.error
            }
            TessivarLabel {
                objectName: "text_ErrorTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: errorWidget.errorTitle
                font.pixelSize: Theme.pageTitleSize
                font.weight: Font.Medium
            }
        }
        TessivarLabel {
            objectName: "text_ErrorDescription"
            width: parent.width
            text: errorWidget.errorDescription
            wrapMode: Text.Wrap
        }
        TessivarLabel {
            objectName: "text_ErrorCode"
            text: "#%1".arg(errorWidget.errorCode)
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
        }
        buttons: [
            Repeater {
                model: errorWidget.errorActions.length
                delegate: TessivarButton {
                    required property int index
                    objectName: "button_ErrorAction_" + errorWidget.errorActions[index]
                    text: errorWidget.errorActionDescriptions[index] !== undefined ? errorWidget.errorActionDescriptions[index] : ""
                    onClicked: errorWidget.selectAction(errorWidget.errorActions[index])
                }
            },
            TessivarButton {
                id: okButton
                objectName: "button_ErrorOk"
                text: qsTr("OK")
                primary: true
                onClicked: errorWidget.closeWindow()
            }
        ]
    }
}

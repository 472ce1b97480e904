import QtQuick

// A block that shows its icon; a press asks the server to carry out the block's action.
Item {
    id: root

    implicitWidth: 128
    implicitHeight: 128

    Image {
        id: icon
        objectName: "image_Icon"
        anchors.fill: parent
        source: moduleParameters.Icon ? moduleParameters.Icon : ""
        fillMode: Image.PreserveAspectFit
        smooth: true
    }

    SequentialAnimation {
        id: pressAnimation
        NumberAnimation { target: icon; property: "scale"; from: 1; to: 0.8; duration: 100; easing.type: Easing.OutQuad }
        NumberAnimation { target: icon; property: "scale"; from: 0.8; to: 1; duration: 100; easing.type: Easing.OutQuad }
    }

    MouseArea {
        objectName: "mouseArea_Press"
        anchors.fill: parent
        onClicked: {
            moduleData.Command = 1
            pressAnimation.restart()
        }
    }
}

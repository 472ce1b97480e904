import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The time (and date) of the block's zone: the device's UTC time plus "TimeOffset".
// Every clock changes at the same moment, half a second after the whole second.
Item {
    id: root

    implicitWidth: 256
    implicitHeight: 128

    readonly property real timeOffset: moduleData.TimeOffset !== undefined ? moduleData.TimeOffset : 0
    property date currentTime: zoneTime()
    // The device's own text colour, light or dark with its dashboard.
    readonly property color defaultTextColor: time.palette.windowText

    // A date whose local-time fields show the zone's wall time.
    function zoneTime() {
        const now = new Date()
        return new Date(now.getTime() + timeOffset + now.getTimezoneOffset() * 60000)
    }
    function untilNextChange() {
        return 1500 - (Date.now() % 1000)
    }

    onTimeOffsetChanged: currentTime = zoneTime()

    Timer {
        id: tick
        running: true
        interval: root.untilNextChange()
        onTriggered: {
            root.currentTime = root.zoneTime()
            interval = root.untilNextChange()
            start()
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Label {
            id: dateAbove
            objectName: "text_DateAbove"
            visible: moduleParameters.ShowDate === true && moduleParameters.DatePosition === 0
            Layout.fillWidth: true
            Layout.preferredHeight: root.height * (moduleParameters.DateSize !== undefined ? moduleParameters.DateSize : 20) / 100
            text: Qt.formatDateTime(root.currentTime, moduleParameters.DateFormat !== undefined ? moduleParameters.DateFormat : "")
            color: root.defaultTextColor
            font.pixelSize: Math.max(1, height)
            fontSizeMode: Text.Fit
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }

        Label {
            id: time
            objectName: "text_Time"
            visible: moduleParameters.ShowTime === true && moduleParameters.ClockType === 0
            Layout.fillWidth: true
            Layout.fillHeight: true
            text: Qt.formatDateTime(root.currentTime, moduleParameters.TimeFormat !== undefined ? moduleParameters.TimeFormat : "hh:mm:ss")
            color: moduleParameters.TextColorType === 1 ? moduleParameters.TextColor : root.defaultTextColor
            font.family: Qt.platform.os === "ios" ? "menlo" : "consolas"
            font.pixelSize: Math.max(1, height)
            minimumPixelSize: 4
            fontSizeMode: Text.Fit
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }

        Label {
            id: dateBelow
            objectName: "text_DateBelow"
            visible: moduleParameters.ShowDate === true && moduleParameters.DatePosition !== 0
            Layout.fillWidth: true
            Layout.preferredHeight: dateAbove.Layout.preferredHeight
            text: dateAbove.text
            color: root.defaultTextColor
            font.pixelSize: Math.max(1, height)
            fontSizeMode: Text.Fit
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a clock block: colour, time zone, date and time formats. startEdition()
// loads every parameter into its control; from then on each change is written at once.
GridLayout {
    id: root

    columns: 2
    columnSpacing: 16
    rowSpacing: 8

    property bool editing: false
    readonly property var timeZones: moduleHelpers.TimeZones

    function startEdition() {
        editing = false
        clockType.currentIndex = moduleClientParameters.ClockType
        colorType.currentIndex = moduleClientParameters.TextColorType
        regionBox.model = timeZones ? timeZones.getTimeZoneRegions() : []
        regionBox.currentIndex = regionBox.find(moduleLocalParameters.TimeZoneRegion)
        fillAreas()
        areaBox.currentIndex = areaBox.find(moduleLocalParameters.TimeZoneArea)
        showDate.checked = moduleClientParameters.ShowDate
        datePosition.currentIndex = moduleClientParameters.DatePosition
        dateFormat.text = moduleClientParameters.DateFormat
        dateSize.value = moduleClientParameters.DateSize
        showTime.checked = moduleClientParameters.ShowTime
        timeFormat.text = moduleClientParameters.TimeFormat
        editing = true
    }
    function endEdition() {
        editing = false
    }
    function fillAreas() {
        areaBox.model = timeZones && regionBox.currentIndex >= 0 ? timeZones.getTimeZonesForRegion(regionBox.textAt(regionBox.currentIndex)) : []
    }

    Label { text: qsTr("Type"); font.pixelSize: 14; visible: false }
    ComboBox {
        id: clockType
        objectName: "comboBox_ClockType"
        visible: false
        model: [qsTr("Digital"), qsTr("Analog")]
        onActivated: index => moduleClientParameters.ClockType = index
    }

    Label { text: qsTr("Color"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        ComboBox {
            id: colorType
            objectName: "comboBox_ColorType"
            model: [qsTr("Default"), qsTr("Custom")]
            onActivated: index => moduleClientParameters.TextColorType = index
        }
        Rectangle {
            visible: colorType.currentIndex === 1
            width: 24
            height: 24
            radius: 4
            border.color: palette.mid
            color: moduleClientParameters.TextColor !== undefined ? moduleClientParameters.TextColor : "black"
            MouseArea { anchors.fill: parent; onClicked: colorDialog.open() }
        }
    }

    Label { text: qsTr("Time Zone"); font.pixelSize: 16; Layout.columnSpan: 2; Layout.topMargin: 8 }
    ComboBox {
        id: regionBox
        objectName: "comboBox_Region"
        Layout.fillWidth: true
        onCurrentIndexChanged: {
            if (!root.editing)
                return
            root.fillAreas()
            moduleLocalParameters.TimeZoneRegion = textAt(currentIndex)
            areaBox.currentIndex = areaBox.count > 0 ? 0 : -1
            moduleLocalParameters.TimeZoneArea = areaBox.count > 0 ? areaBox.textAt(0) : ""
        }
    }
    ComboBox {
        id: areaBox
        objectName: "comboBox_Area"
        Layout.fillWidth: true
        onActivated: moduleLocalParameters.TimeZoneArea = currentText
    }

    Label { text: qsTr("Date"); font.pixelSize: 16; Layout.columnSpan: 2; Layout.topMargin: 8 }
    Label { text: qsTr("Show"); font.pixelSize: 14 }
    CheckBox {
        id: showDate
        objectName: "checkBox_ShowDate"
        onToggled: moduleClientParameters.ShowDate = checked
    }
    Label { text: qsTr("Position"); font.pixelSize: 14 }
    ComboBox {
        id: datePosition
        objectName: "comboBox_DatePosition"
        model: [qsTr("Top"), qsTr("Bottom")]
        onActivated: index => moduleClientParameters.DatePosition = index
    }
    Label { text: qsTr("Format"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        TextField {
            id: dateFormat
            objectName: "textField_DateFormat"
            Layout.fillWidth: true
            onTextEdited: moduleClientParameters.DateFormat = text
        }
        HelpIcon {
            help: qsTr("d: day (1-31), dd: day (01-31), ddd: short day name, dddd: day name\n"
                       + "M: month (1-12), MM: month (01-12), MMM: short month name, MMMM: month name\n"
                       + "yy: year (00-99), yyyy: year")
        }
    }
    Label { text: qsTr("Max size"); font.pixelSize: 14 }
    SpinBox {
        id: dateSize
        objectName: "spinBox_DateSize"
        from: 0
        to: 100
        onValueModified: moduleClientParameters.DateSize = value
    }

    Label { text: qsTr("Time"); font.pixelSize: 16; Layout.columnSpan: 2; Layout.topMargin: 8 }
    Label { text: qsTr("Show"); font.pixelSize: 14 }
    CheckBox {
        id: showTime
        objectName: "checkBox_ShowTime"
        onToggled: moduleClientParameters.ShowTime = checked
    }
    Label { text: qsTr("Format"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        TextField {
            id: timeFormat
            objectName: "textField_TimeFormat"
            Layout.fillWidth: true
            onTextEdited: moduleClientParameters.TimeFormat = text
        }
        HelpIcon {
            help: qsTr("h: hour (0-23), hh: hour (00-23), AP: AM/PM\n"
                       + "m: minute (0-59), mm: minute (00-59)\n"
                       + "s: second (0-59), ss: second (00-59), zzz: milliseconds")
        }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true; Layout.columnSpan: 2 }

    component HelpIcon: Image {
        property string help
        source: "HelpIcon.png"
        sourceSize.width: 16
        sourceSize.height: 16
        HoverHandler { id: hover }
        ToolTip.visible: hover.hovered
        ToolTip.text: help
    }

    ColorDialog {
        id: colorDialog
        selectedColor: moduleClientParameters.TextColor !== undefined ? moduleClientParameters.TextColor : "black"
        onAccepted: moduleClientParameters.TextColor = selectedColor
    }
}

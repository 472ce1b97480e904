import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a clock block: colour, time zone, date and time formats. startEdition()
// loads every parameter into its control; from then on each change is written at once.
GridLayout {
    id: root

    columns: 2
    columnSpacing: Theme.groupGap
    rowSpacing: Theme.gap

    property bool editing: false
    readonly property var timeZones: moduleHelpers.TimeZones

    // Zone names as people write them: "Isle_of_Man" is shown "Isle of Man".
    function displayName(name) {
        return name.replace(/_/g, " ").replace(/\//g, " / ")
    }
    function entries(names) {
        return names.map(name => ({ text: root.displayName(name), value: name }))
    }

    function startEdition() {
        editing = false
        clockType.currentIndex = moduleClientParameters.ClockType
        colorType.currentIndex = moduleClientParameters.TextColorType
        regionBox.model = timeZones ? entries(timeZones.getTimeZoneRegions()) : []
        let region = moduleLocalParameters.TimeZoneRegion !== undefined ? moduleLocalParameters.TimeZoneRegion : ""
        let area = moduleLocalParameters.TimeZoneArea !== undefined ? moduleLocalParameters.TimeZoneArea : ""
        const known = timeZones && regionBox.indexOfValue(region) >= 0 && timeZones.getTimeZonesForRegion(region).indexOf(area) >= 0
        if (!known && timeZones) {
            // A block without a zone of its own starts on the computer's.
            const own = timeZones.systemTimeZone()
            if (own.length === 2) {
                region = own[0]
                area = own[1]
                moduleLocalParameters.TimeZoneRegion = region
                moduleLocalParameters.TimeZoneArea = area
            }
        }
        regionBox.currentIndex = regionBox.indexOfValue(region)
        fillAreas()
        areaBox.currentIndex = areaBox.indexOfValue(area)
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
        areaBox.model = timeZones && regionBox.currentIndex >= 0
                ? entries(timeZones.getTimeZonesForRegion(regionBox.valueAt(regionBox.currentIndex))) : []
    }

    TessivarLabel { text: clockType.label; visible: false }
    TessivarCombobox {
        id: clockType
        objectName: "comboBox_ClockType"
        visible: false
        label: qsTr("Type")
        model: [qsTr("Digital"), qsTr("Analog")]
        onActivated: index => moduleClientParameters.ClockType = index
    }

    TessivarLabel { text: colorType.label; Layout.alignment: Qt.AlignTop; Layout.topMargin: Theme.gap }
    ColumnLayout {
        spacing: Theme.gap
        TessivarCombobox {
            id: colorType
            objectName: "comboBox_ColorType"
            label: qsTr("Color")
            model: [qsTr("The device's own"), qsTr("Custom")]
            onActivated: index => moduleClientParameters.TextColorType = index
        }
        Flow {
            visible: colorType.currentIndex === 1
            Layout.fillWidth: true
            spacing: Theme.gap
            TessivarColorPicker {
                objectName: "picker_TextColor"
                controlled: true
                namePrefix: "swatch_TextColor"
                label: colorType.label
                color: moduleClientParameters.TextColor !== undefined ? moduleClientParameters.TextColor : "black"
                onPicked: value => moduleClientParameters.TextColor = value
            }
            TessivarButton {
                objectName: "button_ChooseColor"
                text: qsTr("Other color…")
                onClicked: colorDialog.open()
            }
        }
    }

    SectionTitle { text: qsTr("Time Zone") }
    TessivarLabel { text: regionBox.label }
    TessivarCombobox {
        id: regionBox
        objectName: "comboBox_Region"
        Layout.fillWidth: true
        label: qsTr("Region")
        textRole: "text"
        valueRole: "value"
        onCurrentIndexChanged: {
            if (!root.editing)
                return
            root.fillAreas()
            moduleLocalParameters.TimeZoneRegion = valueAt(currentIndex)
            areaBox.currentIndex = areaBox.count > 0 ? 0 : -1
            moduleLocalParameters.TimeZoneArea = areaBox.count > 0 ? areaBox.valueAt(0) : ""
        }
    }
    TessivarLabel { text: areaBox.label }
    TessivarCombobox {
        id: areaBox
        objectName: "comboBox_Area"
        Layout.fillWidth: true
        label: qsTr("City")
        textRole: "text"
        valueRole: "value"
        onActivated: moduleLocalParameters.TimeZoneArea = currentValue
    }

    SectionTitle { text: qsTr("Date") }
    Item { implicitWidth: 1; implicitHeight: 1 }
    TessivarCheckBox {
        id: showDate
        objectName: "checkBox_ShowDate"
        text: qsTr("Show the date")
        onToggled: moduleClientParameters.ShowDate = checked
    }
    TessivarLabel { text: datePosition.label }
    TessivarCombobox {
        id: datePosition
        objectName: "comboBox_DatePosition"
        label: qsTr("Position")
        model: [qsTr("Above the time"), qsTr("Below the time")]
        onActivated: index => moduleClientParameters.DatePosition = index
    }
    TessivarLabel { text: dateFormat.label }
    RowLayout {
        spacing: Theme.gap
        TessivarTextField {
            id: dateFormat
            objectName: "textField_DateFormat"
            Layout.fillWidth: true
            label: qsTr("Date format")
            onTextEdited: moduleClientParameters.DateFormat = text
        }
        HelpIcon {
            help: qsTr("d: day (1-31), dd: day (01-31), ddd: short day name, dddd: day name\n"
                       + "M: month (1-12), MM: month (01-12), MMM: short month name, MMMM: month name\n"
                       + "yy: year (00-99), yyyy: year")
        }
    }
    TessivarLabel { text: dateSize.label }
    TessivarSpinBox {
        id: dateSize
        objectName: "spinBox_DateSize"
        label: qsTr("Max size (%)")
        from: 0
        to: 100
        onValueModified: moduleClientParameters.DateSize = value
    }

    SectionTitle { text: qsTr("Time") }
    Item { implicitWidth: 1; implicitHeight: 1 }
    TessivarCheckBox {
        id: showTime
        objectName: "checkBox_ShowTime"
        text: qsTr("Show the time")
        onToggled: moduleClientParameters.ShowTime = checked
    }
    TessivarLabel { text: timeFormat.label }
    RowLayout {
        spacing: Theme.gap
        TessivarTextField {
            id: timeFormat
            objectName: "textField_TimeFormat"
            Layout.fillWidth: true
            label: qsTr("Time format")
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

    component SectionTitle: TessivarLabel {
        Layout.columnSpan: 2
        Layout.topMargin: Theme.gap
        font.pixelSize: Theme.sectionSize
        font.weight: Font.Medium
    }

    component HelpIcon: Image {
        property string help
        source: "HelpIcon.png"
        sourceSize.width: 16
        sourceSize.height: 16
        Accessible.role: Accessible.HelpBalloon
        Accessible.name: help
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

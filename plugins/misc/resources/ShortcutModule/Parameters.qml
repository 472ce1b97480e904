import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import com.tessivar.widgets 1.0

// Editor of a shortcut block: the program, its arguments and the icon shown on the device.
ColumnLayout {
    id: root

    spacing: Theme.gap
    property var argumentList: []

    // Read by the edition panel: a shortcut without a program cannot be placed.
    readonly property bool ready: programField.text.trim() !== ""
    readonly property string notReadyHint: qsTr("Choose or type the program to run first")

    // A typed path (or a file URL pasted as it is) as the file URL the module keeps.
    function pathToUrl(path) {
        if (path.startsWith("file:"))
            return path
        let slashed = path.replace(/\\/g, "/")
        if (/^[A-Za-z]:/.test(slashed))
            slashed = "/" + slashed
        return "file://" + slashed.split("/").map(encodeURIComponent).join("/")
    }
    function setProgram(url) {
        moduleClientParameters.Icon = moduleHelpers.Helper.getProgramIconBase64(url)
        moduleLocalParameters.IconPath = ""
        moduleLocalParameters.ProgramPathFull = url
    }

    function startEdition() {
        // Blocks of an earlier version kept their arguments as one string.
        const oldArguments = moduleLocalParameters.Arguments
        if (oldArguments !== undefined && oldArguments !== "") {
            moduleLocalParameters.ArgumentList = [oldArguments]
            moduleLocalParameters.Arguments = ""
        }
        const stored = moduleLocalParameters.ArgumentList
        root.argumentList = stored !== undefined ? Array.prototype.slice.call(stored) : []
    }
    function endEdition() {
    }
    function removeArgument(index) {
        const list = root.argumentList.slice()
        list.splice(index, 1)
        root.argumentList = list
        writeArguments()
    }
    function writeArguments() {
        moduleLocalParameters.ArgumentList = root.argumentList.slice()
    }

    TessivarLabel { text: programField.label }
    RowLayout {
        spacing: Theme.gap
        Layout.fillWidth: true
        // Typed or pasted paths count as soon as the field is left or Enter is pressed.
        TessivarTextField {
            id: programField
            objectName: "textField_ProgramPath"
            Layout.fillWidth: true
            label: qsTr("Program to run")
            placeholderText: qsTr("Path of the program, or choose it")
            text: moduleLocalParameters.ProgramPath !== undefined ? moduleLocalParameters.ProgramPath : ""
            onEditingFinished: {
                const typed = text.trim()
                const current = moduleLocalParameters.ProgramPath !== undefined ? moduleLocalParameters.ProgramPath : ""
                if (typed !== current)
                    root.setProgram(typed !== "" ? root.pathToUrl(typed) : "")
            }
        }
        TessivarButton {
            objectName: "button_ChooseProgram"
            text: qsTr("Choose…")
            Accessible.name: qsTr("Choose the program")
            onClicked: programDialog.open()
        }
    }

    TessivarLabel { text: qsTr("Arguments"); Layout.topMargin: Theme.gap }
    Repeater {
        id: argumentRepeater
        objectName: "repeater_Arguments"
        model: root.argumentList.length
        delegate: RowLayout {
            property alias field: argumentField
            spacing: Theme.gap
            Layout.fillWidth: true
            TessivarTextField {
                id: argumentField
                objectName: "textField_Argument" + index
                label: qsTr("Argument %1").arg(index + 1)
                Layout.fillWidth: true
                text: root.argumentList[index]
                onTextEdited: {
                    root.argumentList[index] = text
                    root.writeArguments()
                }
            }
            TessivarIconButton {
                objectName: "button_RemoveArgument" + index
                iconName: "close"
                iconSize: Theme.iconRow
                toolTipText: qsTr("Remove this argument")
                onClicked: root.removeArgument(index)
            }
        }
    }
    TessivarButton {
        objectName: "button_AddArgument"
        text: qsTr("Add an argument")
        onClicked: {
            root.argumentList = root.argumentList.concat([""])
            root.writeArguments()
            const row = argumentRepeater.itemAt(argumentRepeater.count - 1)
            if (row)
                row.field.forceActiveFocus()
        }
    }

    TessivarLabel { text: qsTr("Icon"); Layout.topMargin: Theme.gap }
    RowLayout {
        spacing: Theme.groupGap
        Rectangle {
            Layout.preferredWidth: 64
            Layout.preferredHeight: 64
            radius: 4
            color: Theme.surfaceRaised
            border.color: Theme.divider
            Image {
                objectName: "image_Icon"
                Accessible.role: Accessible.Graphic
                Accessible.name: qsTr("Icon shown on the device")
                anchors.fill: parent
                anchors.margins: 4
                fillMode: Image.PreserveAspectFit
                source: moduleClientParameters.Icon !== undefined ? moduleClientParameters.Icon : ""
            }
        }
        TessivarButton {
            objectName: "button_ChooseIcon"
            text: qsTr("Choose an image…")
            onClicked: iconDialog.open()
        }
    }

    // Keeps the controls at the top of a taller editor panel.
    Item { Layout.fillHeight: true }

    FileDialog {
        id: programDialog
        options: FileDialog.DontResolveSymlinks
        onAccepted: root.setProgram(selectedFile)
    }
    FileDialog {
        id: iconDialog
        nameFilters: [qsTr("Images (*.png *.jpg *.jpeg *.bmp *.gif *.ico *.svg)")]
        onAccepted: moduleLocalParameters.IconPath = selectedFile
    }
}

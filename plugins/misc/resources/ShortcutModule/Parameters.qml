import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Dialogs

// Editor of a shortcut block: the program, its arguments and the icon shown on the device.
ColumnLayout {
    id: root

    spacing: 8
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

    Label { id: programLabel; text: qsTr("Program to run"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        // Typed or pasted paths count as soon as the field is left or Enter is pressed.
        TextField {
            id: programField
            objectName: "textField_ProgramPath"
            Layout.fillWidth: true
            selectByMouse: true
            placeholderText: qsTr("Path of the program, or choose it")
            Accessible.role: Accessible.EditableText
            Accessible.name: programLabel.text
            text: moduleLocalParameters.ProgramPath !== undefined ? moduleLocalParameters.ProgramPath : ""
            onEditingFinished: {
                const typed = text.trim()
                const current = moduleLocalParameters.ProgramPath !== undefined ? moduleLocalParameters.ProgramPath : ""
                if (typed !== current)
                    root.setProgram(typed !== "" ? root.pathToUrl(typed) : "")
            }
        }
        ToolButton {
            objectName: "button_ChooseProgram"
            Accessible.role: Accessible.Button
            Accessible.name: ToolTip.text
            Accessible.onPressAction: clicked()
            icon.source: "icon-folder.png"
            icon.width: 24
            icon.height: 24
            ToolTip.visible: hovered
            ToolTip.text: qsTr("Choose the program")
            onClicked: programDialog.open()
        }
    }

    Label { text: qsTr("Arguments"); font.pixelSize: 14 }
    Repeater {
        id: argumentRepeater
        objectName: "repeater_Arguments"
        model: root.argumentList.length
        delegate: RowLayout {
            property alias field: argumentField
            spacing: 8
            Layout.fillWidth: true
            TextField {
                id: argumentField
                objectName: "textField_Argument" + index
                Accessible.role: Accessible.EditableText
                Accessible.name: qsTr("Argument %1").arg(index + 1)
                Layout.fillWidth: true
                text: root.argumentList[index]
                onTextEdited: {
                    root.argumentList[index] = text
                    root.writeArguments()
                }
            }
            ToolButton {
                objectName: "button_RemoveArgument" + index
                Accessible.role: Accessible.Button
                Accessible.name: ToolTip.text
                icon.source: "icon-remove.png"
                icon.width: 16
                icon.height: 16
                ToolTip.visible: hovered
                ToolTip.text: qsTr("Remove this argument")
                onClicked: root.removeArgument(index)
            }
        }
    }
    ToolButton {
        objectName: "button_AddArgument"
        Accessible.role: Accessible.Button
        Accessible.name: ToolTip.text
        icon.source: "icon-add.png"
        icon.width: 16
        icon.height: 16
        ToolTip.visible: hovered
        ToolTip.text: qsTr("Add an argument")
        onClicked: {
            root.argumentList = root.argumentList.concat([""])
            root.writeArguments()
            const row = argumentRepeater.itemAt(argumentRepeater.count - 1)
            if (row)
                row.field.forceActiveFocus()
        }
    }

    Label { text: qsTr("Icon"); font.pixelSize: 14 }
    RowLayout {
        spacing: 8
        Image {
            objectName: "image_Icon"
            Accessible.role: Accessible.Graphic
            Accessible.name: qsTr("Icon shown on the device")
            Layout.preferredWidth: 64
            Layout.preferredHeight: 64
            fillMode: Image.PreserveAspectFit
            source: moduleClientParameters.Icon !== undefined ? moduleClientParameters.Icon : ""
        }
        ToolButton {
            objectName: "button_ChooseIcon"
            Accessible.role: Accessible.Button
            Accessible.name: ToolTip.text
            Accessible.onPressAction: clicked()
            icon.source: "icon-folder.png"
            icon.width: 24
            icon.height: 24
            ToolTip.visible: hovered
            ToolTip.text: qsTr("Choose an image")
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

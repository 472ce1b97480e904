import QtQuick 2.15

// The echo block's editor: its text, typed in as a user would.
Item {
    width: 240
    height: 32

    function startEdition() {}
    function endEdition() {}

    TextInput {
        objectName: "textInput_EchoText"
        anchors.fill: parent
        text: typeof moduleClientParameters !== "undefined" && moduleClientParameters
              && moduleClientParameters.Text !== undefined ? moduleClientParameters.Text : ""
        onTextEdited: moduleClientParameters.Text = text
    }
}

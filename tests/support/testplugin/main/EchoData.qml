import QtQuick 2.15

Text {
    text: moduleParameters.Text + " " + moduleData.Value
}

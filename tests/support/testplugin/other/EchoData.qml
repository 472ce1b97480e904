import QtQuick 2.15

Text {
    text: "other " + moduleParameters.Text
}

import QtQuick
import QtQuick.Controls

// A Qt Quick Controls button that also acts on an assistive tool's press: in the Qt we
// ship, Button alone ignores it, so a screen reader's "press" did nothing.
Button {
    Accessible.role: Accessible.Button
    Accessible.onPressAction: if (enabled) clicked()
}

import QtQuick
import com.tessivar.widgets 1.0

// Text in the window's type scale: body by default.
Text {
    color: Theme.text
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    elide: Text.ElideRight
    verticalAlignment: Text.AlignVCenter
}

import QtQuick
import com.tessivar.widgets 1.0

// Text that shrinks, down to `minimumPixelSize`, to fit its box.
Text {
    property int maximumPixelSize: Theme.headingSize

    color: Theme.text
    font.family: Theme.fontFamily
    font.pixelSize: maximumPixelSize
    fontSizeMode: Text.Fit
    minimumPixelSize: Theme.captionSize
    elide: Text.ElideRight
    verticalAlignment: Text.AlignVCenter
}

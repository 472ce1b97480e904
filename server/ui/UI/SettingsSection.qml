import QtQuick
import com.tessivar.widgets 1.0

// The heading of a group of settings.
TessivarLabel {
    topPadding: 8
    font.pixelSize: Theme.sectionSize
    font.weight: Font.Medium
    color: Theme.primary
}

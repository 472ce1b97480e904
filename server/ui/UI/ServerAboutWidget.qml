import QtQuick
import com.tessivar.widgets 1.0
import com.tessivar.widgets.private 1.0

// The about page of the window's stack.
TessivarPage {
    id: page

    title: qsTr("About")
    visible: false
    onCloseRequested: page.visible = false

    deferredContent: Component {
        AboutWidget {
            objectName: "widget_AboutContent"
            width: page.contentWidth
        }
    }
}

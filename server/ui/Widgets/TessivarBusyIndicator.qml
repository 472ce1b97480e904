import QtQuick
import com.tessivar.widgets 1.0

// A turning arc that says "working".
Item {
    id: indicator

    property bool running: true
    property color color: Theme.primary

    implicitWidth: 32
    implicitHeight: 32
    visible: running

    Canvas {
        id: arc
        anchors.fill: parent
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.lineWidth = 3
            ctx.lineCap = "round"
            ctx.strokeStyle = indicator.color
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, Math.min(width, height) / 2 - 3, 0, 1.5 * Math.PI)
            ctx.stroke()
        }
        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: indicator.running && indicator.visible
        }
    }
}

import QtQuick
import com.tessivar.widgets 1.0

// The window's icon set: line icons drawn on a 24-unit grid with one stroke width.
Canvas {
    id: icon

    property string name: ""
    property color color: Theme.text
    property int size: Theme.iconBar

    implicitWidth: size
    implicitHeight: size
    onNameChanged: requestPaint()
    onColorChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    onPaint: {
        const ctx = getContext("2d")
        ctx.reset()
        const s = Math.min(width, height) / 24
        ctx.scale(s, s)
        ctx.strokeStyle = icon.color
        ctx.fillStyle = icon.color
        ctx.lineWidth = 2
        ctx.lineCap = "round"
        ctx.lineJoin = "round"
        const line = (x1, y1, x2, y2) => { ctx.moveTo(x1, y1); ctx.lineTo(x2, y2) }
        const circle = (x, y, r) => { ctx.moveTo(x + r, y); ctx.arc(x, y, r, 0, 2 * Math.PI) }
        ctx.beginPath()
        switch (icon.name) {
        case "plus": line(12, 5, 12, 19); line(5, 12, 19, 12); break
        case "minus": line(6, 12, 18, 12); break
        case "close": line(6, 6, 18, 18); line(18, 6, 6, 18); break
        case "check": line(5, 12, 10, 17); line(10, 17, 19, 7); break
        case "chevron": line(9, 6, 15, 12); line(15, 12, 9, 18); break
        case "info": circle(12, 12, 9); line(12, 11, 12, 16); line(12, 8, 12, 8); break
        case "warning":
            ctx.moveTo(12, 3); ctx.lineTo(22, 20); ctx.lineTo(2, 20); ctx.closePath()
            line(12, 9, 12, 14); line(12, 17, 12, 17); break
        case "settings":
            circle(12, 12, 3)
            for (let i = 0; i < 8; ++i) {
                const a = i * Math.PI / 4
                line(12 + 6 * Math.cos(a), 12 + 6 * Math.sin(a), 12 + 9 * Math.cos(a), 12 + 9 * Math.sin(a))
            }
            circle(12, 12, 6); break
        case "network":
            ctx.moveTo(3, 9); ctx.quadraticCurveTo(12, 1, 21, 9)
            ctx.moveTo(6, 13); ctx.quadraticCurveTo(12, 7, 18, 13)
            ctx.moveTo(9, 16.5); ctx.quadraticCurveTo(12, 14, 15, 16.5)
            line(12, 20, 12, 20); break
        case "plugin":
            ctx.rect(4, 8, 12, 12); line(10, 8, 10, 5); line(16, 14, 19, 14)
            circle(10, 4, 1.5); circle(20.5, 14, 1.5); break
        case "edit": line(4, 20, 8, 19); line(4, 20, 5, 16); line(5, 16, 16, 5); line(16, 5, 19, 8); line(19, 8, 8, 19); break
        case "delete":
            line(4, 7, 20, 7); line(9, 7, 9, 4); line(9, 4, 15, 4); line(15, 4, 15, 7)
            ctx.moveTo(6, 7); ctx.lineTo(7, 20); ctx.lineTo(17, 20); ctx.lineTo(18, 7)
            line(10, 11, 10, 16); line(14, 11, 14, 16); break
        case "download": line(12, 4, 12, 15); line(7, 10, 12, 15); line(12, 15, 17, 10); line(5, 20, 19, 20); break
        case "reset":
            ctx.moveTo(5, 12); ctx.arc(12, 12, 7, Math.PI, 2.6 * Math.PI, false)
            line(5, 12, 3, 9); line(5, 12, 8, 10); break
        case "device": ctx.rect(7, 3, 10, 18); line(11, 18, 13, 18); break
        case "blocks": ctx.rect(4, 4, 7, 7); ctx.rect(13, 4, 7, 7); ctx.rect(4, 13, 7, 7); ctx.rect(13, 13, 7, 7); break
        case "resize": line(20, 10, 10, 20); line(20, 15, 15, 20); break
        case "about": circle(12, 12, 9); line(12, 11, 12, 16); line(12, 8, 12, 8); break
        default: break
        }
        ctx.stroke()
    }
}

import QtQuick
import QtQuick.Controls
import Tessivar.Client

// One block in its cells: background and title from its common parameters, its data
// widget in between; a placeholder names the data class when the widget cannot load.
Rectangle {
    id: block
    required property int index
    required property int blockId
    required property string dataClass
    required property string profile
    required property rect cell
    required property int stacking
    required property var parameters
    required property var blockData
    required property url widgetUrl
    required property string title
    required property color titleColor
    required property color backgroundColor

    property QtObject colors
    property bool editing: false
    property real cellWidth: 100
    property real cellHeight: 100
    signal removeAsked(int blockId, string title)

    objectName: "block_" + blockId
    visible: profile === controller.currentProfile
    x: cell.x * cellWidth + 4
    y: cell.y * cellHeight + 4
    z: stacking
    width: cell.width * cellWidth - 8
    height: cell.height * cellHeight - 8
    radius: 8
    color: backgroundColor.a > 0 ? backgroundColor : colors.surface
    border.color: editing ? colors.primary : colors.divider
    border.width: editing ? 2 : 1
    Accessible.role: Accessible.Grouping
    Accessible.name: title !== "" ? title : dataClass

    Text {
        id: titleText
        objectName: "text_BlockTitle_" + block.blockId
        visible: text !== ""
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 8 }
        text: block.title
        color: block.titleColor.a > 0 ? block.titleColor : block.colors.text
        font.pixelSize: 14
        font.weight: Font.Medium
        elide: Text.ElideRight
    }

    DataWidgetHost {
        id: host
        objectName: "widget_Block_" + block.blockId
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom; top: titleText.visible ? titleText.bottom : parent.top; margins: 8 }
        source: block.widgetUrl
        parameters: block.parameters
        blockData: block.blockData
        enabled: !block.editing
        onDataWritten: data => controller.sendData(block.blockId, data)
    }

    Text {
        objectName: "text_Placeholder_" + block.blockId
        anchors.centerIn: host
        width: host.width
        visible: !host.loaded
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: host.failed ? qsTr("%1 cannot be shown").arg(block.dataClass) : qsTr("Waiting for the display of %1").arg(block.dataClass)
        color: block.colors.secondaryText
        font.pixelSize: 12
    }

    // Edit mode: drag to move by whole cells; the corner handle resizes.
    MouseArea {
        id: mover
        objectName: "mover_" + block.blockId
        anchors.fill: parent
        visible: block.editing
        drag.target: block.editing ? block : null
        drag.axis: Drag.XAndYAxis
        onReleased: {
            const column = Math.round((block.x - 4) / block.cellWidth)
            const row = Math.round((block.y - 4) / block.cellHeight)
            controller.blocks.moveBlock(block.blockId, column, Math.max(0, row), block.cell.width, block.cell.height)
            block.x = Qt.binding(() => block.cell.x * block.cellWidth + 4)
            block.y = Qt.binding(() => block.cell.y * block.cellHeight + 4)
        }
    }

    Rectangle {
        objectName: "resizer_" + block.blockId
        visible: block.editing
        width: 24
        height: 24
        radius: 4
        anchors { right: parent.right; bottom: parent.bottom }
        color: block.colors.primary
        Accessible.role: Accessible.Grip
        Accessible.name: qsTr("Resize %1").arg(block.Accessible.name)
        MouseArea {
            anchors.fill: parent
            property point start
            onPressed: mouse => start = mapToItem(block.parent, mouse.x, mouse.y)
            onReleased: mouse => {
                const end = mapToItem(block.parent, mouse.x, mouse.y)
                const width = Math.max(1, block.cell.width + Math.round((end.x - start.x) / block.cellWidth))
                const height = Math.max(1, block.cell.height + Math.round((end.y - start.y) / block.cellHeight))
                controller.blocks.moveBlock(block.blockId, block.cell.x, block.cell.y, width, height)
            }
        }
    }

    ClientButton {
        objectName: "button_RemoveBlock_" + block.blockId
        visible: block.editing
        anchors { right: parent.right; top: parent.top; margins: 4 }
        width: 32
        height: 32
        text: "\u2715"
        ToolTip.visible: hovered
        ToolTip.text: qsTr("Remove block")
        Accessible.name: qsTr("Remove block %1").arg(block.Accessible.name)
        Accessible.role: Accessible.Button
        onClicked: block.removeAsked(block.blockId, block.Accessible.name)
    }
}

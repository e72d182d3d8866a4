import QtQuick
import QtQuick.Controls
import Lumora

// One selectable row of the sidebar: the symbol, the title and, for a lit
// room or zone, a dot in the colours of its glow.
Item {
    id: row

    // The stored form of what this row selects.
    required property string value
    required property string name
    required property string symbol
    // The colours of a lit room or zone, else null.
    property var glow: null
    readonly property bool selected: Store.selection === value
    // Whether the sidebar has the keyboard's focus: the selected row shows it.
    property bool showsFocus: false

    implicitHeight: 30
    implicitWidth: 180

    Accessible.role: Accessible.ListItem
    Accessible.name: name
    Accessible.selected: selected
    Accessible.selectable: true
    // A lit room's dot, said in words.
    Accessible.description: dot.visible ? Rules.tr("an", "on") : ""
    Accessible.onPressAction: Store.select(value)

    Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        radius: 6
        color: row.selected ? Theme.selection : hover.hovered ? Theme.hover : "transparent"
        FocusRing {
            shown: row.selected && row.showsFocus
            innerRadius: 6
        }
    }
    SymbolIcon {
        id: icon
        x: 18
        width: 16
        height: 16
        anchors.verticalCenter: parent.verticalCenter
        name: row.symbol
        color: Theme.textSubtle
    }
    PlainLabel {
        x: 42
        width: row.width - 42 - (dot.visible ? 36 : 18)
        anchors.verticalCenter: parent.verticalCenter
        text: row.name
        color: Theme.text
        font.pixelSize: 13
        elide: Text.ElideRight
    }
    Rectangle {
        id: dot
        objectName: "glowDot"
        visible: row.glow !== null && row.glow !== undefined
        width: 9
        height: 9
        radius: 4.5
        anchors.right: parent.right
        anchors.rightMargin: 20
        anchors.verticalCenter: parent.verticalCenter
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: dot.visible ? row.glow.fill[0] : "transparent" }
            GradientStop { position: 1; color: dot.visible ? row.glow.fill[row.glow.fill.length - 1] : "transparent" }
        }
    }

    HoverHandler {
        id: hover
    }
    TapHandler {
        // Ctrl+click on the selected row clears the selection, which shows Home.
        onTapped: (eventPoint, button) => {
            if ((point.modifiers & Qt.ControlModifier) && row.selected)
                Store.clearSelection();
            else
                Store.select(row.value);
        }
    }
}

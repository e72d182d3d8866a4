import QtQuick
import QtQuick.Controls
import Lumora

// The yellow row above every screen that reports an unreachable bridge or a
// failed command. Takes no space while there is nothing to say.
Rectangle {
    id: root

    readonly property string message: Store.bannerMessage
    visible: message !== ""
    implicitHeight: visible ? row.implicitHeight + 16 : 0
    // System yellow at 25 % on the dark content colour.
    color: Qt.rgba(1.0, 0.839, 0.039, 0.25)

    Accessible.role: Accessible.AlertMessage
    Accessible.name: message

    Row {
        id: row
        x: 16
        y: 8
        width: root.width - 32
        spacing: 8
        SymbolIcon {
            width: 16
            height: 16
            anchors.verticalCenter: parent.verticalCenter
            name: "exclamationmark.triangle.fill"
            color: "white"
        }
        PlainLabel {
            objectName: "bannerText"
            width: row.width - 24
            anchors.verticalCenter: parent.verticalCenter
            text: root.message
            color: "white"
            font.pixelSize: 13
            wrapMode: Text.Wrap
        }
    }
}

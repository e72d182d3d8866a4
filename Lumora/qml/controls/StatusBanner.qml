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
    color: Theme.bannerFill

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
            color: Theme.text
        }
        PlainLabel {
            objectName: "bannerText"
            width: row.width - 24
            anchors.verticalCenter: parent.verticalCenter
            text: root.message
            color: Theme.text
            font.pixelSize: 13
            wrapMode: Text.Wrap
        }
    }
}

import QtQuick
import QtQuick.Controls
import Lumora

// The yellow row above every screen that reports an unreachable bridge or a
// failed command. Takes no space while there is nothing to say. A failed
// command's report can be dismissed with its button (or Escape, see MainView).
Rectangle {
    id: root

    readonly property string message: Store.bannerMessage
    readonly property string dismissLabel: Rules.tr("Meldung ausblenden", "Dismiss message")
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
            width: row.width - 24 - (dismiss.visible ? dismiss.width + row.spacing : 0)
            anchors.verticalCenter: parent.verticalCenter
            text: root.message
            color: Theme.text
            font.pixelSize: 13
            wrapMode: Text.Wrap
        }
        RingToolButton {
            id: dismiss
            objectName: "dismissBanner"
            anchors.verticalCenter: parent.verticalCenter
            visible: Store.bannerDismissible
            implicitWidth: 24
            implicitHeight: 24
            padding: 4
            focusPolicy: Qt.TabFocus
            onClicked: Store.dismissBanner()
            Accessible.name: root.dismissLabel
            contentItem: SymbolIcon {
                name: "xmark"
                color: Theme.text
            }
            PlainToolTip {
                shown: dismiss.hovered
                text: root.dismissLabel
            }
        }
    }
}

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumora

// A full-area placeholder for content that cannot be shown: a large symbol,
// a title, a description and optionally one action.
Item {
    id: root

    property string symbol
    property string title
    property string description
    // The action's button text, in the program's own words (a button draws
    // its text as it sees fit); no button when empty.
    property alias actionText: actionButton.text
    signal action

    Accessible.role: Accessible.StaticText
    Accessible.name: title

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(root.width - 64, 420)
        spacing: 10

        SymbolIcon {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            name: root.symbol
            color: Theme.textTertiary
            visible: root.symbol !== ""
        }
        PlainLabel {
            Layout.fillWidth: true
            text: root.title
            color: Theme.text
            font.pixelSize: 20
            font.weight: Font.DemiBold
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
        PlainLabel {
            objectName: "description"
            Layout.fillWidth: true
            text: root.description
            color: Theme.textSecondary
            font.pixelSize: 13
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: text !== ""
        }
        RingButton {
            id: actionButton
            objectName: "action"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            visible: text !== ""
            onClicked: root.action()
        }
    }
}

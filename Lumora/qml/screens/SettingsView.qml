import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumora

// The settings window's content: the paired bridge with the button that
// disconnects it, the update settings and the version line.
Pane {
    id: root

    readonly property var bridge: Store.bridge
    readonly property bool paired: bridge !== null && bridge !== undefined

    implicitWidth: 460
    padding: 20
    background: Rectangle { color: Theme.content }
    // Quick Controls draw from this palette, not from the application's.
    palette.window: Theme.content
    palette.windowText: "white"
    palette.base: Theme.sidebar
    palette.alternateBase: Theme.card
    palette.text: "white"
    palette.button: Theme.card
    palette.buttonText: "white"
    palette.brightText: "white"
    palette.highlight: "#0a84ff"
    palette.highlightedText: "white"
    palette.toolTipBase: Theme.card
    palette.toolTipText: "white"
    palette.light: Qt.rgba(1, 1, 1, 0.25)
    palette.midlight: Qt.rgba(1, 1, 1, 0.15)
    palette.mid: Qt.rgba(0, 0, 0, 0.35)
    palette.dark: Qt.rgba(0, 0, 0, 0.55)
    palette.shadow: "black"
    palette.disabled.buttonText: Qt.rgba(1, 1, 1, 0.35)
    palette.disabled.text: Qt.rgba(1, 1, 1, 0.35)
    palette.disabled.windowText: Qt.rgba(1, 1, 1, 0.35)

    component FormRow: RowLayout {
        id: formRow
        property string label
        property string value
        Layout.fillWidth: true
        spacing: 12
        PlainLabel {
            text: formRow.label
            color: Qt.rgba(1, 1, 1, 0.85)
            font.pixelSize: 13
        }
        PlainLabel {
            Layout.fillWidth: true
            text: formRow.value
            color: Qt.rgba(1, 1, 1, 0.6)
            font.pixelSize: 13
            horizontalAlignment: Text.AlignRight
            elide: Text.ElideMiddle
        }
    }
    component Group: Rectangle {
        default property alias content: groupColumn.data
        Layout.fillWidth: true
        implicitHeight: groupColumn.implicitHeight + 24
        radius: 10
        color: Theme.card
        ColumnLayout {
            id: groupColumn
            x: 14
            y: 12
            width: parent.width - 28
            spacing: 10
        }
    }

    ColumnLayout {
        width: root.availableWidth
        spacing: 16

        Group {
            objectName: "bridgeSection"
            PlainLabel {
                objectName: "noBridge"
                visible: !root.paired
                text: Rules.tr("Noch keine Bridge gekoppelt.", "No bridge paired yet.")
                color: Qt.rgba(1, 1, 1, 0.85)
                font.pixelSize: 13
            }
            FormRow {
                visible: root.paired
                label: "Bridge"
                value: root.paired ? root.bridge.name : ""
            }
            FormRow {
                visible: root.paired
                label: Rules.tr("Adresse", "Address")
                value: root.paired ? root.bridge.host : ""
            }
            FormRow {
                visible: root.paired
                label: Rules.tr("Kennung", "ID")
                value: root.paired ? root.bridge.bridgeID : ""
            }
            Button {
                objectName: "disconnect"
                visible: root.paired
                Layout.alignment: Qt.AlignRight
                text: Rules.tr("Bridge trennen …", "Disconnect Bridge…")
                palette.buttonText: "#ff6961"
                onClicked: Store.forgetBridge()
            }
        }

        Group {
            objectName: "updateSection"
            Switch {
                objectName: "automaticUpdates"
                text: "Check for updates automatically"
                enabled: AppInfo.configurationError === ""
                checked: AppInfo.automaticallyChecksForUpdates
                onToggled: AppInfo.automaticallyChecksForUpdates = checked
            }
            PlainLabel {
                Layout.fillWidth: true
                text: "Checks at launch and daily. You choose when to download and install an update."
                color: Qt.rgba(1, 1, 1, 0.6)
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
            RowLayout {
                Layout.fillWidth: true
                PlainLabel {
                    Layout.fillWidth: true
                    text: AppInfo.configurationError
                    color: Qt.rgba(1, 1, 1, 0.6)
                    font.pixelSize: 12
                    wrapMode: Text.Wrap
                }
                Button {
                    text: "Check for Updates…"
                    enabled: AppInfo.canCheckForUpdates
                    onClicked: AppInfo.checkForUpdates()
                }
            }
            FormRow {
                label: "Lumora"
                value: AppInfo.versionLabel
            }
        }
    }
}

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumora

// The settings window's content: the paired bridge with the button that
// disconnects it, the tray and the start at login, the desktop's global
// shortcuts, the update settings and the version line.
Pane {
    id: root

    readonly property var bridge: Store.bridge
    readonly property bool paired: bridge !== null && bridge !== undefined

    implicitWidth: 460
    padding: 20
    background: Rectangle { color: Theme.content }
    Component.onCompleted: Theme.paint(palette)

    component FormRow: RowLayout {
        id: formRow
        property string label
        property string value
        Layout.fillWidth: true
        spacing: 12
        PlainLabel {
            text: formRow.label
            color: Theme.textLabel
            font.pixelSize: 13
        }
        PlainLabel {
            Layout.fillWidth: true
            text: formRow.value
            color: Theme.textSecondary
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
                color: Theme.textLabel
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
            RingButton {
                id: disconnect
                objectName: "disconnect"
                visible: root.paired
                Layout.alignment: Qt.AlignRight
                text: Rules.tr("Bridge trennen …", "Disconnect Bridge…")
                palette.buttonText: Theme.destructive
                onClicked: Store.forgetBridge()
            }
        }

        Group {
            objectName: "desktopSection"
            RingSwitch {
                objectName: "showsTray"
                text: Rules.tr("Symbol in der Leiste zeigen", "Show icon in the tray")
                checked: Desktop.showsTray
                onToggled: Desktop.showsTray = checked
            }
            PlainLabel {
                Layout.fillWidth: true
                text: !Desktop.showsTray ? Rules.tr("Schließen des Fensters beendet Lumora.",
                                                    "Closing the window quits Lumora.")
                    : Desktop.trayShown ? Rules.tr("Schließen des Fensters lässt Lumora in der Leiste weiterlaufen.",
                                                   "Closing the window keeps Lumora running in the tray.")
                    : Rules.tr("Diese Arbeitsumgebung zeigt keine Symbole in der Leiste; Schließen des Fensters beendet Lumora.",
                               "This desktop shows no tray icons; closing the window quits Lumora.")
                color: Theme.textSecondary
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
            RingSwitch {
                objectName: "startsAtLogin"
                text: Rules.tr("Lumora bei der Anmeldung starten", "Start Lumora at login")
                checked: Desktop.startsAtLogin
                onToggled: Desktop.startsAtLogin = checked
            }
            PlainLabel {
                Layout.fillWidth: true
                visible: Desktop.autostartError !== ""
                text: Desktop.autostartError
                color: Theme.destructive
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
        }

        Group {
            objectName: "shortcutsSection"
            PlainLabel {
                text: Rules.tr("Globale Tastenkürzel", "Global Shortcuts")
                color: Theme.text
                font.pixelSize: 13
                font.weight: Font.DemiBold
            }
            Repeater {
                model: ShortcutsInfo.names.length
                delegate: FormRow {
                    required property int index
                    objectName: "shortcut" + index
                    label: ShortcutsInfo.names[index]
                    value: ShortcutsInfo.keys[index] !== "" ? ShortcutsInfo.keys[index]
                                                            : Rules.tr("nicht belegt", "not assigned")
                }
            }
            PlainLabel {
                objectName: "shortcutsHint"
                Layout.fillWidth: true
                text: ShortcutsInfo.checking
                      ? Rules.tr("Der Desktop wird gefragt …", "Asking the desktop…")
                      : ShortcutsInfo.offered
                        ? Rules.tr("Die Tasten legst du in den Einstellungen deines Desktops fest.",
                                   "Choose the keys in your desktop's settings.")
                        : Rules.tr("Dieser Desktop bietet keine globalen Tastenkürzel an. Lege stattdessen in "
                                   + "seinen Tastatureinstellungen Tasten für die Aktionen von Lumora an: "
                                   + "„lumora --action all-off“ oder „lumora --quick“.",
                                   "This desktop does not offer global shortcuts. Bind keys to Lumora's "
                                   + "desktop actions in its keyboard settings instead: "
                                   + "“lumora --action all-off” or “lumora --quick”.")
                color: Theme.textSecondary
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
        }

        Group {
            objectName: "updateSection"
            RingSwitch {
                objectName: "automaticUpdates"
                text: Rules.tr("Automatisch nach Updates suchen", "Check for updates automatically")
                enabled: AppInfo.configurationError === ""
                checked: AppInfo.automaticallyChecksForUpdates
                onToggled: AppInfo.automaticallyChecksForUpdates = checked
            }
            PlainLabel {
                Layout.fillWidth: true
                text: Rules.tr("Sucht beim Start und täglich. Wann ein Update geladen und installiert wird, entscheidest du.",
                              "Checks at launch and daily. You choose when to download and install an update.")
                color: Theme.textSecondary
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
            RowLayout {
                Layout.fillWidth: true
                PlainLabel {
                    Layout.fillWidth: true
                    text: AppInfo.configurationError
                    color: Theme.textSecondary
                    font.pixelSize: 12
                    wrapMode: Text.Wrap
                }
                RingButton {
                    id: checkForUpdates
                    objectName: "checkForUpdates"
                    text: Rules.tr("Nach Updates suchen …", "Check for Updates…")
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

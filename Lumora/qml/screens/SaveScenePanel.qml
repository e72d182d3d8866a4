import QtQuick
import QtQuick.Controls
import Lumora

// Saves the current light of a room or zone as a new scene on the bridge.
// One save at a time; a failure is shown above the buttons and the typed name
// stays, so the user can try again.
Item {
    id: panel

    property string groupId
    property string groupName
    signal done()

    property alias name: field.text
    readonly property alias isSaving: saver.saving
    // The last failure's message, or "".
    readonly property alias failure: saver.failure
    readonly property bool canSave: Store.acceptsSceneName(name) && !isSaving
    readonly property alias nameField: field

    implicitWidth: 340
    implicitHeight: column.implicitHeight + 32

    function save() {
        saver.save(name);
    }
    SceneSaver {
        id: saver
        store: Store
        groupId: panel.groupId
        onSaved: panel.done()
    }

    Keys.onReturnPressed: save()
    Keys.onEnterPressed: save()
    Keys.onEscapePressed: done()

    Column {
        id: column
        x: 16
        y: 16
        width: 308
        spacing: 12

        PlainLabel {
            width: parent.width
            text: Rules.tr("Aktuelles Licht als Szene speichern", "Save Current Light as Scene")
            color: Theme.text
            font.pixelSize: 15
            font.weight: Font.DemiBold
            wrapMode: Text.Wrap
        }
        PlainLabel {
            width: parent.width
            text: Rules.tr("Hält fest, welche Lampen in " + panel.groupName
                           + " gerade an sind, wie hell und in welcher Farbe. "
                           + "Die Szene liegt auf der Bridge und erscheint auch in der Hue-App.",
                           "Records which lights in " + panel.groupName
                           + " are on right now, how bright and in which colour. "
                           + "The scene is stored on the bridge and shows up in the Hue app as well.")
            color: Theme.textSecondary
            font.pixelSize: 12
            wrapMode: Text.Wrap
        }
        RingTextField {
            id: field
            objectName: "nameField"
            width: parent.width
            placeholderText: Rules.tr("Name der Szene", "Scene name")
            focus: true
            onAccepted: panel.save()
            Keys.onEscapePressed: panel.done()
        }
        Row {
            objectName: "failure"
            width: parent.width
            spacing: 6
            visible: panel.failure !== ""
            SymbolIcon {
                width: 14
                height: 14
                name: "exclamationmark.triangle.fill"
                color: Theme.warning
            }
            PlainLabel {
                width: parent.width - 20
                text: parent.visible ? panel.failure : ""
                color: Theme.warning
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
        }
        Row {
            anchors.right: parent.right
            spacing: 8
            RingButton {
                id: cancelButton
                objectName: "cancelButton"
                text: Rules.tr("Abbrechen", "Cancel")
                onClicked: panel.done()
            }
            RingButton {
                id: saveButton
                objectName: "saveButton"
                text: Rules.tr("Speichern", "Save")
                highlighted: true
                enabled: panel.canSave
                onClicked: panel.save()
            }
        }
    }
}

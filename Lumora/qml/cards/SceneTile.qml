import QtQuick
import QtQuick.Controls
import Lumora

// The tile of one scene: its colours as a swatch, its name, and the group's
// name where the scene is shown away from its group. A click recalls it; the
// context menu overwrites it with the current light or deletes it, each after
// a confirmation.
Item {
    id: tile

    // The roles of a SceneListModel row the tile shows.
    required property string sceneId
    required property string name
    // The name of the scene's group where the tile is shown away from it, else null.
    required property var groupName
    required property bool isActive
    required property var swatch
    required property bool isFavorite
    readonly property bool isHovered: hover.hovered
    property bool asksToOverwrite: false
    property bool asksToDelete: false
    readonly property string label: Rules.tr("Szene ", "Scene ") + name

    implicitWidth: 170
    implicitHeight: Math.max(56, texts.implicitHeight + 20)

    // One element for assistive tools: a button named after the scene whose
    // press recalls it; the star beside it is an element of its own.
    Accessible.role: Accessible.Button
    Accessible.name: label
    // The scene the lights show is the checked one.
    Accessible.checkable: true
    Accessible.checked: isActive
    // The Button role offers Press; a handler of its own would list it twice.
    function accessiblePressAction() {
        Store.recall(sceneId);
    }

    Rectangle {
        id: background
        anchors.fill: parent
        radius: 14
        color: tile.isActive ? Theme.activeTile : Theme.card
        border.width: tile.isActive ? 1.5 : 0
        border.color: Theme.activeTileBorder
    }

    Rectangle {
        id: swatch
        objectName: "swatch"
        x: 10
        anchors.verticalCenter: parent.verticalCenter
        width: 34
        height: 34
        radius: 17
        gradient: GlowGradient {
            glow: tile.swatch
        }
    }
    Column {
        id: texts
        x: swatch.x + swatch.width + 10
        width: tile.width - x - 10 - (star.shown ? star.width + 6 : 0)
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1
        PlainLabel {
            width: parent.width
            text: tile.name
            color: Theme.text
            font.pixelSize: 13
            font.weight: Font.Medium
            elide: Text.ElideRight
            maximumLineCount: 1
            Accessible.ignored: true
        }
        PlainLabel {
            width: parent.width
            visible: tile.groupName !== null && tile.groupName !== undefined
            text: visible ? tile.groupName : ""
            color: Theme.textTileCaption
            font.pixelSize: 11
            elide: Text.ElideRight
            maximumLineCount: 1
            Accessible.ignored: true
        }
    }

    HoverHandler {
        id: hover
    }
    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: Store.recall(tile.sceneId)
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: eventPoint => tile.showMenu(eventPoint.position)
    }
    // The keyboard has what the pointer has: Return or Space recalls, the
    // menu key or Shift+F10 opens the menu.
    TileKeys {
        target: tile
        onActivated: Store.recall(tile.sceneId)
        onMenuRequested: tile.showMenu(Qt.point(tile.width / 2, tile.height / 2))
    }

    FavoriteButton {
        id: star
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        kind: "scene"
        itemId: tile.sceneId
        itemName: tile.name
        isFavorite: tile.isFavorite
        isOwnerHovered: tile.isHovered
    }

    // The menu and the dialogs are made when asked for: a home has hundreds
    // of tiles, and each takes them with it when it goes.
    signal menuRequested(point position)
    function showMenu(position) {
        // The loader makes its menu at once, so the menu hears the request.
        menuLoader.active = true;
        menuRequested(position);
    }
    // Qt 6.4's Loader cannot make a bound component, so the components below
    // reach the tile through their context, which qmllint cannot follow.
    // qmllint disable unqualified
    Loader {
        id: menuLoader
        active: false
        sourceComponent: Item {
            Connections {
                target: tile
                function onMenuRequested(position: point) {
                    menu.popup(tile, position);
                }
            }
            FittedMenu {
                id: menu
                objectName: "sceneMenu"
                MenuItem {
                    text: Rules.tr("Mit aktuellem Licht überschreiben …", "Overwrite with Current Light…")
                    onTriggered: tile.asksToOverwrite = true
                }
                MenuSeparator {
                }
                MenuItem {
                    objectName: "deleteEntry"
                    text: Rules.tr("Szene löschen …", "Delete Scene…")
                    palette.text: Theme.destructive
                    onTriggered: tile.asksToDelete = true
                }
            }
        }
    }
    // qmllint enable unqualified

    component Confirmation: PlainDialog {
        id: dialog
        property string message
        // The program's own words: a button draws its text as it sees fit.
        property alias confirmText: confirmButton.text
        property bool destructive: false
        signal confirmed
        width: Math.min(420, parent ? parent.width - 40 : 420)
        Component.onCompleted: open()
        PlainLabel {
            objectName: "message"
            width: dialog.availableWidth
            text: dialog.message
            color: Theme.textLabel
            wrapMode: Text.Wrap
        }
        footer: DialogButtons {
            // The roles are spelled through Dialog: Qt 6.4 describes them to
            // its tools only there (they are the same values).
            RingButton {
                id: cancelButton
                objectName: "cancel"
                text: Rules.tr("Abbrechen", "Cancel")
                DialogButtonBox.buttonRole: Dialog.RejectRole
            }
            RingButton {
                id: confirmButton
                objectName: "confirm"
                palette.buttonText: dialog.destructive ? Theme.destructive : Theme.text
                DialogButtonBox.buttonRole: dialog.destructive ? Dialog.DestructiveRole : Dialog.AcceptRole
                onClicked: {
                    dialog.confirmed();
                    dialog.close();
                }
            }
        }
    }

    // The same for the confirmations.
    // qmllint disable unqualified
    Loader {
        active: tile.asksToOverwrite
        sourceComponent: Item {
            Confirmation {
                objectName: "overwriteDialog"
                title: Rules.tr("Szene „" + tile.name + "“ überschreiben?", "Overwrite the scene “" + tile.name + "”?")
                message: Rules.tr("Die Szene merkt sich das Licht, das der Raum gerade zeigt, und vergisst ihr bisheriges. " + "Das gilt auch in der Hue-App.", "The scene takes on the light the room shows right now and forgets what it held before. " + "This applies in the Hue app as well.")
                confirmText: Rules.tr("Überschreiben", "Overwrite")
                onConfirmed: Store.overwriteScene(tile.sceneId)
                onClosed: tile.asksToOverwrite = false
            }
        }
    }
    Loader {
        active: tile.asksToDelete
        sourceComponent: Item {
            Confirmation {
                objectName: "deleteDialog"
                title: Rules.tr("Szene „" + tile.name + "“ löschen?", "Delete the scene “" + tile.name + "”?")
                message: Rules.tr("Die Szene wird auf der Bridge gelöscht und verschwindet damit auch aus der Hue-App.", "The scene is deleted on the bridge and disappears from the Hue app as well.")
                confirmText: Rules.tr("Löschen", "Delete")
                destructive: true
                onConfirmed: Store.deleteScene(tile.sceneId)
                onClosed: tile.asksToDelete = false
            }
        }
    }
    // qmllint enable unqualified
}

import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Lumora

// The star that adds a scene, room, zone or light to the favourites or
// removes it. A star that is not set shows only while the pointer is over its
// owner or the keyboard is on it, and takes no room until then; it stays in
// the tab order, so that it can be set without a pointer.
T.AbstractButton {
    id: control
    objectName: "favorite"

    // "scene", "group" or "light", and the thing's id.
    property string kind
    property string itemId
    // The thing's name, which assistive tools read with the action.
    property string itemName
    property bool isFavorite: false
    property bool isOwnerHovered: false
    readonly property string label: isFavorite ? Rules.tr("Aus Favoriten entfernen", "Remove from favourites")
                                               : Rules.tr("Zu Favoriten hinzufügen", "Add to favourites")
    readonly property string accessibleLabel: isFavorite
        ? Rules.tr(itemName + " aus Favoriten entfernen", "Remove " + itemName + " from favourites")
        : Rules.tr(itemName + " zu Favoriten hinzufügen", "Add " + itemName + " to favourites")

    readonly property bool shown: isFavorite || isOwnerHovered || activeFocus
    opacity: shown ? 1 : 0
    padding: 4
    implicitWidth: shown ? 16 + leftPadding + rightPadding : 0
    implicitHeight: 16 + topPadding + bottomPadding
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    onClicked: Store.toggleFavorite(kind, itemId)
    // Qt's buttons leave the accessible Press action without a click.
    function accessiblePressAction() {
        if (control.enabled)
            control.clicked();
    }

    Accessible.role: Accessible.Button
    Accessible.name: accessibleLabel
    PlainToolTip {
        shown: control.hovered
        text: control.label
    }

    FocusRing {
        shown: control.visualFocus
        innerRadius: control.height / 2
    }

    contentItem: SymbolIcon {
        name: control.isFavorite ? "star.fill" : "star"
        color: Theme.text
    }
}

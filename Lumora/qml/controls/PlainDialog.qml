import QtQuick
import QtQuick.Controls
import Lumora

// The dialogs' one look: a single raised surface from the title to the
// buttons, over the window dimmed behind it, with the title drawn as plain
// text (it may hold a name from the bridge, which the style's title label
// would read as markup).
Dialog {
    id: dialog

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    padding: 20
    topPadding: 12

    background: Rectangle {
        color: Theme.popover
        border.color: Theme.popoverBorder
        radius: 12
    }
    Overlay.modal: Rectangle {
        color: Theme.modalDim
    }
    header: PlainLabel {
        objectName: "title"
        visible: dialog.title !== ""
        text: dialog.title
        elide: Text.ElideRight
        color: Theme.text
        font.bold: true
        font.pixelSize: 14
        leftPadding: 20
        rightPadding: 20
        topPadding: 18
    }
    footer: DialogButtons {}
}

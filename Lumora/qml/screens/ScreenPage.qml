import QtQuick
import Lumora

// The frame of the home, group and favourites screens: a vertically scrolling
// stack of sections, 16 points apart and padded 20 points. It never shows
// scroll bars, so the content's width never changes when one would appear.
Flickable {
    id: page

    default property alias content: stack.data
    readonly property alias stack: stack

    contentWidth: width
    contentHeight: stack.implicitHeight + 40
    flickableDirection: Flickable.VerticalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    Column {
        id: stack
        x: 20
        y: 20
        width: page.width - 40
        spacing: 16
    }
}

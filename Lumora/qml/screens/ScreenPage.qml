import QtQuick
import QtQuick.Controls
import Lumora

// The frame of the home, group and favourites screens: a vertically scrolling
// stack of sections, 16 points apart and padded 20 points. It shows no scroll
// bar, so the content's width never changes when one would appear; a thin
// indicator over the right padding shows while it scrolls that there is more.
Flickable {
    id: page

    default property alias content: stack.data
    readonly property alias stack: stack

    contentWidth: width
    contentHeight: stack.implicitHeight + 40
    flickableDirection: Flickable.VerticalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    ScrollIndicator.vertical: ScrollIndicator {
        id: indicator
        objectName: "scrollIndicator"
        padding: 3
        contentItem: Rectangle {
            implicitWidth: 5
            implicitHeight: 5
            radius: 2.5
            color: Theme.scrollIndicator
            visible: indicator.size < 1
            opacity: indicator.active ? 1 : 0
            Behavior on opacity {
                NumberAnimation {
                    duration: 300
                }
            }
        }
    }

    Column {
        id: stack
        x: 20
        y: 20
        width: page.width - 40
        spacing: 16
    }
}

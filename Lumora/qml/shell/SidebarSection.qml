pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Lumora

// A titled group of sidebar rows over rooms or zones; nothing at all while
// the list is empty.
Column {
    id: section

    required property string title
    required property var model

    visible: model.count > 0

    PlainLabel {
        x: 18
        topPadding: 14
        bottomPadding: 4
        text: section.title
        color: Theme.textSectionHeader
        font.pixelSize: 11
        font.weight: Font.DemiBold
    }
    Repeater {
        model: section.model
        delegate: SidebarRow {
            required property string groupId
            required glow
            width: section.width
            value: "group:" + groupId
        }
    }
}

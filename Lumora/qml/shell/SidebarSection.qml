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
    // Whether the sidebar has the keyboard's focus, which its selected row shows.
    property bool showsFocus: false

    visible: model.count > 0

    // A heading for assistive tools; a label of the style could not be one.
    Item {
        objectName: "heading"
        width: section.width
        height: heading.implicitHeight
        Accessible.role: Accessible.Heading
        Accessible.name: section.title
        PlainLabel {
            id: heading
            x: 18
            topPadding: 14
            bottomPadding: 4
            text: section.title
            color: Theme.textSectionHeader
            font.pixelSize: 11
            font.weight: Font.DemiBold
            Accessible.ignored: true
        }
    }
    Repeater {
        model: section.model
        delegate: SidebarRow {
            required property string groupId
            required glow
            width: section.width
            showsFocus: section.showsFocus
            value: "group:" + groupId
        }
    }
}

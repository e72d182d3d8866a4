import QtQuick
import QtQuick.Controls

// The tooltip of the item it is declared in, with its text shown as plain
// text (see PlainLabel): the style's own tooltip, and the attached one shared
// by every item, guess the format of their text. It is made only while
// `shown` holds, so that the hundreds of stars and cards of a grid carry no
// popup each, and appears after the usual delay. (No "pragma
// ComponentBehavior: Bound": Qt 6.4's Loader cannot make a bound component.)
Loader {
    id: hint

    property string text
    property bool shown: false

    active: shown && text !== ""
    sourceComponent: ToolTip {
        id: tip
        // The loader's own id, from a component that cannot be bound (above).
        // qmllint disable unqualified
        parent: hint.parent
        visible: true
        delay: 700
        text: hint.text
        // qmllint enable unqualified
        contentItem: PlainLabel {
            text: tip.text
            font: tip.font
            wrapMode: Text.Wrap
            color: tip.palette.toolTipText
        }
    }
}

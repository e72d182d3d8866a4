import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Lumora

// A room on the home overview, the delegate of its list of rooms: a header
// that opens the room, then its lights and its scenes, on a panel of their
// own. Takes no room at all for a room with neither.
Item {
    id: section

    // The roles of a GroupListModel row the section shows.
    required property string groupId
    required property string name
    required property string symbol
    required property string openLabel
    required property int lightCount
    required property int sceneCount
    // The panel's distance from the list's sides, and the space below it.
    property real sideMargin: 0
    property real bottomMargin: 0
    signal open()

    implicitHeight: panel.visible ? panel.height + bottomMargin : 0

    Rectangle {
        id: panel
        x: section.sideMargin
        width: section.width - 2 * section.sideMargin
        visible: section.lightCount > 0 || section.sceneCount > 0
        color: Theme.panel
        radius: 22
        implicitHeight: visible ? column.implicitHeight + 28 : 0

        Column {
            id: column
            x: 14
            y: 14
            width: panel.width - 28
            spacing: 12

            T.AbstractButton {
                id: header
                objectName: "roomHeader"
                width: parent.width
                implicitHeight: 24
                leftPadding: 4
                rightPadding: 4
                hoverEnabled: true
                focusPolicy: Qt.TabFocus
                onClicked: section.open()
                Accessible.role: Accessible.Button
                Accessible.name: section.openLabel
                // Qt's buttons leave the accessible Press action without a click.
                function accessiblePressAction() {
                    header.clicked();
                }
                FocusRing {
                    shown: header.visualFocus
                    innerRadius: 6
                }
                PlainToolTip {
                    shown: header.hovered
                    text: section.openLabel
                }

                contentItem: Row {
                    spacing: 8
                    opacity: 0.85
                    Item {
                        width: 24
                        height: 24
                        SymbolIcon {
                            anchors.centerIn: parent
                            width: 14
                            height: 14
                            name: section.symbol
                            color: Theme.text
                        }
                    }
                    PlainLabel {
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, header.availableWidth - 24 - 8 - 8 - 11 - 8)
                        text: section.name
                        color: Theme.text
                        font.pixelSize: 14
                        font.weight: Font.DemiBold
                        elide: Text.ElideRight
                        maximumLineCount: 1
                    }
                }
                SymbolIcon {
                    anchors.right: parent.right
                    anchors.rightMargin: 4
                    anchors.verticalCenter: parent.verticalCenter
                    width: 11
                    height: 11
                    name: "chevron.right"
                    color: Theme.disclosure
                }
            }

            LightGrid {
                width: parent.width
                groupId: section.groupId
                visible: count > 0
            }
            SceneGrid {
                width: parent.width
                groupId: section.groupId
                visible: count > 0
            }
        }
    }
}

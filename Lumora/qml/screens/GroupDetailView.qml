import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Lumora

// The screen of one room or zone: its header card with the colour for all
// lights and the star, its lights with the button that saves them as a scene,
// and its scenes.
ScreenPage {
    id: view

    property string groupId
    // The group's values, following the home and the stars.
    readonly property Group group: Group {
        store: Store
        groupId: view.groupId
    }
    property bool showsColorPicker: false
    property bool showsSaveScene: false

    ControlCard {
        id: header
        objectName: "header"
        width: view.stack.width
        name: view.group.name
        caption: view.group.summary
        glow: view.group.glow
        isOn: view.group.isOn
        brightness: view.group.brightness
        onSwitched: value => Store.setGroupOn(view.groupId, value)
        onBrightnessPicked: value => Store.setGroupBrightness(view.groupId, value)

        leading: Item {
            width: 32
            height: 30
            SymbolIcon {
                anchors.centerIn: parent
                width: 22
                height: 22
                name: view.group.symbol
                color: Theme.text
            }
        }
        accessory: [
            T.AbstractButton {
                id: colorButton
                objectName: "groupColorButton"
                visible: view.group.hasColorButton
                padding: 4
                implicitWidth: 26
                implicitHeight: 26
                hoverEnabled: true
                focusPolicy: Qt.TabFocus
                onClicked: view.showsColorPicker = !view.showsColorPicker
                Accessible.role: Accessible.Button
                Accessible.name: Rules.tr("Farbe für ", "Colour for ") + view.group.name
                // Qt's buttons leave the accessible Press action without a click.
                function accessiblePressAction() {
                    colorButton.clicked();
                }
                FocusRing {
                    shown: colorButton.visualFocus
                    innerRadius: 13
                }
                PlainToolTip {
                    shown: colorButton.hovered
                    text: Rules.tr("Farbe für alle Lampen wählen", "Choose a colour for all lights")
                }
                contentItem: SymbolIcon {
                    name: "paintpalette.fill"
                    color: Theme.text
                }
                ColorPickerPopup {
                    id: picker
                    objectName: "groupColorPicker"
                    // A popup that closes itself keeps this binding; its
                    // onClosed brings the flag along.
                    visible: view.showsColorPicker
                    current: view.group.pickerColor
                    supportsColor: view.group.supportsColor
                    mirek: null
                    mirekRange: view.group.colorRange
                    onColorPicked: value => Store.setGroupColor(view.groupId, value)
                    onMirekPicked: value => Store.setGroupMirek(view.groupId, value)
                    onClosed: view.showsColorPicker = false
                }
            },
            FavoriteButton {
                anchors.verticalCenter: parent.verticalCenter
                kind: "group"
                itemId: view.groupId
                itemName: view.group.name
                isFavorite: view.group.isFavorite
                isOwnerHovered: true
            }
        ]
    }

    Column {
        width: parent.width
        visible: lights.count > 0
        SectionTitle {
            width: parent.width
            text: Rules.tr("Lampen", "Lights")

            T.AbstractButton {
                id: saveSceneButton
                objectName: "saveSceneButton"
                leftPadding: 10
                rightPadding: 10
                topPadding: 5
                bottomPadding: 5
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                hoverEnabled: true
                focusPolicy: Qt.TabFocus
                onClicked: view.showsSaveScene = !view.showsSaveScene
                Accessible.role: Accessible.Button
                Accessible.name: Rules.tr("Als Szene speichern", "Save as Scene")
                function accessiblePressAction() {
                    saveSceneButton.clicked();
                }
                FocusRing {
                    shown: saveSceneButton.visualFocus
                    innerRadius: saveSceneButton.height / 2
                }
                PlainToolTip {
                    objectName: "saveSceneHint"
                    shown: saveSceneButton.hovered
                    text: Rules.tr("Das aktuelle Licht in " + view.group.name + " als Szene speichern",
                                   "Save the current light in " + view.group.name + " as a scene")
                }
                background: Rectangle {
                    radius: height / 2
                    color: Theme.card
                }
                containmentMask: CapsuleMask {
                    width: saveSceneButton.width
                    height: saveSceneButton.height
                }
                contentItem: Row {
                    spacing: 5
                    opacity: 0.85
                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 12
                        height: 12
                        name: "plus"
                        color: Theme.text
                    }
                    PlainLabel {
                        text: Rules.tr("Als Szene speichern", "Save as Scene")
                        color: Theme.text
                        font.pixelSize: 12
                        font.weight: Font.Medium
                    }
                }

                Popup {
                    id: savePopup
                    objectName: "saveScenePopup"
                    visible: view.showsSaveScene
                    x: Math.round(saveSceneButton.width - width)
                    y: saveSceneButton.height + 6
                    margins: 8
                    padding: 0
                    focus: true
                    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
                    onClosed: view.showsSaveScene = false
                    background: Rectangle {
                        color: Theme.popover
                        radius: 12
                        border.width: 1
                        border.color: Theme.popoverBorder
                    }
                    // A fresh panel for every opening: an empty name, no failure.
                    contentItem: Loader {
                        active: savePopup.visible
                        focus: true
                        sourceComponent: SaveScenePanel {
                            objectName: "saveScenePanel"
                            focus: true
                            // Qt 6.4's Loader cannot make a bound component, so
                            // this one reaches the view through its context,
                            // which qmllint cannot follow.
                            // qmllint disable unqualified
                            groupId: view.groupId
                            groupName: view.group.name
                            onDone: view.showsSaveScene = false
                            // qmllint enable unqualified
                            Component.onCompleted: nameField.forceActiveFocus()
                        }
                    }
                }
            }
        }
        LightGrid {
            id: lights
            objectName: "lightsGrid"
            width: parent.width
            groupId: view.groupId
        }
    }
    Column {
        width: parent.width
        visible: scenes.count > 0
        topPadding: 6
        SectionTitle {
            width: parent.width
            text: Rules.tr("Szenen", "Scenes")
        }
        SceneGrid {
            id: scenes
            objectName: "scenesGrid"
            width: parent.width
            groupId: view.groupId
        }
    }
}

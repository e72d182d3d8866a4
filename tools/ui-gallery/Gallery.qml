pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Lumora

// Every building block with sample data on the Theme background, so that
// each can be looked at, screenshotted and measured.
Rectangle {
    id: gallery

    // "all" shows every section; "grid" shows only a large grid of cards (for measuring).
    property string mode: "all"
    property int gridCards: 8
    property alias flickable: flick

    color: Theme.content
    width: 1180
    height: 1560

    readonly property var palette: ["#ffb27a", "#ff7ae0", "#7ac7ff", "#a4ff8f", "#fff18c", "#c29cff"]
    readonly property var archetypes: ["living_room", "kitchen", "bedroom", "kids_bedroom", "bathroom", "office",
                                       "hallway", "garden", "garage", "attic", "gym", "zone"]

    function makeCards(count) {
        const cards = [];
        const symbols = ["sofa.fill", "fork.knife", "bed.double.fill", "teddybear.fill", "shower.fill", "chair.fill",
                         "hanger", "tree.fill", "car.fill", "archivebox.fill", "dumbbell.fill", "square.3.layers.3d"];
        for (let i = 0; i < count; ++i) {
            const on = i % 5 !== 3;
            const n = 1 + i % 4;
            const colors = [];
            for (let k = 0; k < n; ++k)
                colors.push(palette[(i + k) % palette.length]);
            cards.push({
                id: "card" + i,
                name: ["Wohnzimmer", "Küche", "Schlafzimmer", "Kinderzimmer", "Bad", "Büro", "Flur", "Garten",
                       "Garage", "Dachboden", "Fitness", "Erdgeschoss"][i % 12] + (i >= 12 ? " " + (i + 1) : ""),
                symbol: symbols[i % symbols.length],
                isOn: on,
                colors: colors,
                brightness: on ? 10 + (i * 23) % 91 : 0,
                summary: on ? (i % 2 ? "Alle Lampen an" : n + " von " + (n + 1) + " Lampen an") : "Alle Lampen aus"
            });
        }
        return cards;
    }

    property var cards: makeCards(gridCards)

    Component {
        id: cardContent
        SampleCard {}
    }

    component Caption: PlainLabel {
        color: Theme.textTertiary
        font.pixelSize: 12
        font.weight: Font.DemiBold
        font.capitalization: Font.AllUppercase
    }

    Flickable {
        id: flick
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 48
        clip: true

        Column {
            id: column
            x: 24
            y: 24
            width: flick.width - 48
            spacing: 18

            // Theme colours
            Caption { text: "Theme"; visible: gallery.mode === "all" }
            Row {
                visible: gallery.mode === "all"
                spacing: 12
                Repeater {
                    model: [["content", Theme.content], ["sidebar", Theme.sidebar], ["card", Theme.card],
                            ["panel", Theme.panel]]
                    Rectangle {
                        required property var modelData
                        width: 130
                        height: 54
                        radius: 10
                        color: modelData[1]
                        border.width: 1
                        border.color: Theme.selection
                        PlainLabel {
                            anchors.centerIn: parent
                            text: parent.modelData[0]
                            color: Theme.text
                            font.pixelSize: 12
                        }
                    }
                }
            }

            // Lit surfaces
            Caption { text: "Lit surfaces"; visible: gallery.mode === "all" }
            Row {
                id: surfaces
                visible: gallery.mode === "all"
                spacing: 12
                Repeater {
                    model: [
                        { label: "unlit", glow: null },
                        { label: "warm white 100 %", glow: StyleRules.glow([], 100) },
                        { label: "2 colours 50 %", glow: StyleRules.glow(["#ffb27a", "#7ac7ff"], 50) },
                        { label: "4 colours 5 %", glow: StyleRules.glow(["#ff7ae0", "#fff18c", "#a4ff8f", "#7ac7ff"], 5) },
                        { label: "same colour twice", glow: StyleRules.glow(["#c29cff", "#c29cff"], 80) }
                    ]
                    LitSurface {
                        id: surface
                        required property var modelData
                        width: 210
                        height: 80
                        glow: modelData.glow
                        PlainLabel {
                            x: 14
                            y: 12
                            text: surface.modelData.label
                            color: Theme.text
                            font.pixelSize: 13
                            font.weight: Font.DemiBold
                        }
                        PlainLabel {
                            x: 14
                            y: 34
                            text: surface.modelData.glow ? "shade " + surface.modelData.glow.shade.toFixed(2) : "Theme.card"
                            color: Theme.textCaption
                            font.pixelSize: 11
                        }
                    }
                }
            }

            // Symbols
            Caption { text: "Symbols"; visible: gallery.mode === "all" }
            Grid {
                visible: gallery.mode === "all"
                columns: 6
                spacing: 6
                Repeater {
                    model: StyleRules.symbolNames()
                    Rectangle {
                        required property string modelData
                        width: 182
                        height: 34
                        radius: 8
                        color: Theme.card
                        SymbolIcon {
                            x: 8
                            anchors.verticalCenter: parent.verticalCenter
                            width: 18
                            height: 18
                            name: parent.modelData
                            color: Theme.textLabel
                        }
                        PlainLabel {
                            x: 34
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width - 40
                            text: parent.modelData
                            color: Theme.textCaption
                            font.pixelSize: 11
                            elide: Text.ElideRight
                        }
                    }
                }
            }

            // Controls
            Caption { text: "Controls"; visible: gallery.mode !== "grid" }
            Row {
                visible: gallery.mode !== "grid"
                spacing: 28
                Column {
                    spacing: 10
                    Repeater {
                        model: [0, 40, 100]
                        Rectangle {
                            required property int modelData
                            width: 260
                            height: 36
                            radius: 10
                            color: Theme.card
                            BrightnessSlider {
                                objectName: "slider" + parent.modelData
                                x: 12
                                y: 8
                                width: 236
                                brightness: parent.modelData
                                onChange: value => brightness = value
                            }
                        }
                    }
                }
                Column {
                    spacing: 12
                    Row {
                        spacing: 12
                        HueToggle { isOn: true }
                        HueToggle { isOn: false }
                    }
                    LitSurface {
                        width: 200
                        height: 52
                        glow: StyleRules.glow(["#7ac7ff"], 70)
                        HueToggle {
                            x: 12
                            y: 12
                            isOn: true
                        }
                        HueToggle {
                            x: 70
                            y: 12
                            isOn: false
                        }
                    }
                }
                Rectangle {
                    width: 252
                    height: panelColor.implicitHeight
                    radius: 12
                    color: Theme.panel
                    ColorPickerPanel {
                        id: panelColor
                        objectName: "panelColor"
                        supportsColor: true
                        current: "#ff8a3d"
                        mirekRange: ({ minimum: 153, maximum: 500 })
                        onColorPicked: value => current = value
                        onMirekPicked: value => mirek = value
                    }
                }
                Rectangle {
                    width: 252
                    height: panelWhite.implicitHeight
                    radius: 12
                    color: Theme.panel
                    ColorPickerPanel {
                        id: panelWhite
                        supportsColor: true
                        current: Theme.neutralLight
                        mirek: 153
                        mirekRange: ({ minimum: 153, maximum: 500 })
                        onMirekPicked: value => mirek = value
                    }
                }
            }

            // Reorderable grid
            Caption { text: "Reorderable grid"; visible: gallery.mode !== "controls" }
            ReorderableGrid {
                id: grid
                objectName: "grid"
                visible: gallery.mode !== "controls"
                width: column.width
                columnMinimum: 270
                columnSpacing: 12
                spacing: 12
                model: gallery.cards
                content: cardContent
                onCommit: ids => {
                    const byId = {};
                    for (const card of gallery.cards)
                        byId[card.id] = card;
                    gallery.cards = ids.map(id => byId[id]);
                }
            }
        }
    }
}

pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import Lumora

// The main window's content while no bridge is paired: the search, the
// bridges found, a typed address, and the wait for the link button.
Item {
    id: root

    // The only state of the screen: what the user typed.
    property alias manualHost: address.text
    readonly property int step: Store.pairingStep
    readonly property bool hasBridges: Store.discoveredBridges.length > 0

    Component.onCompleted: Store.searchBridges()

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(root.width - 64, 460)
        spacing: 18

        SymbolIcon {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            name: "lightbulb.led.wide"
            color: Theme.accent
        }
        PlainLabel {
            Layout.alignment: Qt.AlignHCenter
            text: Rules.tr("Mit der Hue Bridge verbinden", "Connect to the Hue Bridge")
            color: Theme.text
            font.pixelSize: 22
            font.weight: Font.DemiBold
        }

        // Searching: the indicator and nothing else.
        Row {
            objectName: "searching"
            Layout.alignment: Qt.AlignHCenter
            visible: root.step === Store.Searching
            spacing: 10
            BusyIndicator {
                running: parent.visible
                implicitWidth: 28
                implicitHeight: 28
            }
            PlainLabel {
                anchors.verticalCenter: parent.verticalCenter
                text: Rules.tr("Suche im Netzwerk …", "Searching the network…")
                color: Theme.textLabel
                font.pixelSize: 13
            }
        }

        // Waiting for the link button.
        ColumnLayout {
            objectName: "waiting"
            Layout.fillWidth: true
            visible: root.step === Store.WaitingForButton
            spacing: 12
            BusyIndicator {
                Layout.alignment: Qt.AlignHCenter
                running: parent.visible
            }
            PlainLabel {
                Layout.fillWidth: true
                text: Rules.tr("Drücke jetzt den runden Knopf oben auf der Bridge.",
                               "Now press the round button on top of the bridge.")
                color: Theme.text
                font.pixelSize: 15
                font.weight: Font.DemiBold
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
            PlainLabel {
                Layout.fillWidth: true
                text: Rules.tr("Lumora wartet bis zu 30 Sekunden.", "Lumora waits for up to 30 seconds.")
                color: Theme.textSecondary
                font.pixelSize: 13
                horizontalAlignment: Text.AlignHCenter
            }
            RingButton {
                id: cancel
                objectName: "cancel"
                Layout.alignment: Qt.AlignHCenter
                text: Rules.tr("Abbrechen", "Cancel")
                onClicked: Store.cancelPairing()
            }
        }

        // The last attempt's failure, its symbol beside the centred text:
        // the row is only as wide as the text needs, and centred itself.
        RowLayout {
            objectName: "failure"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: parent.width
            visible: root.step === Store.Failed
            spacing: 8
            SymbolIcon {
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
                Layout.alignment: Qt.AlignTop
                name: "exclamationmark.triangle.fill"
                color: Theme.warning
            }
            PlainLabel {
                objectName: "failureText"
                Layout.fillWidth: true
                Layout.maximumWidth: implicitWidth
                text: Store.pairingMessage
                color: Theme.warning
                font.pixelSize: 13
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }

        // The bridge choice, while idle or after a failure.
        ColumnLayout {
            objectName: "choice"
            Layout.fillWidth: true
            visible: root.step === Store.Idle || root.step === Store.Failed
            spacing: 12

            ColumnLayout {
                objectName: "lookingForBridge"
                Layout.fillWidth: true
                visible: !root.hasBridges
                spacing: 8
                Row {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 10
                    BusyIndicator {
                        running: parent.visible
                        implicitWidth: 28
                        implicitHeight: 28
                    }
                    PlainLabel {
                        anchors.verticalCenter: parent.verticalCenter
                        text: Rules.tr("Suche nach der Bridge …", "Looking for the bridge…")
                        color: Theme.textLabel
                        font.pixelSize: 13
                    }
                }
                PlainLabel {
                    objectName: "hint"
                    Layout.fillWidth: true
                    text: Store.pairingHint
                    color: Theme.textSecondary
                    font.pixelSize: 12
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }

            Repeater {
                model: Store.discoveredBridges
                delegate: RingButton {
                    id: bridgeButton
                    required property var modelData
                    objectName: "bridge:" + modelData.host
                    Layout.fillWidth: true
                    implicitHeight: implicitContentHeight + 16
                    leftPadding: 14
                    rightPadding: 14
                    Accessible.name: modelData.name + ", " + modelData.host
                    onClicked: Store.pair(modelData.host)
                    contentItem: RowLayout {
                        Column {
                            Layout.fillWidth: true
                            topPadding: 4
                            bottomPadding: 4
                            PlainLabel {
                                text: bridgeButton.modelData.name
                                color: Theme.text
                                font.pixelSize: 14
                            }
                            PlainLabel {
                                text: bridgeButton.modelData.host
                                color: Theme.textSecondary
                                font.pixelSize: 11
                            }
                        }
                        PlainLabel {
                            text: Rules.tr("Verbinden", "Connect")
                            color: Theme.text
                            font.pixelSize: 13
                        }
                    }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                RingTextField {
                    id: address
                    objectName: "address"
                    Layout.fillWidth: true
                    placeholderText: Rules.tr("IP-Adresse der Bridge", "IP address of the bridge")
                    inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
                    // Return always asks; the store ignores a blank address.
                    onAccepted: Store.pair(text)
                }
                RingButton {
                    id: connect
                    objectName: "connect"
                    text: Rules.tr("Verbinden", "Connect")
                    enabled: !Store.isBlankAddress(address.text)
                    onClicked: Store.pair(address.text)
                }
            }

            T.AbstractButton {
                id: searchAgain
                objectName: "searchAgain"
                Layout.alignment: Qt.AlignHCenter
                visible: root.hasBridges
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                focusPolicy: Qt.StrongFocus
                hoverEnabled: true
                text: Rules.tr("Erneut suchen", "Search Again")
                Accessible.role: Accessible.Button
                Accessible.name: text
                onClicked: Store.searchBridges()
                // Qt's buttons leave the accessible Press action without a click.
                function accessiblePressAction() {
                    searchAgain.clicked();
                }
                contentItem: PlainLabel {
                    text: searchAgain.text
                    color: Theme.accent
                    font.pixelSize: 13
                    font.underline: searchAgain.hovered
                }
                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }
                FocusRing {
                    shown: searchAgain.visualFocus
                    innerRadius: 4
                }
            }
        }
    }
}

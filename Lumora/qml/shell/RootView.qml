import QtQuick
import QtQuick.Controls
import Lumora

// The main window's content: the pairing screen, a connecting or unreachable
// placeholder while no home is loaded, or the working screen.
Rectangle {
    id: root

    // The shown screen's title, for the window; empty outside the working screen.
    readonly property string title: Store.screen === Store.MainScreen ? screenTitle.text : ""
    ScreenTitle {
        id: screenTitle
    }

    color: Theme.content

    Component.onCompleted: Store.start()

    Loader {
        id: content
        anchors.fill: parent
        // One screen for each of Store.Screen's values, in their order.
        sourceComponent: [pairing, connecting, unreachable, main][Store.screen]
    }

    Component {
        id: pairing
        PairingView {}
    }
    Component {
        id: connecting
        Item {
            objectName: "connecting"
            Column {
                anchors.centerIn: parent
                spacing: 12
                BusyIndicator {
                    anchors.horizontalCenter: parent.horizontalCenter
                    running: true
                }
                PlainLabel {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: Rules.tr("Verbinde mit der Bridge …", "Connecting to the bridge…")
                    color: Theme.text
                    font.pixelSize: 15
                }
            }
        }
    }
    Component {
        id: unreachable
        ContentUnavailable {
            objectName: "unreachable"
            symbol: "wifi.exclamationmark"
            title: Rules.tr("Bridge nicht erreichbar", "Bridge unreachable")
            description: Store.unreachableDescription
            actionText: Rules.tr("Andere Bridge koppeln", "Pair Another Bridge")
            onAction: Store.forgetBridge()
        }
    }
    Component {
        id: main
        MainView {}
    }
}

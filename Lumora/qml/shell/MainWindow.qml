import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Lumora

// The application's one main window, with its menu, the settings window and
// the About dialog. Closing it ends the application, unless the tray icon
// keeps Lumora running.
ApplicationWindow {
    id: window

    objectName: "main"
    visible: true
    title: root.title !== "" ? root.title + " – Lumora" : "Lumora"
    width: 940
    height: 640
    minimumWidth: 720
    minimumHeight: 460
    color: Theme.content

    function openSettings() {
        settings.show();
        settings.raise();
        settings.requestActivate();
    }
    function openAbout() {
        about.open();
    }

    menuBar: MenuBar {
        FittedMenu {
            objectName: "appMenu"
            title: "Lumora"
            // Every item shows its shortcut at its trailing end.
            delegate: MenuItem {
                id: menuItem
                readonly property string shortcutText: action && action.shortcut !== undefined
                                                       ? Rules.shortcutText(action.shortcut) : ""
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                               + (shortcutText !== "" ? shortcutLabel.implicitWidth + 32 : 0)
                PlainLabel {
                    id: shortcutLabel
                    anchors.right: parent.right
                    anchors.rightMargin: menuItem.rightPadding
                    anchors.verticalCenter: parent.verticalCenter
                    visible: menuItem.shortcutText !== ""
                    text: menuItem.shortcutText
                    color: menuItem.enabled ? Theme.textSecondary : Theme.textDisabled
                    Accessible.ignored: true
                }
            }
            Action {
                text: Rules.tr("Über Lumora", "About Lumora")
                onTriggered: window.openAbout()
            }
            Action {
                text: Rules.tr("Nach Updates suchen …", "Check for Updates…")
                enabled: AppInfo.canCheckForUpdates
                onTriggered: AppInfo.checkForUpdates()
            }
            MenuSeparator {}
            Action {
                text: Rules.tr("Einstellungen …", "Settings…")
                shortcut: "Ctrl+,"
                onTriggered: window.openSettings()
            }
            MenuSeparator {}
            Action {
                text: Rules.tr("Beenden", "Quit")
                shortcut: "Ctrl+Q"
                onTriggered: Qt.quit()
            }
        }
    }

    RootView {
        id: root
        anchors.fill: parent
    }

    onClosing: Desktop.keepsRunning ? Desktop.closeToTray() : Qt.quit()
    Component.onCompleted: Theme.paint(palette)

    Window {
        id: settings
        objectName: "settings"
        title: Rules.tr("Einstellungen", "Settings")
        color: Theme.content
        width: 460
        height: settingsView.implicitHeight
        minimumWidth: 460
        maximumWidth: 460
        minimumHeight: settingsView.implicitHeight
        maximumHeight: settingsView.implicitHeight
        transientParent: null
        SettingsView {
            id: settingsView
            anchors.fill: parent
            focus: true
            // Escape and Ctrl+W close the window, wherever the keyboard is in it.
            Keys.onPressed: event => {
                if (event.key === Qt.Key_Escape
                    || (event.key === Qt.Key_W && event.modifiers === Qt.ControlModifier)) {
                    event.accepted = true;
                    settings.close();
                }
            }
        }
    }

    PlainDialog {
        id: about
        objectName: "about"
        // Screen readers meet the popup's own item; it takes the name (no
        // title bar is drawn).
        Component.onCompleted: contentItem.parent.Accessible.name = Rules.tr("Über Lumora", "About Lumora")
        standardButtons: Dialog.Ok
        width: 320
        Column {
            width: parent.width
            spacing: 8
            Image {
                objectName: "aboutIcon"
                anchors.horizontalCenter: parent.horizontalCenter
                width: 72
                height: 72
                sourceSize.width: 144
                sourceSize.height: 144
                source: "qrc:/qt/qml/Lumora/app-icon.svg"
            }
            PlainLabel {
                anchors.horizontalCenter: parent.horizontalCenter
                text: AppInfo.aboutName
                color: Theme.text
                font.pixelSize: 20
                font.weight: Font.DemiBold
            }
            PlainLabel {
                objectName: "aboutVersion"
                anchors.horizontalCenter: parent.horizontalCenter
                text: AppInfo.aboutVersion
                color: Theme.textSubtle
                font.pixelSize: 12
            }
        }
    }

    // A check the user started reports its outcome.
    Connections {
        target: AppInfo
        function onUpdateMessage(message) {
            updateNotice.text = message;
            updateNotice.open();
        }
    }
    PlainDialog {
        id: updateNotice
        property alias text: noticeLabel.text
        standardButtons: Dialog.Ok
        PlainLabel {
            id: noticeLabel
            color: Theme.text
            wrapMode: Text.Wrap
        }
    }
}

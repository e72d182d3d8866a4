import QtQuick
import QtQuick.Controls

// A screen that only names itself.
Item {
    property string title
    Label {
        anchors.centerIn: parent
        text: parent.title
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 20
    }
}

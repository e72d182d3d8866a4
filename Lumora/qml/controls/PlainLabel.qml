import QtQuick
import QtQuick.Controls

// The one label of the screens. Its text is shown as it is, never read as
// markup: names come from the bridge and from anyone on the network, and a
// label left to guess its format would draw a name like "<h1>…" as a heading
// and fetch the image an "<img src=…>" in it points to. A label that really
// wants styled text says so with its own textFormat.
Label {
    textFormat: Text.PlainText
}

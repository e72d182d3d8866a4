import QtQuick
import QtQuick.Controls

// A dialog's buttons on the dialog's own surface (see PlainDialog), with no
// strip of their own.
DialogButtonBox {
    visible: count > 0
    padding: 12
    leftPadding: 20
    rightPadding: 20
    spacing: 8
    background: null
    // The standard buttons (an OK) carry the same focus mark as every other.
    delegate: RingButton {}
    // Screen readers see the buttons, not a list of page tabs (the role Qt
    // gives the row).
    Accessible.ignored: true
}

import QtQuick
import QtQuick.Controls

// A menu as wide as its widest entry: the style's menu keeps a fixed width
// and cuts longer entries, which German ones often are.
Menu {
    id: menu

    width: {
        let widest = implicitWidth;
        for (let i = 0; i < count; ++i) {
            const entry = itemAt(i);
            if (entry)
                widest = Math.max(widest, entry.implicitWidth + leftPadding + rightPadding);
        }
        return Math.ceil(widest);
    }
}

#pragma once

#include "ItemKeys.h"

#include <QtQml/qqmlregistration.h>

/// The keyboard of a tile that acts like a button with a context menu, read
/// from its `target` item's key presses: Return, Enter or Space activate it;
/// the menu key or Shift+F10 ask for its menu. Other keys go on to the item
/// and its parents.
class TileKeys : public ItemKeys
{
    Q_OBJECT
    QML_ELEMENT

public:
    using ItemKeys::ItemKeys;

Q_SIGNALS:
    void activated();
    void menuRequested();

protected:
    bool keyEvent(QKeyEvent *key) override;
};

#include "TileKeys.h"

#include <QKeyEvent>

bool TileKeys::keyEvent(QKeyEvent *key)
{
    if (key->type() != QEvent::KeyPress)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Q_EMIT activated();
        break;
    case Qt::Key_F10:
        if (!key->modifiers().testFlag(Qt::ShiftModifier))
            return false;
        Q_EMIT menuRequested();
        break;
    case Qt::Key_Menu:
        Q_EMIT menuRequested();
        break;
    default:
        return false;
    }
    key->accept();
    return true;
}

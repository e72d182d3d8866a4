#include "TileKeys.h"

#include <QKeyEvent>

QQuickItem *TileKeys::target() const
{
    return m_target;
}

void TileKeys::setTarget(QQuickItem *target)
{
    if (m_target == target)
        return;
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = target;
    if (m_target)
        m_target->installEventFilter(this);
    Q_EMIT targetChanged();
}

bool TileKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_target || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
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
    event->accept();
    return true;
}

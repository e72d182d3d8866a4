#include "ItemKeys.h"

#include <QKeyEvent>

QQuickItem *ItemKeys::target() const
{
    return m_target;
}

void ItemKeys::setTarget(QQuickItem *target)
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

bool ItemKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_target || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    return keyEvent(static_cast<QKeyEvent *>(event));
}

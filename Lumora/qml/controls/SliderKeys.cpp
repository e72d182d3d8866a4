#include "SliderKeys.h"

#include "UiRules.h"

#include <QKeyEvent>

#include <cmath>

QQuickItem *SliderKeys::target() const
{
    return m_target;
}

void SliderKeys::setTarget(QQuickItem *target)
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

bool SliderKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_target)
        return false;
    if (event->type() == QEvent::KeyRelease) {
        // Left to the item too: a slider template ends its own press on it.
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            Q_EMIT released();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers().testFlag(Qt::AltModifier))
        return false;
    const double next = UiRules::sliderKey(key->key(), m_value, m_from, m_to, m_step, m_page);
    if (std::isnan(next))
        return false;
    event->accept();
    if (next != m_value)
        Q_EMIT stepped(next);
    return true;
}

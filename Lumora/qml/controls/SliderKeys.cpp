#include "SliderKeys.h"

#include "UiRules.h"

#include <QKeyEvent>

#include <cmath>

bool SliderKeys::keyEvent(QKeyEvent *key)
{
    if (key->type() == QEvent::KeyRelease) {
        // Left to the item too: a slider template ends its own press on it.
        if (!key->isAutoRepeat())
            Q_EMIT released();
        return false;
    }
    if (key->modifiers().testFlag(Qt::AltModifier))
        return false;
    const double next = UiRules::sliderKey(key->key(), m_value, m_from, m_to, m_step, m_page);
    if (std::isnan(next))
        return false;
    key->accept();
    if (next != m_value)
        Q_EMIT stepped(next);
    return true;
}

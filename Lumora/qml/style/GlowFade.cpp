#include "GlowFade.h"

#include "Glow.h"

#include <optional>

namespace {

std::optional<Glow> glowOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Glow>())
        return value.value<Glow>();
    return std::nullopt;
}

} // namespace

void GlowFade::setGlow(const QVariant &glow)
{
    if (!m_complete) {
        m_front = glow;
        Q_EMIT glowChanged();
        return;
    }
    if (glowOf(m_front) == glowOf(glow))
        return;
    m_back = m_front;
    m_front = glow;
    Q_EMIT backChanged();
    Q_EMIT glowChanged();
    Q_EMIT switched();
}

#include "CapsuleMask.h"

#include <algorithm>

bool CapsuleMask::contains(const QPointF &point) const
{
    // The nearest point on the capsule's spine, a line between the centres of
    // its two half circles; a capsule narrower than tall degenerates to its
    // trailing circle.
    const double radius = m_height / 2;
    const double spineX = std::min(std::max(point.x(), radius), m_width - radius);
    const double dx = point.x() - spineX;
    const double dy = point.y() - radius;
    return dx * dx + dy * dy <= radius * radius;
}

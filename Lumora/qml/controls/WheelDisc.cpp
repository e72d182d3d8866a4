#include "WheelDisc.h"

#include "Theme.h"
#include "WheelMath.h"

#include <QConicalGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

WheelDisc::WheelDisc(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setAcceptedMouseButtons(Qt::LeftButton);
}

QPointF WheelDisc::center() const
{
    return {width() / 2, height() / 2};
}

double WheelDisc::radius() const
{
    return std::min(width(), height()) / 2;
}

bool WheelDisc::contains(const QPointF &point) const
{
    const QPointF offset = point - center();
    return QPointF::dotProduct(offset, offset) <= radius() * radius();
}

void WheelDisc::paint(QPainter *painter)
{
    const QPointF middle = center();
    const double r = radius();
    QPainterPath disc;
    disc.addEllipse(middle, r, r);
    painter->setRenderHint(QPainter::Antialiasing);

    // A conical gradient runs counter-clockwise, so the rim colours are laid
    // in reverse to make hue grow clockwise from the right.
    const auto hues = WheelMath::hues();
    QConicalGradient rim(middle, 0);
    const qsizetype last = hues.size() - 1;
    for (qsizetype i = 0; i <= last; ++i)
        rim.setColorAt(double(i) / double(last), Theme::color(hues.at(last - i)));
    painter->fillPath(disc, rim);

    QRadialGradient white(middle, r);
    white.setColorAt(0, Theme::neutralLight());
    white.setColorAt(1, Theme::neutralLightClear());
    painter->fillPath(disc, white);
}

void WheelDisc::pick(QPointF at)
{
    const WheelPick picked = WheelMath::pick(at, center(), radius());
    if (picked.marker != m_dragLocation) {
        m_dragLocation = picked.marker;
        Q_EMIT dragLocationChanged();
    }
    setDragging(true);
    Q_EMIT this->picked(picked.qColor());
}

void WheelDisc::setDragging(bool dragging)
{
    if (m_dragging == dragging)
        return;
    m_dragging = dragging;
    Q_EMIT draggingChanged();
}

void WheelDisc::mousePressEvent(QMouseEvent *event)
{
    // Held against flickables around the picker, as a drag on a slider is.
    setKeepMouseGrab(true);
    pick(event->position());
}

void WheelDisc::mouseMoveEvent(QMouseEvent *event)
{
    pick(event->position());
}

void WheelDisc::mouseReleaseEvent(QMouseEvent * /*event*/)
{
    setKeepMouseGrab(false);
    setDragging(false);
}

void WheelDisc::mouseUngrabEvent()
{
    setKeepMouseGrab(false);
    setDragging(false);
}

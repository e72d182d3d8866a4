#include "ToneTrack.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

ToneTrack::ToneTrack(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void ToneTrack::setColors(const QList<QColor> &colors)
{
    if (m_colors == colors)
        return;
    m_colors = colors;
    update();
    Q_EMIT colorsChanged();
}

void ToneTrack::paint(QPainter *painter)
{
    if (m_colors.isEmpty())
        return;
    QLinearGradient gradient(0, 0, width(), 0);
    const qsizetype last = m_colors.size() - 1;
    for (qsizetype i = 0; i <= last; ++i)
        gradient.setColorAt(last == 0 ? 0 : double(i) / double(last), m_colors.at(i));
    if (last == 0)
        gradient.setColorAt(1, m_colors.first());
    const double radius = height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(0, 0, width(), height()), radius, radius);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(capsule, gradient);
}

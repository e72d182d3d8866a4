#pragma once

#include <QColor>
#include <QPointF>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

/// The disc of the colour wheel (see WheelMath): the hues around the rim,
/// white in the centre, centred in the item with the radius of half its
/// shorter side. Only the disc takes the pointer; a drag that starts on it may
/// leave it and picks the nearest colour on the rim.
class WheelDisc : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    /// Whether the pointer is dragging on the disc.
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    /// Where the dragged marker sits: the pointer pulled back onto the disc.
    Q_PROPERTY(QPointF dragLocation READ dragLocation NOTIFY dragLocationChanged)

public:
    explicit WheelDisc(QQuickItem *parent = nullptr);

    bool dragging() const { return m_dragging; }
    QPointF dragLocation() const { return m_dragLocation; }

    bool contains(const QPointF &point) const override;
    void paint(QPainter *painter) override;

Q_SIGNALS:
    /// Every colour picked while the pointer is pressed, at full brightness.
    void picked(const QColor &color);
    void draggingChanged();
    void dragLocationChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseUngrabEvent() override;

private:
    QPointF center() const;
    double radius() const;
    void pick(QPointF at);
    void setDragging(bool dragging);

    bool m_dragging = false;
    QPointF m_dragLocation;
};

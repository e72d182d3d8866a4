#pragma once

#include <QObject>
#include <QPointF>
#include <QtQml/qqmlregistration.h>

/// The hit area of a rounded control, set as its containmentMask: a
/// horizontal capsule of the given size (a circle when it is square), so the
/// corners of the control's rectangle do not take the pointer.
class CapsuleMask : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double width MEMBER m_width NOTIFY sizeChanged)
    Q_PROPERTY(double height MEMBER m_height NOTIFY sizeChanged)

public:
    using QObject::QObject;

    /// Whether `point`, in the masked item's coordinates, lies on the capsule.
    Q_INVOKABLE bool contains(const QPointF &point) const;

Q_SIGNALS:
    void sizeChanged();

private:
    double m_width = 0;
    double m_height = 0;
};

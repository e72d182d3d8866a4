#pragma once

#include <QColor>
#include <QList>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

/// The track of the white-tone slider: a capsule filled with a horizontal
/// gradient through `colors`, evenly spaced from the leading to the trailing
/// end; a single colour fills it evenly.
class ToneTrack : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QList<QColor> colors READ colors WRITE setColors NOTIFY colorsChanged)

public:
    explicit ToneTrack(QQuickItem *parent = nullptr);

    QList<QColor> colors() const { return m_colors; }
    void setColors(const QList<QColor> &colors);

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void colorsChanged();

private:
    QList<QColor> m_colors;
};

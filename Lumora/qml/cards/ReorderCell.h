#pragma once

#include "ReorderLayout.h"

#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

/// One cell of a reorderable grid (see ReorderLayout, its parent). It
/// registers itself with the layout, which tells it its frame and when to make
/// its content. Assistive technologies see it as a list item named like its
/// content, with two actions of their own names that move it one place
/// towards the start or the end of the grid; the keyboard has them as Alt
/// with the arrow keys.
class ReorderCell : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString accessibleName READ accessibleName WRITE setAccessibleName NOTIFY accessibleNameChanged)
    Q_PROPERTY(QString itemId READ itemId WRITE setItemId NOTIFY itemIdChanged)
    /// The row of the cell's item in the model.
    Q_PROPERTY(int modelIndex READ modelIndex WRITE setModelIndex NOTIFY modelIndexChanged)
    /// What the cell shows, once made: it takes the cell's width, and its
    /// implicit height is the cell's height.
    Q_PROPERTY(QQuickItem *contentItem READ contentItem WRITE setContentItem NOTIFY contentItemChanged)
    /// Where the layout puts the cell, in the grid's coordinates.
    Q_PROPERTY(QRectF frame READ frame NOTIFY frameChanged)
    /// Set once the cell has been in its first slot for a turn of the event
    /// loop: a new cell appears in its slot, later changes of order slide.
    Q_PROPERTY(bool placed READ placed NOTIFY placedChanged)

public:
    explicit ReorderCell(QQuickItem *parent = nullptr);
    ~ReorderCell() override;

    QString accessibleName() const { return m_accessibleName; }
    void setAccessibleName(const QString &name);
    QString itemId() const { return m_itemId; }
    void setItemId(const QString &id);
    int modelIndex() const { return m_modelIndex; }
    void setModelIndex(int index);
    QQuickItem *contentItem() const { return m_contentItem; }
    void setContentItem(QQuickItem *item);
    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF &frame);
    bool placed() const { return m_placed; }
    /// The height the cell's content asks for, or a negative number before
    /// the content is made.
    double contentHeight() const { return m_contentItem ? m_contentItem->implicitHeight() : -1; }

    /// The layout is going away: the cell no longer reports to it.
    void forgetLayout() { m_layout = nullptr; }
    /// Asks the cell to make its content now (it emits revealRequested()).
    void reveal();
    /// Moves the cell's item one place towards the start (-1) or the end (+1).
    bool move(int step);

    /// "Nach vorne verschieben" / "Move forward" and "Nach hinten verschieben"
    /// / "Move back", in this order, in the user's language.
    static QStringList actionNames();
    /// The step an action name stands for: -1, +1, or 0 for an unknown name.
    static int stepOf(const QString &actionName);

Q_SIGNALS:
    void accessibleNameChanged();
    void itemIdChanged();
    void modelIndexChanged();
    void contentItemChanged();
    void frameChanged();
    void placedChanged();
    /// The cell came near the view, or got the keyboard focus: time to make
    /// its content.
    void revealRequested();

protected:
    void componentComplete() override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void attachTo(QQuickItem *parent);

    QString m_accessibleName;
    QString m_itemId;
    int m_modelIndex = -1;
    QPointer<QQuickItem> m_contentItem;
    QMetaObject::Connection m_heightConnection;
    QRectF m_frame;
    bool m_placed = false;
    bool m_placing = false;
    QPointer<ReorderLayout> m_layout;
};

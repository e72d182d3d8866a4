#pragma once

#include "GridColumns.h"

#include <QHash>
#include <QJSValue>
#include <QList>
#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <optional>

class ReorderCell;

/// The layout engine of a reorderable grid. Its cells (ReorderCell items
/// made by a Repeater inside it) register themselves; the layout keeps their
/// ids in model order and in the order shown, their measured heights and
/// frames, tells each cell its frame, asks the cells near the visible part of
/// the surrounding view to make their content, and runs the drag: the target
/// under the lifted card, the working order, the commit on release and the
/// card's glide into its slot. The QML around it keeps the pointer handlers,
/// the lifted card's shadow and the animations.
class ReorderLayout : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT

    /// The items in their saved order: a list model with an id role or an
    /// array of objects with an id member. Replacing or resetting it during a
    /// drag ends the drag without a commit.
    Q_PROPERTY(QJSValue model READ model WRITE setModel NOTIFY modelChanged)
    /// The adaptive column set: as many columns as fit, each at least
    /// columnMinimum wide (at most columnMaximum when given), columnSpacing apart.
    Q_PROPERTY(double columnMinimum READ columnMinimum WRITE setColumnMinimum NOTIFY columnsChanged)
    Q_PROPERTY(QVariant columnMaximum READ columnMaximum WRITE setColumnMaximum NOTIFY columnsChanged)
    Q_PROPERTY(double columnSpacing READ columnSpacing WRITE setColumnSpacing NOTIFY columnsChanged)
    /// Spacing between rows.
    Q_PROPERTY(double spacing READ spacing WRITE setSpacing NOTIFY columnsChanged)
    Q_PROPERTY(int columnCount READ columnCount NOTIFY arranged)

    /// Cells make their content only when they come within revealMargin of
    /// the visible part of the viewport (the nearest Flickable around the
    /// grid; without one every cell is in view): a large home has hundreds of
    /// cards below the fold, and making them all at once is most of the
    /// start-up time and memory. Until then a cell takes the height of the
    /// first content made (estimatedCellHeight before any).
    Q_PROPERTY(
        double estimatedCellHeight READ estimatedCellHeight WRITE setEstimatedCellHeight NOTIFY placeholderChanged)
    Q_PROPERTY(double learnedCellHeight READ learnedCellHeight NOTIFY placeholderChanged)
    Q_PROPERTY(double revealMargin READ revealMargin WRITE setRevealMargin NOTIFY revealMarginChanged)
    Q_PROPERTY(QQuickItem *viewport READ viewport WRITE setViewport NOTIFY viewportChanged)

    /// The ids in model order, read from the cells' own indexes: they are
    /// current as soon as a row moves, before the Repeater reorders its list.
    Q_PROPERTY(QStringList itemIds READ itemIds NOTIFY arranged)
    /// How many items the grid shows.
    Q_PROPERTY(int count READ count NOTIFY arranged)
    /// The ids in the order shown: during a drag, the working order.
    Q_PROPERTY(QStringList displayedIds READ displayedIds NOTIFY arranged)
    /// Cells slide to new slots only when the order shown changed; a new
    /// width, column count or neighbour's height moves them at once. Set
    /// before the cells learn their new frames, so their animations see it.
    Q_PROPERTY(bool slideMoves READ slideMoves NOTIFY slideMovesChanged)

    /// The drag in progress ("" when none), its working order and whether
    /// the pointer still holds it (dragging) or the copy glides into its
    /// slot after the release (settling).
    Q_PROPERTY(QString dragId READ dragId NOTIFY dragChanged)
    Q_PROPERTY(QStringList dragOrder READ dragOrder NOTIFY dragOrderChanged)
    Q_PROPERTY(bool dragging READ dragging NOTIFY dragChanged)
    Q_PROPERTY(bool settling READ settling NOTIFY dragChanged)
    /// Tells drags apart: each drag gets a new one.
    Q_PROPERTY(int dragToken READ dragToken NOTIFY dragChanged)
    /// The content of the dragged cell, lifted above the others; null once
    /// the dragged item vanished.
    Q_PROPERTY(QQuickItem *dragContent READ dragContent NOTIFY dragContentChanged)
    /// Where the lifted card is, in the grid's coordinates: under the
    /// pointer, or on its way from the release point to its slot.
    Q_PROPERTY(QRectF copyFrame READ copyFrame NOTIFY copyFrameChanged)
    /// How far the copy got on its way to its slot, 0 to 1; animated by QML.
    Q_PROPERTY(double settleProgress READ settleProgress WRITE setSettleProgress NOTIFY copyFrameChanged)

public:
    explicit ReorderLayout(QQuickItem *parent = nullptr);
    ~ReorderLayout() override;

    QJSValue model() const { return m_model; }
    void setModel(const QJSValue &model);
    double columnMinimum() const { return m_columns.minimum; }
    void setColumnMinimum(double minimum);
    QVariant columnMaximum() const;
    void setColumnMaximum(const QVariant &maximum);
    double columnSpacing() const { return m_columns.spacing; }
    void setColumnSpacing(double spacing);
    double spacing() const { return m_spacing; }
    void setSpacing(double spacing);
    int columnCount() const { return m_columnLayout.count; }
    double estimatedCellHeight() const { return m_estimatedCellHeight; }
    void setEstimatedCellHeight(double height);
    double learnedCellHeight() const { return m_learnedCellHeight; }
    double revealMargin() const { return m_revealMargin; }
    void setRevealMargin(double margin);
    QQuickItem *viewport() const { return m_viewport; }
    void setViewport(QQuickItem *viewport);

    QStringList itemIds() const { return m_itemIds; }
    QStringList displayedIds() const { return m_displayedIds; }
    int count() const { return int(m_itemIds.size()); }
    bool slideMoves() const { return m_slideMoves; }
    QString dragId() const { return m_drag ? m_drag->id : QString(); }
    QStringList dragOrder() const { return m_drag ? m_drag->order : QStringList(); }
    bool dragging() const { return m_drag && !m_drag->settling; }
    bool settling() const { return m_drag && m_drag->settling; }
    int dragToken() const { return m_drag ? m_drag->token : 0; }
    QQuickItem *dragContent() const { return m_dragContent; }
    QRectF copyFrame() const;
    double settleProgress() const { return m_settleProgress; }
    void setSettleProgress(double progress);

    /// The cell of an id, or null.
    Q_INVOKABLE ReorderCell *cellOf(const QString &id) const;
    /// The frame of an id's cell in the grid's coordinates (empty when none).
    Q_INVOKABLE QRectF frameOf(const QString &id) const { return m_frames.value(id); }
    /// The id whose slot holds `point` (grid coordinates), other than `skip`.
    Q_INVOKABLE QString targetAt(QPointF point, const QString &skip = {}) const;

    /// Moves an item one place towards the start (-1) or the end (+1) and
    /// commits the new order; false when it cannot move that way.
    Q_INVOKABLE bool moveBy(const QString &id, int step);
    /// The pointer that pressed on the cell of `id` at `pressScene` is now at
    /// `scene` (scene coordinates) and past the drag threshold.
    Q_INVOKABLE void pointerMoved(const QString &id, QPointF pressScene, QPointF scene);
    /// The pointer let go of the cell of `id`: commits the order, and the copy
    /// starts gliding into its slot.
    Q_INVOKABLE void pointerReleased(const QString &id);
    /// A pointer let go anywhere on the grid: ends a drag whose cell is gone
    /// because its item vanished mid-drag, which no cell's handler sees.
    Q_INVOKABLE void pointerReleasedAnywhere();
    /// The copy reached its slot: ends the drag it belonged to, not a drag
    /// that started meanwhile.
    Q_INVOKABLE void settled();
    Q_INVOKABLE void abandonDrag();

    /// Frames of cells of the given heights laid out in display order: rows
    /// as tall as their tallest cell, every cell centred in its row.
    struct Arrangement
    {
        QList<QRectF> frames;
        double height = 0;
    };
    static Arrangement arrange(const QList<double> &heights, const GridColumns &columns, double width, double spacing);

    // For ReorderCell.
    void addCell(ReorderCell *cell);
    void removeCell(ReorderCell *cell);
    void cellChanged();
    void contentMade(QQuickItem *content);

public Q_SLOTS:
    /// Reveals cells near the view once per turn of the event loop, however
    /// many cells and scrolls asked.
    void scheduleReveal();

Q_SIGNALS:
    void modelChanged();
    void columnsChanged();
    void placeholderChanged();
    void revealMarginChanged();
    void viewportChanged();
    void arranged();
    void slideMovesChanged();
    void dragChanged();
    void dragOrderChanged();
    void dragContentChanged();
    void copyFrameChanged();
    /// The new order at the end of a drag or after a keyboard or
    /// accessibility move; the owner saves it and feeds the items back.
    void commit(const QStringList &ids);

protected:
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void componentComplete() override;

private:
    struct Drag
    {
        QString id;
        QStringList order;
        QPointF grab;
        QSizeF size;
        QPointF origin;
        bool settling = false;
        int token = 0;
    };

    void relayout();
    void arrangeOnce();
    void reveal();
    double placeholderHeight() const;
    void setDrag(std::optional<Drag> drag);
    void updateDragContent();

    QJSValue m_model;
    QMetaObject::Connection m_resetConnection;
    GridColumns m_columns{270, std::nullopt, 12};
    GridColumns::Layout m_columnLayout;
    double m_spacing = 12;
    double m_estimatedCellHeight = 0;
    double m_learnedCellHeight = 0;
    double m_revealMargin = 400;
    QPointer<QQuickItem> m_viewport;
    QList<QMetaObject::Connection> m_viewportConnections;

    QList<ReorderCell *> m_cells;
    QHash<QString, ReorderCell *> m_cellById;
    QStringList m_itemIds;
    QStringList m_displayedIds;
    QHash<QString, QRectF> m_frames;
    bool m_slideMoves = false;
    bool m_dirty = false;
    bool m_arranging = false;
    bool m_revealPending = false;

    std::optional<Drag> m_drag;
    int m_tokenCounter = 0;
    int m_settleToken = 0;
    QPointF m_settleFrom;
    QPointer<QQuickItem> m_dragContent;
    double m_settleProgress = 0;
};

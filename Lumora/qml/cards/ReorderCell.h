#pragma once

#include <QQuickItem>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

/// One cell of a reorderable grid. Assistive technologies see it as a list
/// item named like its content, with two actions of their own names that move
/// it one place towards the start or the end of the grid.
class ReorderCell : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString accessibleName READ accessibleName WRITE setAccessibleName NOTIFY accessibleNameChanged)

public:
    explicit ReorderCell(QQuickItem *parent = nullptr);

    QString accessibleName() const { return m_accessibleName; }
    void setAccessibleName(const QString &name);

    /// "Nach vorne verschieben" / "Move forward" and "Nach hinten verschieben"
    /// / "Move back", in this order, in the user's language.
    static QStringList actionNames();
    /// The step an action name stands for: -1, +1, or 0 for an unknown name.
    static int stepOf(const QString &actionName);

Q_SIGNALS:
    void accessibleNameChanged();
    /// An assistive technology asked to move the cell by one place (-1 or +1).
    void moveRequested(int step);

private:
    QString m_accessibleName;
};

#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

class QKeyEvent;

/// Reads the key events of its `target` item before the item itself sees
/// them. What a key does is up to the subclass: keyEvent() returns true for a
/// key it took, which then goes no further.
class ItemKeys : public QObject
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(QQuickItem *target READ target WRITE setTarget NOTIFY targetChanged)

public:
    using QObject::QObject;

    QQuickItem *target() const;
    void setTarget(QQuickItem *target);

Q_SIGNALS:
    void targetChanged();

protected:
    /// A key press or release of the target.
    virtual bool keyEvent(QKeyEvent *key) = 0;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QQuickItem> m_target;
};

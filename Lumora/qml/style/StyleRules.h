#pragma once

#include "Glow.h"

#include <QColor>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

/// How cards look, as QML asks for it: glows and the symbol table's names.
class StyleRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// A glow from colours and a brightness in percent (undefined or null: full).
    Q_INVOKABLE Glow glow(const QList<QColor> &colors, const QVariant &brightness) const;
    /// Whether two glows (or nulls) paint the same.
    Q_INVOKABLE bool sameGlow(const QVariant &a, const QVariant &b) const;
    /// Every system symbol name of the icon table.
    Q_INVOKABLE QStringList symbolNames() const;
};

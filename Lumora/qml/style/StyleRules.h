#pragma once

#include "CardInk.h"
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
    /// How opaque a dimmed card (an unreachable light) is drawn.
    Q_PROPERTY(double dimmedOpacity READ dimmedOpacity CONSTANT)

public:
    using QObject::QObject;

    /// A glow from colours and a brightness in percent (undefined or null: full).
    Q_INVOKABLE Glow glow(const QList<QColor> &colors, const QVariant &brightness) const;
    /// How a card painted with `glow` (or null) draws its text; see CardInk.
    Q_INVOKABLE CardInk ink(const QVariant &glow, bool dimmed) const;
    static double dimmedOpacity() { return CardInk::dimmedOpacity; }
    /// Every system symbol name of the icon table.
    Q_INVOKABLE QStringList symbolNames() const;
};

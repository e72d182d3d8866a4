#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

/// What every screen says, in the user's language. The rules of the single
/// building blocks are singletons of their own (BrightnessRules, WheelRules,
/// WhiteToneRules, StyleRules, ColumnRules).
class UiRules : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Rules)
    QML_SINGLETON

public:
    using QObject::QObject;

    /// The German text when the user's language is German, else the English one.
    Q_INVOKABLE QString tr(const QString &german, const QString &english) const;
};

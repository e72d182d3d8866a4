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
    /// Also teaches assistive technologies that a disabled button is disabled
    /// (see UiRules.cpp); every screen uses the rules, so this happens before
    /// any of them is read.
    explicit UiRules(QObject *parent = nullptr);

    /// The German text when the user's language is German, else the English one.
    Q_INVOKABLE QString tr(const QString &german, const QString &english) const;
    /// A menu item's shortcut as the menu shows it, in the user's language;
    /// `sequence` is a key sequence's text or a QKeySequence::StandardKey.
    Q_INVOKABLE QString shortcutText(const QVariant &sequence) const;
    /// Where a key moves a slider from `value` within [from, to]: the arrow
    /// keys by `step`, Page Up and Page Down by `page`, Home and End to the
    /// ends. NaN for any other key, which the slider leaves to others.
    /// SliderKeys gives the sliders their keyboard through it.
    static double sliderKey(int key, double value, double from, double to, double step, double page);
};

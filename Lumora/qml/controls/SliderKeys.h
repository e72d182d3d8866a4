#pragma once

#include "ItemKeys.h"

#include <QtQml/qqmlregistration.h>

/// The keyboard of a slider, read from its `target` item's key events before
/// the item itself sees them: the arrow keys move `value` by `step`, Page Up
/// and Page Down by `page`, Home and End to `from` and `to` (see
/// UiRules::sliderKey). A key that moves the value is taken and reported as
/// stepped(); one that would not move it is taken silently, so a slider at its
/// end does not hand the key to the page around it. Alt with a key, and every
/// key that is not a slider key, is left to the item and its parents (Alt with
/// an arrow belongs to the grid around a card).
class SliderKeys : public ItemKeys
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double value MEMBER m_value NOTIFY valueChanged)
    Q_PROPERTY(double from MEMBER m_from NOTIFY rangeChanged)
    Q_PROPERTY(double to MEMBER m_to NOTIFY rangeChanged)
    Q_PROPERTY(double step MEMBER m_step NOTIFY rangeChanged)
    Q_PROPERTY(double page MEMBER m_page NOTIFY rangeChanged)

public:
    using ItemKeys::ItemKeys;

Q_SIGNALS:
    void valueChanged();
    void rangeChanged();
    /// A key moved the slider to `value`.
    void stepped(double value);
    /// A key was let go (not an auto-repeat of a held key).
    void released();

protected:
    bool keyEvent(QKeyEvent *key) override;

private:
    double m_value = 0;
    double m_from = 0;
    double m_to = 1;
    double m_step = 0;
    double m_page = 0;
};

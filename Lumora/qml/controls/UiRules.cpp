#include "UiRules.h"

#include "HueText.h"

#include <QAccessible>
#include <QKeySequence>
#include <QPointer>
#include <QQuickItem>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

/// Qt Quick's own interface of a button, switch or menu item, with the one
/// state Qt 6.4 never reports: a disabled control is said to be disabled.
/// Everything else is Qt Quick's.
class ButtonAccessible : public QAccessibleInterface
{
public:
    ButtonAccessible(QQuickItem *item, QAccessibleInterface *inner)
        : m_item(item)
        , m_inner(inner)
        , m_innerId(QAccessible::uniqueId(inner))
    {
    }
    // Qt Quick's interface is in the registry too; it goes with this one.
    ~ButtonAccessible() override { QAccessible::deleteAccessibleInterface(m_innerId); }

    bool isValid() const override { return m_item && m_inner->isValid(); }
    QObject *object() const override { return m_item; }
    QWindow *window() const override { return m_inner->window(); }
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        return m_inner->relations(match);
    }
    QAccessibleInterface *focusChild() const override { return m_inner->focusChild(); }
    QAccessibleInterface *childAt(int x, int y) const override { return m_inner->childAt(x, y); }
    QAccessibleInterface *parent() const override { return m_inner->parent(); }
    QAccessibleInterface *child(int index) const override { return m_inner->child(index); }
    int childCount() const override { return m_inner->childCount(); }
    int indexOfChild(const QAccessibleInterface *child) const override { return m_inner->indexOfChild(child); }
    QString text(QAccessible::Text t) const override { return m_inner->text(t); }
    void setText(QAccessible::Text t, const QString &text) override { m_inner->setText(t, text); }
    QRect rect() const override { return m_inner->rect(); }
    QAccessible::Role role() const override { return m_inner->role(); }
    QAccessible::State state() const override
    {
        QAccessible::State state = m_inner->state();
        state.disabled = m_item && !m_item->isEnabled();
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override { return m_inner->interface_cast(type); }

private:
    QPointer<QQuickItem> m_item;
    QAccessibleInterface *m_inner;
    QAccessible::Id m_innerId;
};

QAccessibleInterface *buttonFactory(const QString &className, QObject *object);

/// Qt Quick's interface of the object, made with this factory out of the way.
QAccessibleInterface *qtQuickInterface(QObject *object)
{
    QAccessible::removeFactory(buttonFactory);
    QAccessibleInterface *inner = QAccessible::queryAccessibleInterface(object);
    QAccessible::installFactory(buttonFactory);
    return inner;
}

QAccessibleInterface *buttonFactory(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item || !item->inherits("QQuickAbstractButton"))
        return nullptr;
    QAccessibleInterface *inner = qtQuickInterface(object);
    return inner ? new ButtonAccessible(item, inner) : nullptr;
}

} // namespace

UiRules::UiRules(QObject *parent)
    : QObject(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(buttonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString UiRules::tr(const QString &german, const QString &english) const
{
    return HueText::tr(german, english);
}

QString UiRules::shortcutText(const QVariant &sequence) const
{
    QKeySequence keys;
    if (sequence.typeId() == QMetaType::QKeySequence)
        keys = sequence.value<QKeySequence>();
    else if (sequence.typeId() == QMetaType::QString)
        keys = QKeySequence(sequence.toString());
    else
        keys = QKeySequence(QKeySequence::StandardKey(sequence.toInt()));
    QString text = keys.toString(QKeySequence::NativeText);
    // German keyboards name the modifiers in German; Qt's own translations
    // are not loaded.
    if (HueText::usesGerman())
        text.replace(u"Ctrl+"_s, u"Strg+"_s).replace(u"Shift+"_s, u"Umschalt+"_s);
    return text;
}

double UiRules::sliderKey(int key, double value, double from, double to, double step, double page)
{
    double next = value;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        next = value - step;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        next = value + step;
        break;
    case Qt::Key_PageDown:
        next = value - page;
        break;
    case Qt::Key_PageUp:
        next = value + page;
        break;
    case Qt::Key_Home:
        return from;
    case Qt::Key_End:
        return to;
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::clamp(next, from, to);
}

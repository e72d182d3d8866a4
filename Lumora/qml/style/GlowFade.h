#pragma once

#include <QObject>
#include <QQmlParserStatus>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

/// The two paints of a lit surface while it fades from one glow to the next:
/// `front`, the glow being faded in, and `back`, the one it covers. A new
/// glow moves the front to the back and announces `switched`; setting the
/// same glow again changes nothing, and the glow a surface is created with is
/// shown at once.
class GlowFade : public QObject, public QQmlParserStatus
{
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    /// A glow value or null.
    Q_PROPERTY(QVariant glow READ glow WRITE setGlow NOTIFY glowChanged)
    Q_PROPERTY(QVariant front READ front NOTIFY glowChanged)
    Q_PROPERTY(QVariant back READ back NOTIFY backChanged)

public:
    using QObject::QObject;

    QVariant glow() const { return m_front; }
    void setGlow(const QVariant &glow);
    QVariant front() const { return m_front; }
    QVariant back() const { return m_back; }

    void classBegin() override {}
    void componentComplete() override { m_complete = true; }

Q_SIGNALS:
    void glowChanged();
    void backChanged();
    /// The front holds a new glow and the back the one before.
    void switched();

private:
    QVariant m_front = QVariant::fromValue(nullptr);
    QVariant m_back = QVariant::fromValue(nullptr);
    bool m_complete = false;
};

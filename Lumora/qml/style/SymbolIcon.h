#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QSvgRenderer;

/// A system symbol drawn from the vendored icon set in one colour. The colour
/// (including its opacity) is chosen where the icon is used.
class SymbolIcon : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    /// False when the name is not in the symbol table; nothing is drawn then.
    Q_PROPERTY(bool known READ known NOTIFY nameChanged)

public:
    explicit SymbolIcon(QQuickItem *parent = nullptr);
    ~SymbolIcon() override;

    QString name() const { return m_name; }
    void setName(const QString &name);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool known() const;

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void nameChanged();
    void colorChanged();

private:
    void reload();

    QString m_name;
    QColor m_color{Qt::white};
    std::unique_ptr<QSvgRenderer> m_renderer;
};

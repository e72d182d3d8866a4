#include "SymbolIcon.h"

#include "Symbols.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

SymbolIcon::SymbolIcon(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setImplicitSize(16, 16);
    setAntialiasing(true);
}

SymbolIcon::~SymbolIcon() = default;

void SymbolIcon::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    reload();
    Q_EMIT nameChanged();
}

void SymbolIcon::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    reload();
    Q_EMIT colorChanged();
}

bool SymbolIcon::known() const
{
    return Symbols::icon(m_name).has_value();
}

void SymbolIcon::reload()
{
    m_renderer.reset();
    update();
    const auto icon = Symbols::icon(m_name);
    if (!icon)
        return;
    QFile file(Symbols::path(*icon));
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The icons are drawn with currentColor; substitute the opaque colour and
    // apply the opacity when painting, which keeps overlapping strokes even.
    QByteArray svg = file.readAll();
    const QByteArray rgb = m_color.name(QColor::HexRgb).toLatin1();
    svg.replace("currentColor", rgb);
    if (icon->filled)
        svg.replace(QByteArrayLiteral("fill=\"none\""), QByteArray(QByteArrayLiteral("fill=\"") + rgb + '"'));
    m_renderer = std::make_unique<QSvgRenderer>(svg);
    if (!m_renderer->isValid())
        m_renderer.reset();
}

void SymbolIcon::paint(QPainter *painter)
{
    if (!m_renderer)
        return;
    const double side = std::min(width(), height());
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    painter->setOpacity(m_color.alphaF());
    m_renderer->render(painter, square);
}

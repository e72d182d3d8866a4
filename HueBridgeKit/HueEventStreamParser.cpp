#include "HueEventStreamParser.h"

#include "LossyArray.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

// Spaces, tabs and the other Unicode space separators; line breaks cannot
// occur inside a line.
bool isHorizontalSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

namespace HueEventStreamParser {

std::optional<QList<HueEvent>> events(const QString &line)
{
    if (!line.startsWith("data:"_L1))
        return std::nullopt;
    QStringView rest = QStringView(line).sliced(5);
    while (!rest.isEmpty() && isHorizontalSpace(rest.front()))
        rest = rest.sliced(1);
    while (!rest.isEmpty() && isHorizontalSpace(rest.back()))
        rest.chop(1);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(rest.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    auto decoded = LossyArray<HueEvent>::fromJson(document.array());
    if (!decoded || decoded->elements.isEmpty())
        return std::nullopt;
    return std::move(decoded->elements);
}

} // namespace HueEventStreamParser

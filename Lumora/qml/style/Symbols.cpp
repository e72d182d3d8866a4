#include "Symbols.h"

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace Symbols {

namespace {

struct Row
{
    QStringView symbol;
    QStringView file;
    bool filled = false;
};

constexpr std::array table{
    // groups
    Row{u"house.fill", u"house"},
    Row{u"sofa.fill", u"sofa"},
    Row{u"fork.knife", u"utensils"},
    Row{u"bed.double.fill", u"bed-double"},
    Row{u"teddybear.fill", u"toy-brick"},
    Row{u"shower.fill", u"shower-head"},
    Row{u"chair.fill", u"armchair"},
    Row{u"hanger", u"shirt"},
    Row{u"tree.fill", u"tree-deciduous"},
    Row{u"car.fill", u"car"},
    Row{u"archivebox.fill", u"archive"},
    Row{u"dumbbell.fill", u"dumbbell"},
    Row{u"square.3.layers.3d", u"layers"},
    Row{u"lightbulb.2.fill", u"door-closed"},
    // lights
    Row{u"lightbulb.fill", u"lightbulb"},
    Row{u"lamp.table.fill", u"lamp"},
    Row{u"lamp.floor.fill", u"lamp-floor"},
    Row{u"lamp.ceiling.fill", u"lamp-ceiling"},
    Row{u"light.strip.2.fill", u"rectangle-ellipsis"},
    Row{u"light.recessed.fill", u"spotlight"},
    Row{u"powerplug.fill", u"plug"},
    // screens and controls
    Row{u"star", u"star"},
    Row{u"star.fill", u"star", true},
    Row{u"chevron.right", u"chevron-right"},
    Row{u"exclamationmark.triangle.fill", u"triangle-alert"},
    Row{u"wifi.exclamationmark", u"wifi-off"},
    Row{u"paintpalette.fill", u"palette"},
    Row{u"plus", u"plus"},
    Row{u"xmark", u"x"},
    Row{u"lightbulb.led.wide", u"router"},
};

} // namespace

std::optional<Icon> icon(const QString &symbol)
{
    for (const auto &row : table) {
        if (row.symbol == symbol)
            return Icon{row.file.toString(), row.filled};
    }
    return std::nullopt;
}

QStringList names()
{
    QStringList result;
    for (const auto &row : table)
        result.append(row.symbol.toString());
    return result;
}

QString path(const Icon &icon)
{
    return u":/qt/qml/Lumora/icons/"_s + icon.file + u".svg"_s;
}

} // namespace Symbols

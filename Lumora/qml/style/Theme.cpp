#include "Theme.h"

#include <QMetaEnum>

#include <algorithm>
#include <utility>

QColor Theme::color(HueRGB rgb, double opacity)
{
    const auto channel = [](double c) { return std::clamp(c, 0.0, 1.0); };
    return QColor::fromRgbF(float(channel(rgb.red)), float(channel(rgb.green)), float(channel(rgb.blue)),
                            float(channel(opacity)));
}

HueRGB Theme::rgb(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF()};
}

QPalette Theme::palette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, content());
    palette.setColor(QPalette::WindowText, text());
    palette.setColor(QPalette::Base, sidebar());
    palette.setColor(QPalette::AlternateBase, card());
    palette.setColor(QPalette::Text, text());
    palette.setColor(QPalette::Button, card());
    palette.setColor(QPalette::ButtonText, text());
    palette.setColor(QPalette::BrightText, text());
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, text());
    palette.setColor(QPalette::PlaceholderText, placeholder());
    palette.setColor(QPalette::ToolTipBase, card());
    palette.setColor(QPalette::ToolTipText, text());
    palette.setColor(QPalette::Light, bevelLight());
    palette.setColor(QPalette::Midlight, bevelMidlight());
    palette.setColor(QPalette::Mid, bevelMid());
    palette.setColor(QPalette::Dark, bevelDark());
    palette.setColor(QPalette::Shadow, bevelShadow());
    for (const auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
        palette.setColor(QPalette::Disabled, role, textDisabled());
    return palette;
}

void Theme::paint(QObject *quickPalette)
{
    if (!quickPalette)
        return;
    const QPalette source = palette();
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const std::pair<QPalette::ColorGroup, const char *> groups[] = {
        {QPalette::Active, "active"}, {QPalette::Inactive, "inactive"}, {QPalette::Disabled, "disabled"}};
    for (const auto &[group, name] : groups) {
        // The palette's colour groups are objects of their own, their roles
        // properties named like the role with a small initial.
        auto *colours = quickPalette->property(name).value<QObject *>();
        if (!colours)
            continue;
        for (int i = 0; i < roles.keyCount(); ++i) {
            const auto role = QPalette::ColorRole(roles.value(i));
            if (role >= QPalette::NColorRoles || role == QPalette::NoRole || !source.isBrushSet(group, role))
                continue;
            QByteArray property = roles.key(i);
            property[0] = char(property[0] - 'A' + 'a');
            colours->setProperty(property.constData(), source.color(group, role));
        }
    }
}

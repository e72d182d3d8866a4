#pragma once

#include <optional>

/// An adaptive column description: as many columns as fit, each at least
/// `minimum` wide, with `spacing` between them.
struct GridColumns
{
    double minimum = 0;
    std::optional<double> maximum;
    double spacing = 0;

    struct Layout
    {
        int count = 1;
        double cellWidth = 0;
        /// Offset of the first column, centring the columns when their
        /// maximum width leaves room.
        double leading = 0;

        friend bool operator==(const Layout &, const Layout &) = default;
    };

    Layout layout(double width) const;

    /// The two column sets of the screens: cards of lights, rooms and zones,
    /// and the smaller scene tiles.
    static GridColumns cards() { return {270, std::nullopt, 12}; }
    static GridColumns tiles() { return {170, std::nullopt, 10}; }

    friend bool operator==(const GridColumns &, const GridColumns &) = default;
};

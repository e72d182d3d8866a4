#include "GridColumns.h"

#include <algorithm>
#include <cmath>

GridColumns::Layout GridColumns::layout(double width) const
{
    Layout result;
    const double available = std::max(width, 0.0);
    const double step = std::max(minimum, 1.0) + std::max(spacing, 0.0);
    result.count = std::max(1, int(std::floor((available + std::max(spacing, 0.0)) / step)));
    const double gaps = std::max(spacing, 0.0) * (result.count - 1);
    double cell = std::max((available - gaps) / result.count, 0.0);
    if (maximum)
        cell = std::min(cell, *maximum);
    result.cellWidth = cell;
    result.leading = std::max((available - (cell * result.count + gaps)) / 2, 0.0);
    return result;
}

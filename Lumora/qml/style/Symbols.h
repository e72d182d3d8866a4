#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// The one table from the system symbol names the screens use to the vendored
/// icons (Lucide, ISC licence, in icons/). Every name has an icon of its own.
namespace Symbols {

struct Icon
{
    /// File name without extension in the module's icons folder.
    QString file;
    /// Drawn filled rather than outlined, for names that exist in both forms.
    bool filled = false;

    friend bool operator==(const Icon &, const Icon &) = default;
};

std::optional<Icon> icon(const QString &symbol);

/// Every symbol name of the table.
QStringList names();

/// Resource path of an icon file.
QString path(const Icon &icon);

} // namespace Symbols

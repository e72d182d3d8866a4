#include "HueHomeCollation.h"

#include <optional>

QCollatorSortKey HueHomeCollation::key(const QString &name)
{
    const auto found = keys.constFind(name);
    if (found != keys.cend())
        return found.value();
    // Names come and go as the user renames things; a bound keeps a
    // long session from collecting every name it ever saw.
    if (keys.size() >= 8192)
        keys.clear();
    return keys.insert(name, collator.sortKey(name)).value();
}

HueHomeCollation &HueHomeCollation::current()
{
    thread_local std::optional<HueHomeCollation> cached;
    const QLocale locale;
    if (!cached || cached->locale != locale) {
        // Qt collates the C locale (LANG=C, C.UTF-8, POSIX) by code points,
        // ignoring numeric mode and case: "Lamp 10" would precede "lamp 2".
        // Such a session gets the language-neutral rules instead.
        QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        cached.emplace(HueHomeCollation{locale, std::move(collator), {}});
    }
    return *cached;
}

#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <vector>

// The ordering a file browser uses: case-insensitive, locale-aware, digits by
// value. A collator is costly to set up, and a collation key costly to make,
// so each thread keeps one collator for the current default locale (QCollator
// itself must not be shared between threads) and the keys of the names it
// has sorted, until the locale changes. Private to HueHome.
struct HueHomeCollation
{
    QLocale locale;
    QCollator collator;
    QHash<QString, QCollatorSortKey> keys;

    QCollatorSortKey key(const QString &name);

    /// This thread's collation for the current default locale.
    static HueHomeCollation &current();

    // Sorts by name with one collation key per item instead of a full
    // collation per comparison. Stable, with no secondary key: equal names
    // keep the input order.
    template<typename T>
    static void sortByName(QList<T> &items)
    {
        if (items.size() < 2)
            return;
        HueHomeCollation &collation = current();
        struct Keyed
        {
            QCollatorSortKey key;
            qsizetype index;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(items.size());
        for (qsizetype i = 0; i < items.size(); ++i)
            keyed.push_back(Keyed{collation.key(items.at(i).name), i});
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const Keyed &a, const Keyed &b) { return a.key.compare(b.key) < 0; });
        QList<T> sorted;
        sorted.reserve(items.size());
        for (const Keyed &entry : keyed)
            sorted.append(std::move(items[entry.index]));
        items = std::move(sorted);
    }
};

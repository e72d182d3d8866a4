#include "FavoritesStore.h"

#include "LumoraLogging.h"
#include "StoredJson.h"

#include <QJsonArray>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {
// Entry by entry: one that does not decode (an unknown kind, say, written by
// a later version or damaged by hand) is left out, and every good one stays.
// Dropping the whole list instead would let the next star overwrite it.
QList<Favorite> decode(const std::optional<QJsonDocument> &document)
{
    if (!document || !document->isArray())
        return {};
    const QJsonArray array = document->array();
    QList<Favorite> items;
    items.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (auto favorite = Favorite::fromJson(value))
            items.append(std::move(*favorite));
        else
            qCWarning(lcStore) << "leaving out an unreadable stored favourite";
    }
    return items;
}
} // namespace

FavoritesStore::FavoritesStore(std::shared_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
}

QString FavoritesStore::settingsKey(const QString &bridgeID)
{
    return u"favorites."_s + bridgeID.toLower();
}

void FavoritesStore::load(const QString &bridgeID)
{
    m_bridgeID = bridgeID;
    setItems(m_settings ? decode(StoredJson::read(*m_settings, settingsKey(bridgeID))) : QList<Favorite>{});
}

void FavoritesStore::toggle(const Favorite &favorite)
{
    QList<Favorite> items = m_items;
    const qsizetype index = items.indexOf(favorite);
    if (index >= 0)
        items.removeAt(index);
    else
        items.append(favorite);
    setItems(std::move(items));

    if (!m_bridgeID || !m_settings)
        return;
    QJsonArray array;
    for (const Favorite &item : std::as_const(m_items))
        array.append(item.toJson());
    StoredJson::write(*m_settings, settingsKey(*m_bridgeID), QJsonDocument(array));
}

bool FavoritesStore::contains(Favorite::Kind kind, const QString &id) const
{
    return m_items.contains(Favorite{kind, id});
}

QStringList FavoritesStore::ids(Favorite::Kind kind) const
{
    QStringList result;
    for (const Favorite &item : m_items) {
        if (item.kind == kind)
            result.append(item.id);
    }
    return result;
}

void FavoritesStore::setItems(QList<Favorite> items)
{
    if (items == m_items)
        return;
    m_items = std::move(items);
    Q_EMIT itemsChanged();
}

#include "SimEventQueue.h"

#include <QJsonDocument>
#include <QUuid>

using namespace Qt::StringLiterals;

void SimEventQueue::added(const QJsonObject &resource)
{
    m_entries.append({u"add"_s, resource.value(u"id"_s).toString(), resource});
}

void SimEventQueue::updated(const QJsonObject &partial)
{
    const QString id = partial.value(u"id"_s).toString();
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        Entry &entry = m_entries[i];
        if (entry.id != id)
            continue;
        if (entry.kind == "delete"_L1)
            break;
        // Last value wins within one interval.
        deepMerge(entry.data, partial);
        return;
    }
    m_entries.append({u"update"_s, id, partial});
}

void SimEventQueue::deleted(const QJsonObject &reference)
{
    m_entries.append({u"delete"_s, reference.value(u"id"_s).toString(), reference});
}

QJsonArray SimEventQueue::take(const QDateTime &now)
{
    static const QStringList identity{u"id"_s, u"id_v1"_s, u"type"_s, u"owner"_s};
    QJsonArray containers;
    QString currentKind;
    QJsonArray items;
    const QString creation = now.toUTC().toString(Qt::ISODate);
    const auto flush = [&] {
        if (items.isEmpty())
            return;
        containers.append(QJsonObject{{u"creationtime"_s, creation},
                                      {u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                      {u"type"_s, currentKind},
                                      {u"data"_s, items}});
        items = {};
    };
    for (const Entry &entry : std::as_const(m_entries)) {
        if (entry.kind != currentKind) {
            flush();
            currentKind = entry.kind;
        }
        if (entry.kind == "update"_L1 && entry.data.value(u"type"_s).toString() == "grouped_light"_L1) {
            QJsonObject head;
            for (const QString &key : identity) {
                if (entry.data.contains(key))
                    head.insert(key, entry.data.value(key));
            }
            for (auto it = entry.data.begin(); it != entry.data.end(); ++it) {
                if (identity.contains(it.key()))
                    continue;
                QJsonObject item = head;
                item.insert(it.key(), it.value());
                items.append(item);
            }
            continue;
        }
        items.append(entry.data);
    }
    flush();
    m_entries.clear();
    return containers;
}

QByteArray SimEventQueue::frame(const QByteArray &id, const QJsonArray &containers)
{
    return "id: " + id + "\ndata: " + QJsonDocument(containers).toJson(QJsonDocument::Compact) + "\n\n";
}

void SimEventQueue::deepMerge(QJsonObject &target, const QJsonObject &patch)
{
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        if (it.value().isObject() && target.value(it.key()).isObject()) {
            QJsonObject inner = target.value(it.key()).toObject();
            deepMerge(inner, it.value().toObject());
            target.insert(it.key(), inner);
        } else {
            target.insert(it.key(), it.value());
        }
    }
}

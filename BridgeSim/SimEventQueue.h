#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

/// Collects resource changes between two event-stream messages, the way a
/// bridge does: within one interval only the last value of a property is
/// kept, and one message carries every change of the interval.
class SimEventQueue
{
public:
    /// A new resource (the whole object).
    void added(const QJsonObject &resource);
    /// A partial resource holding "id", "type" and the properties that changed.
    void updated(const QJsonObject &partial);
    void deleted(const QJsonObject &reference);
    bool isEmpty() const { return m_entries.isEmpty(); }
    void clear() { m_entries.clear(); }

    /// The event containers of one message, emptying the queue. Consecutive
    /// changes of one kind share a container; a grouped light's properties
    /// go out as separate items, as bridges send them.
    QJsonArray take(const QDateTime &now = QDateTime::currentDateTimeUtc());

    /// One server-sent-events message: "id: <id>", "data: <containers>", blank line.
    static QByteArray frame(const QByteArray &id, const QJsonArray &containers);
    /// Merges `patch` into `target` recursively: objects merge, anything else replaces.
    static void deepMerge(QJsonObject &target, const QJsonObject &patch);

private:
    struct Entry
    {
        QString kind;
        QString id;
        QJsonObject data;
    };
    QList<Entry> m_entries;
};

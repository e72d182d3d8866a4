#include "StoredJson.h"

#include "LumoraLogging.h"

#include <QJsonParseError>
#include <QSettings>

namespace {
bool flush(QSettings &settings)
{
    // Written at once rather than when the event loop gets to it, so that
    // a crash right after pairing or reordering does not lose the change.
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    // A settings object keeps the first error it met for good: one damaged
    // line read at start-up, or a write that failed an hour ago, would make
    // every later write look failed. A fresh object on the same file starts
    // without one; its sync writes whatever is still pending and reports only
    // what happens now.
    QSettings fresh(settings.fileName(), settings.format());
    fresh.sync();
    if (fresh.status() == QSettings::NoError)
        return true;
    qCWarning(lcStore) << "could not write the settings file" << settings.fileName();
    return false;
}
} // namespace

namespace StoredJson {

std::optional<QJsonDocument> read(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return std::nullopt;
    // We write bytes, but a value edited by hand comes back as text; both
    // are accepted. Lists and numbers are not JSON data of ours.
    const int type = value.metaType().id();
    if (type != QMetaType::QByteArray && type != QMetaType::QString) {
        qCWarning(lcStore) << "ignoring a stored value of an unexpected type under" << key;
        return std::nullopt;
    }
    const QByteArray data = value.toByteArray();
    if (data.size() > maxBytes) {
        qCWarning(lcStore) << "ignoring an oversized stored value under" << key << "of" << data.size() << "bytes";
        return std::nullopt;
    }
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcStore) << "ignoring a stored value that is not JSON under" << key;
        return std::nullopt;
    }
    return document;
}

bool write(QSettings &settings, const QString &key, const QJsonDocument &document)
{
    settings.setValue(key, document.toJson(QJsonDocument::Compact));
    return flush(settings);
}

bool remove(QSettings &settings, const QString &key)
{
    settings.remove(key);
    return flush(settings);
}

} // namespace StoredJson

#include "StoredJson.h"

#include "LumoraLogging.h"

#include <QJsonParseError>
#include <QSettings>

namespace {
void flush(QSettings &settings)
{
    // Written at once rather than when the event loop gets to it, so that
    // a crash right after pairing or reordering does not lose the change.
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcStore) << "could not write the settings file" << settings.fileName();
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

void write(QSettings &settings, const QString &key, const QJsonDocument &document)
{
    settings.setValue(key, document.toJson(QJsonDocument::Compact));
    flush(settings);
}

void remove(QSettings &settings, const QString &key)
{
    settings.remove(key);
    flush(settings);
}

} // namespace StoredJson

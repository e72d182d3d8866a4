#include "UpdateFeed.h"

#include "UpdateVersionComparator.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace UpdateFeed {

namespace {

std::optional<UpdateItem> readItem(QXmlStreamReader &xml)
{
    UpdateItem item;
    while (xml.readNextStartElement()) {
        const bool ours = xml.namespaceUri() == namespaceURI;
        const QStringView name = xml.name();
        if (ours && name == u"version"_s) {
            item.versionString = xml.readElementText().trimmed();
        } else if (ours && name == u"shortVersionString"_s) {
            item.displayVersionString = xml.readElementText().trimmed();
        } else if (xml.namespaceUri().isEmpty() && name == u"title"_s) {
            item.title = xml.readElementText().trimmed();
        } else if (xml.namespaceUri().isEmpty() && name == u"enclosure"_s) {
            const QXmlStreamAttributes attributes = xml.attributes();
            item.archiveURL = QUrl(attributes.value(u"url"_s).toString().trimmed(), QUrl::StrictMode);
            item.edSignature = attributes.value(namespaceURI, u"edSignature"_s).toString().trimmed();
            bool ok = false;
            const qint64 length = attributes.value(u"length"_s).toLongLong(&ok);
            if (ok && length >= 0)
                item.archiveLength = length;
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (item.versionString.isEmpty())
        return std::nullopt;
    if (!item.archiveURL.isValid() || item.archiveURL.scheme() != u"https"_s || item.archiveURL.host().isEmpty())
        return std::nullopt;
    if (item.displayVersionString.isEmpty())
        item.displayVersionString = item.versionString;
    return item;
}

} // namespace

Parsed parse(const QByteArray &bytes)
{
    QXmlStreamReader xml(bytes);
    Parsed parsed;
    if (!xml.readNextStartElement() || xml.name() != u"rss"_s || !xml.namespaceUri().isEmpty()) {
        parsed.error = xml.hasError() ? xml.errorString() : u"not an RSS document"_s;
        return parsed;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel"_s) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != u"item"_s) {
                xml.skipCurrentElement();
                continue;
            }
            if (std::optional<UpdateItem> item = readItem(xml))
                parsed.items.append(std::move(*item));
        }
    }
    // Read to the end: a document that breaks off later is not trusted either.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError()) {
        parsed.items.clear();
        parsed.error = xml.errorString();
    }
    return parsed;
}

std::optional<UpdateItem> newest(const QList<UpdateItem> &items)
{
    std::optional<UpdateItem> best;
    for (const UpdateItem &item : items) {
        if (!best || UpdateVersionComparator::compare(item.versionString, best->versionString) > 0)
            best = item;
    }
    return best;
}

} // namespace UpdateFeed

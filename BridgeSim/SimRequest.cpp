#include "SimRequest.h"

using namespace Qt::StringLiterals;

QString SimRequest::describe(qsizetype maximumBody) const
{
    QStringList names;
    for (const auto &[name, value] : headers) {
        // Header values other than a few harmless ones stay out of the dump:
        // the key must never reach a log.
        if (name == "content-type" || name == "accept" || name == "content-length")
            names.append(QString::fromLatin1(name) + u'=' + QString::fromLatin1(value));
        else
            names.append(QString::fromLatin1(name));
    }
    QString text = time.toUTC().toString(u"yyyy-MM-ddTHH:mm:ss.zzzZ"_s) + u" #"_s + QString::number(connection) + u' '
                   + method + u' ' + target + u" -> "_s + (status ? QString::number(status) : u"-"_s) + u" ["_s
                   + names.join(u", "_s) + u']';
    if (!body.isEmpty()) {
        QString shown = QString::fromUtf8(body.left(maximumBody));
        shown.replace(u'\n', u' ');
        text += u' ' + shown + (body.size() > maximumBody ? u"…"_s : QString());
    }
    return text;
}

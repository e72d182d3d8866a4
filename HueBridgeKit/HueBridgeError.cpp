#include "HueBridgeError.h"

#include "HueText.h"

using namespace Qt::StringLiterals;

namespace {

QString describe(HueBridgeError::Kind kind, const QString &message, int status, bool german)
{
    switch (kind) {
    case HueBridgeError::Kind::api:
        return german ? u"Die Bridge meldet: "_s + message : u"The bridge reports: "_s + message;
    case HueBridgeError::Kind::http:
        return german ? u"Die Bridge antwortet mit Status "_s + QString::number(status) + u'.'
                      : u"The bridge answers with status "_s + QString::number(status) + u'.';
    case HueBridgeError::Kind::linkButtonNotPressed:
        return german ? u"Der Knopf auf der Bridge wurde noch nicht gedrückt."_s
                      : u"The button on the bridge has not been pressed yet."_s;
    case HueBridgeError::Kind::unauthorized:
        return german ? u"Die Bridge kennt diese App nicht mehr."_s : u"The bridge no longer knows this app."_s;
    case HueBridgeError::Kind::invalidResponse:
        return german ? u"Die Antwort der Bridge ist unverständlich."_s
                      : u"The bridge sent an answer that cannot be read."_s;
    }
    return {};
}

} // namespace

HueBridgeError::HueBridgeError(Kind kind, QString message, int status)
    : m_kind(kind)
    , m_message(std::move(message))
    , m_status(status)
    , m_what(describe(kind, m_message, status, false).toUtf8())
{
}

HueBridgeError HueBridgeError::api(QString message)
{
    return HueBridgeError(Kind::api, std::move(message), 0);
}

HueBridgeError HueBridgeError::http(int status)
{
    return HueBridgeError(Kind::http, QString(), status);
}

HueBridgeError HueBridgeError::linkButtonNotPressed()
{
    return HueBridgeError(Kind::linkButtonNotPressed, QString(), 0);
}

HueBridgeError HueBridgeError::unauthorized()
{
    return HueBridgeError(Kind::unauthorized, QString(), 0);
}

HueBridgeError HueBridgeError::invalidResponse()
{
    return HueBridgeError(Kind::invalidResponse, QString(), 0);
}

QString HueBridgeError::errorDescription() const
{
    return describe(m_kind, m_message, m_status, HueText::usesGerman());
}

#include "HueTransportError.h"

#include "HueBridgeError.h"

HueTransportError::HueTransportError(QNetworkReply::NetworkError code, QString message)
    : m_code(code)
    , m_message(std::move(message))
    , m_what(m_message.toUtf8())
{
}

std::exception_ptr replyFailure(const QNetworkReply *reply)
{
    if (reply->error() == QNetworkReply::ProtocolFailure)
        return std::make_exception_ptr(HueBridgeError::invalidResponse());
    return std::make_exception_ptr(HueTransportError(reply->error(), reply->errorString()));
}

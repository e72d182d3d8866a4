#include "InstanceLockError.h"

#include <cstring>

using namespace Qt::StringLiterals;

QString InstanceLockError::description() const
{
    const auto withErrno = [this](const QString &name) -> QString {
        return name + u"(errno: "_s + QString::number(errorNumber) + u", "_s
               + QString::fromLocal8Bit(std::strerror(errorNumber)) + u")"_s;
    };
    switch (code) {
    case Code::openFailed:
        return withErrno(u"openFailed"_s);
    case Code::lockFailed:
        return withErrno(u"lockFailed"_s);
    case Code::alreadyRunning:
        break;
    }
    return u"alreadyRunning"_s;
}

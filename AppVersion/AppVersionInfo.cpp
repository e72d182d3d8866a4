#include "AppVersionInfo.h"

#include "AppVersionDisplay.h"

#include <QFileInfo>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

QString textValue(const QVariantMap &info, const QString &key)
{
    const auto it = info.constFind(key);
    if (it == info.cend() || it->typeId() != QMetaType::QString)
        return u"0"_s;
    return it->toString();
}

} // namespace

AppVersionInfo AppVersionInfo::current(const AppBundle &bundle)
{
    AppVersionInfo info;
    info.shortVersion = textValue(bundle.info, AppBundle::shortVersionKey);
    info.buildVersion = textValue(bundle.info, AppBundle::buildVersionKey);
    if (bundle.executablePath) {
        const QFileInfo file(*bundle.executablePath);
        const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
        if (modified.isValid())
            info.buildDate = modified;
    }
    return info;
}

QString AppVersionInfo::displayLabel() const
{
    return AppVersionDisplay::label(*this, QTimeZone::systemTimeZone());
}

#include "SingleInstancePolicy.h"

using namespace Qt::StringLiterals;

SingleInstancePolicy SingleInstancePolicy::userDefaults(std::shared_ptr<QSettings> defaults,
                                                        QString allowMultipleInstancesKey)
{
    return {Kind::userDefaults, std::move(defaults), std::move(allowMultipleInstancesKey)};
}

bool SingleInstancePolicy::allowsMultipleInstances() const
{
    if (kind != Kind::userDefaults || !defaults)
        return false;
    defaults->sync();
    const QVariant value = defaults->value(allowMultipleInstancesKey);
    // Native settings keep a real boolean; INI files hand it back as text,
    // and a person editing the file by hand writes "true" in several ways.
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toLongLong() == 1;
    if (value.typeId() == QMetaType::QString) {
        static const QStringList yes{u"true"_s, u"1"_s, u"yes"_s, u"on"_s};
        return yes.contains(value.toString(), Qt::CaseInsensitive);
    }
    return false;
}

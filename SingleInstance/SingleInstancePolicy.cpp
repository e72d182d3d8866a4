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
    // Native settings keep a real boolean; INI files hand it back as text.
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString)
        return value.toString() == u"true"_s;
    return false;
}

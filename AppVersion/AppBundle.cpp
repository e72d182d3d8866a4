#include "AppBundle.h"

#include <QCoreApplication>

AppBundle AppBundle::main()
{
    AppBundle bundle;
    bundle.info = compiledInfo();
    if (QCoreApplication::instance()) {
        const QString path = QCoreApplication::applicationFilePath();
        if (!path.isEmpty())
            bundle.executablePath = path;
    }
    return bundle;
}

// Drives the real QML building blocks with simulated pointer input.
#include "QuickHarness.h"

#include <QQmlEngine>
#include <QtPlugin>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(LumoraPlugin)

using namespace Qt::StringLiterals;

class Setup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(u"qrc:/qt/qml"_s);
        TestBridge::installInto(engine);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(tst_quick, Setup)
#include "tst_quick.moc"

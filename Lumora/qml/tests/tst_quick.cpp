// Drives the real QML building blocks with simulated pointer input.
#include "AccessibleProbe.h"
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
        static const int probe = qmlRegisterSingletonType<AccessibleProbe>(
            "LumoraTest", 1, 0, "AccessibleProbe",
            [](QQmlEngine *, QJSEngine *) -> QObject * { return new AccessibleProbe; });
        Q_UNUSED(probe);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(tst_quick, Setup)
#include "tst_quick.moc"

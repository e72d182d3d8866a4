// The shell's screens (root view, sidebar, banner, settings, pairing) with
// real input, each file against its own store and in-process bridge.
#include "QuickHarness.h"

#include <QQmlEngine>
#include <QtQuickTest>

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

QUICK_TEST_MAIN_WITH_SETUP(tst_shell, Setup)
#include "tst_shell.moc"

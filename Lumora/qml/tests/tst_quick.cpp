// Drives the real QML building blocks with simulated pointer input.
#include "QuickHarness.h"

#include <QtPlugin>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(LumoraPlugin)

QUICK_TEST_MAIN_WITH_SETUP(tst_quick, QuickTestSetup)

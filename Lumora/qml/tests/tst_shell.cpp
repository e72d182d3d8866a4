// The shell's screens (root view, sidebar, banner, settings, pairing) with
// real input, each file against its own store and in-process bridge.
#include "QuickHarness.h"

#include <QtQuickTest>

QUICK_TEST_MAIN_WITH_SETUP(tst_shell, QuickTestSetup)

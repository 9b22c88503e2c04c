// The Qt Quick tests (tst_*.qml in this folder), run with the module Vyr.Components loaded as a
// QML program loads it: through its qmldir and plugin on the import path given with -import.
#include <QtQuickTest/quicktest.h>

QUICK_TEST_MAIN(vyr_quick)

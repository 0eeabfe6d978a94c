// Shared main for tests that build widgets: one QApplication on Qt's offscreen platform
// unless the environment chose another one. The programs the tests start speak the texts they
// are written in (the C locale) whatever the machine's language; a test that wants another
// language sets it for its program.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        unsetenv(name);
    setenv("LANG", "C.UTF-8", 1);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

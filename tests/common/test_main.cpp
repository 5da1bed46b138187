// Test entry point: every test program runs headless and never touches the
// user's real settings file.
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef LISTORA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    // gtest_discover_tests runs us at build time without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    TestApplication app(argc, argv);
    TestApplication::setApplicationName("Listora");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

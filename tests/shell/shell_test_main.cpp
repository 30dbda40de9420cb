// The widget tests need one QApplication for the whole run, and settings of their own so the
// recent-file list of the person running them is never touched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    char config[] = "/tmp/korvel-shell-tests-XXXXXX";
    if (mkdtemp(config) == nullptr) return 1;
    setenv("XDG_CONFIG_HOME", config, 1);
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(config).removeRecursively();
    return result;
}

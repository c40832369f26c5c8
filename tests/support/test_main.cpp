// Every test program runs inside an offscreen QApplication, as the client does.
#include <QApplication>
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Test programs live in the programs' folder, beside res\.
    if (qEnvironmentVariableIsEmpty("VELOTRA_BIN_DIR")) {
        char exe[4096];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n > 0) {
            std::string dir(exe, static_cast<std::size_t>(n));
            qputenv("VELOTRA_BIN_DIR", dir.substr(0, dir.rfind('/')).c_str());
        }
    }
    if (qEnvironmentVariableIsEmpty("VELOTRA_SOURCE_DIR")) qputenv("VELOTRA_SOURCE_DIR", VELOTRA_TEST_SOURCE_DIR);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

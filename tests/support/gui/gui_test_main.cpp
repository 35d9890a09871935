// main() of the window tests: a QApplication on the offscreen platform, the program's pictures,
// the fonts the windows ask for, and settings and journals in the build tree.
#include "framework/guarded_application.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace kelvane;

// GCC says it has AddressSanitizer with a macro, clang with a feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVANE_ASAN_BUILD
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KELVANE_ASAN_BUILD)
// Fontconfig keeps a block it allocates while it reads its configuration for the life of the
// process; the leak checker would blame the window tests for it.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own Russian, as under the C locale, whatever the machine's locale is; the
    // programs the tests start inherit it.
    qputenv("LC_ALL", "C.UTF-8");
    // Settings, history and journals of the windows, and of the programs they start, stay out of
    // the user's home.
    qputenv("XDG_CONFIG_HOME", KELVANE_TEST_HOME "/config");
    qputenv("XDG_STATE_HOME", KELVANE_TEST_HOME "/state");
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
#ifdef _WIN32
    // Windows keeps a user's files where QStandardPaths says, whatever the environment: in its
    // test folders here, apart for each test program, as several run at once.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setOrganizationName(QFileInfo(QApplication::applicationFilePath()).baseName());
#endif
    Q_INIT_RESOURCE(resources);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
